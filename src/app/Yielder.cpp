#include "Yielder.h"
#include <QCoreApplication>

namespace olvaris {

Yielder::Yielder() { m_clock.start(); }

void Yielder::yieldSlow(qint64 slice) {
    m_untilClock = CallsPerClockRead;
    if (m_exact || m_turnDue || m_clock.nsecsElapsed() - m_lastTurnEnd >= slice)
        turn();
}

void Yielder::turn() {
    m_turnDue = false;
    for (const auto& hook : m_beforeTurn)
        hook();
    // The gap runs until the events are processed: the hooks count as work.
    const qint64 start = m_clock.nsecsElapsed();
    if (m_lastTurnEnd > 0 && start - m_lastTurnEnd > m_longestGap)
        m_longestGap = start - m_lastTurnEnd;
    ++m_turns;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastTurnEnd = m_clock.nsecsElapsed();
}

void Yielder::resetMeasurements() {
    m_turns = 0;
    m_longestGap = 0;
    m_lastTurnEnd = 0;
}

} // namespace olvaris
