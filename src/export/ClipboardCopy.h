#pragma once
#include <QString>

namespace olvaris {

class ResultsList;
class Yielder;

// The list as aligned, tab-separated text: each field padded with blanks to
// the widest text of its column, a tab between fields, no blanks at the end
// of a line, "\r\n" after every line, no header. Yields before every row of
// every column in both passes. A list changed during a yield fails.
QString buildClipboardText(const ResultsList& list, Yielder& yielder);

// Puts the list on the clipboard. An empty list leaves the clipboard alone.
// Fails when the clipboard does not hold the text after the last attempt.
void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder);

// Empty the clipboard / place plain text on it, each trying up to
// MaxClipboardAttempts times. They report nothing; they say whether it worked.
inline constexpr int MaxClipboardAttempts = 1000;
bool ClearClipboard();
bool SetClipboardText(const QString& text);

} // namespace olvaris
