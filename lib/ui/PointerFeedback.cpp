#include "PointerFeedback.h"
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace olvaris {

PointerFeedback::PointerFeedback(std::function<void()> overButton, std::function<void()> overArea, QObject* parent)
    : QObject(parent), m_overButton(std::move(overButton)), m_overArea(std::move(overArea)) {}

void PointerFeedback::track(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void PointerFeedback::watchButton(QWidget* button) {
    m_buttons.append(button);
    track(button);
}

void PointerFeedback::watchContainer(QWidget* container) {
    m_containers.append(container);
    track(container);
}

void PointerFeedback::watchArea(QWidget* area) {
    m_areas.append(area);
    track(area);
    for (QWidget* part : area->findChildren<QWidget*>()) {
        m_areas.append(part);
        track(part);
    }
}

bool PointerFeedback::eventFilter(QObject* watched, QEvent* event) {
    QPointF position;
    if (event->type() == QEvent::MouseMove)
        position = static_cast<QMouseEvent*>(event)->position();
    else if (event->type() == QEvent::Enter)
        position = static_cast<QEnterEvent*>(event)->position();
    else
        return false;

    if (m_buttons.contains(watched)) {
        m_overButton();
    } else if (m_areas.contains(watched)) {
        m_overArea();
    } else if (m_containers.contains(watched)) {
        // A move that a child passed up to its container is not over the container.
        if (!static_cast<QWidget*>(watched)->childAt(position.toPoint()))
            m_overArea();
    }
    return false;
}

} // namespace olvaris
