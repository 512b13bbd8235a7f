#pragma once
#include <QString>

namespace olvaris {

class Platform;

// The text of the help box: where to ask questions.
QString helpPrompt();

// "Help": shows the help box (OK only, no icon, the application title).
void PushButton7_Click(Platform& platform);

} // namespace olvaris
