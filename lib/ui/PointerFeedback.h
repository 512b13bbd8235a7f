#pragma once
#include <QList>
#include <QObject>
#include <functional>

class QWidget;

namespace olvaris {

// Watches the pointer over the window: over a command button it asks for
// the hand, over any other area (the window's background, the frames, the
// text boxes, the list) for the default pointer. The window decides; the
// busy pointer is never replaced (see Form1::hoverButton and hoverArea).
class PointerFeedback : public QObject {
    Q_OBJECT
public:
    PointerFeedback(std::function<void()> overButton, std::function<void()> overArea, QObject* parent);

    void watchButton(QWidget* button);
    // An area whose own surface resets the pointer; its children are left to
    // their own handlers (a label inside a frame has none).
    void watchContainer(QWidget* container);
    // An area that resets the pointer wherever on it the mouse is, its parts included.
    void watchArea(QWidget* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void track(QWidget* widget);

    std::function<void()> m_overButton;
    std::function<void()> m_overArea;
    QList<QObject*> m_buttons;
    QList<QObject*> m_containers;
    QList<QObject*> m_areas;
};

} // namespace olvaris
