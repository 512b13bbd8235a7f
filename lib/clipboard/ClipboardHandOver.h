#pragma once
#include <chrono>

namespace olvaris {

// On X11 the clipboard lives in the program that copied: when it ends, the
// text would go with it. Before the process ends, the text the program
// holds on the clipboard is handed to the desktop's clipboard manager (the
// freedesktop CLIPBOARD_MANAGER / SAVE_TARGETS protocol), so a paste after
// the program has closed still works. Does nothing when the program does
// not hold the clipboard, on other platforms and without a manager; never
// takes longer than the limit, whatever the manager does.
void handClipboardToManager(std::chrono::milliseconds limit);

inline constexpr std::chrono::milliseconds ClipboardHandOverLimit{1000};

} // namespace olvaris
