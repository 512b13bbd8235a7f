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
//
// Dropping the button's identity has a cost: a client that held the old
// object (a test harness, an accessibility checker) gets "No such object
// path" for it afterwards and must look the button up again. Qt 6.4 offers
// no other way to have a changed caption said.
void setCaptionSaid(QAbstractButton* button, const QString& caption);

// Has a screen reader say a note about what the window did (a run's end and
// its count) with the control it is on, nothing visible changing and focus
// staying: the note leads the control's description, and the control is
// introduced again. Qt 6.4 tells a changed description without its text
// (as it does a caption), so the reader must ask for it, which it does on an
// introduction. The description is put back, unsaid, when focus moves or
// keepNoteBack() is called; untilIntroduced leaves the introduction to a
// caption about to change (setCaptionSaid).
void sayWithControl(QWidget* control, const QString& note, bool introduceNow);
void keepNoteBack();

} // namespace olvaris
