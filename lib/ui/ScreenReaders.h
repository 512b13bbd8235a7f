#pragma once
#include <QAccessible>
#include <functional>

class QAbstractButton;

namespace olvaris {

// What the window does for a screen reader (or another assistive tool) that
// listens to it while a long command runs.

// Whether one listens: the platform's accessibility bridge is active.
bool screenReaderListening();
// Tests pretend one listens; the offscreen platform has no bridge.
void pretendScreenReaderListens(bool listens);

// Answers the questions a screen reader has sent (the name, role or state of
// a control) without waiting for the next turn of the event loop. A reader
// asks one question at a time and waits for each answer, and while a long
// command runs the loop turns once a frame: twenty questions about one
// event took a third of a second, and the reader held back the keys meant
// for the program until it was done. Called between turns.
void answerScreenReaderCalls();

// Does the work while news of one kind about one object is kept from
// assistive tools; all other news passes on. (It may be nested.)
void withNewsKeptBack(QObject* object, QAccessible::Event kind, const std::function<void()>& work);

// Gives a button a new caption that a screen reader on it says: Qt 6.4 tells
// a changed caption without the text (the button itself stands where the
// text should), which Orca fails on after spending a frame's time asking
// about it, and Orca says a control it is on only once. So while a reader
// listens, that news is kept back, and the focused button is introduced
// again, as if focus had just come to it.
void setCaptionSaid(QAbstractButton* button, const QString& caption);

} // namespace olvaris
