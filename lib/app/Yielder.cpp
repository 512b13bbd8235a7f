#include "Yielder.h"
#include <QCoreApplication>
#include <algorithm>

namespace olvaris {

Yielder::Yielder() { m_clock.start(); }

// The work a turn does before the events (announcing rows, scrolling) is
// part of the gap the user sees, and grows with the list: the turn starts
// that much earlier, so the gap stays near the slice.
void Yielder::yieldSlow(qint64 slice) {
    m_untilClock = CallsPerClockRead;
    const qint64 due = std::max(slice / 2, slice - m_lastHooksNanoseconds);
    const qint64 now = m_clock.nsecsElapsed();
    if (m_exact || m_turnDue || now - m_lastTurnEnd >= due) {
        turn();
        return;
    }
    if (now - m_lastBetweenTurns >= BetweenTurnsNanoseconds) {
        m_lastBetweenTurns = now;
        for (const auto& hook : m_betweenTurns)
            hook();
    }
}

void Yielder::turn() {
    m_turnDue = false;
    const qint64 hooksStart = m_clock.nsecsElapsed();
    for (const auto& hook : m_beforeTurn)
        hook();
    // The gap runs until the events are processed: the hooks count as work.
    const qint64 start = m_clock.nsecsElapsed();
    m_lastHooksNanoseconds = start - hooksStart;
    if (m_lastTurnEnd > 0 && start - m_lastTurnEnd > m_longestGap)
        m_longestGap = start - m_lastTurnEnd;
    ++m_turns;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastTurnEnd = m_clock.nsecsElapsed();
}

void Yielder::measureFromNow() {
    resetMeasurements();
    m_lastTurnEnd = m_clock.nsecsElapsed();
}

void Yielder::resetMeasurements() {
    m_turns = 0;
    m_longestGap = 0;
    m_lastTurnEnd = 0;
}

} // namespace olvaris
