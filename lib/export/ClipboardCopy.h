#pragma once
#include <QByteArray>
#include <chrono>
#include <functional>

namespace olvaris {

class ResultsList;
class Yielder;

// The list as aligned, tab-separated text in UTF-8: each field padded with
// blanks to the widest text of its column, a tab between fields, no blanks
// at the end of a line, "\r\n" after every line, no header. Yields before
// every row of every column in both passes. A list changed during a yield
// fails; a text larger than the memory the process can still get fails as
// out of memory before it is built.
QByteArray buildClipboardText(const ResultsList& list, Yielder& yielder);

// Puts the list on the clipboard. An empty list leaves the clipboard alone.
// Fails when the clipboard does not hold the text after the last attempt.
// The clipboard holds the one UTF-8 copy of the text and serves it as it is
// asked for (UTF-8, Latin-1, in pieces for large texts).
void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder);

// Empty the clipboard / place plain text on it. Each tries up to
// MaxClipboardAttempts times within about ClipboardPatience, whichever ends
// first. They report nothing; they say whether it worked.
inline constexpr int MaxClipboardAttempts = 1000;
inline constexpr std::chrono::milliseconds ClipboardPatience{1000};
bool ClearClipboard();
bool SetClipboardText(const QByteArray& utf8Text);

// The attempt loop of both: true as soon as an attempt succeeds; false when
// the attempts or the time ran out. The first attempt is always made.
bool retryWithin(std::chrono::milliseconds patience, int maxAttempts, const std::function<bool()>& attempt);

} // namespace olvaris
