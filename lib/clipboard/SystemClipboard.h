#pragma once
#include <QByteArray>

namespace olvaris {

// The system clipboard as the program uses it for its own texts. On X11 the
// text is served by a thread and connection of its own (whatever other
// clients ask, the window's thread does no work for them and the memory
// stays the text's); elsewhere Qt's clipboard holds it. Each call is one
// attempt; a clipboard that is not there fails with a Failure.

// Places the UTF-8 text on the clipboard; whether it holds it now.
bool placeOnClipboard(const QByteArray& utf8);
// Takes the program's text off the clipboard; whether it holds none now.
bool emptyClipboard();
// The program's own text while the clipboard still holds it (another
// owner's text is not asked for: that could wait); else null.
QByteArray programTextOnClipboard();

} // namespace olvaris
