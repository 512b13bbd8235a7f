#pragma once
#include <QElapsedTimer>
#include <functional>
#include <vector>

namespace olvaris {

// The yield of long commands: lets pending window events run.
//
// A full event-loop turn costs about a microsecond even when idle, and a
// run yields once per row, so the yield turns the loop only when about a
// frame has passed since the last turn. The first yield of each command
// always turns, and tests switch on exact mode, where every yield turns.
class Yielder {
public:
    static constexpr qint64 FrameNanoseconds = 16'000'000;

    Yielder();

    // Called at the start of every command that yields.
    void startCommand() { m_turnDue = true; }
    // Makes the next yield turn (the first row of a list is shown at once).
    void requestTurn() { m_turnDue = true; }

    // The yield of the command loops: a turn when one is due. The clock is
    // read only every few calls, since a call costs less than reading it.
    void yield() {
        if (m_exact || m_turnDue || --m_untilClock <= 0)
            yieldSlow(FrameNanoseconds);
    }
    // The yield between steps that are far apart (pieces of a file's write,
    // a wait for the disk): the clock is read at every call.
    void yieldByClock() { yieldSlow(FrameNanoseconds); }
    // The yield while the database engine works inside one statement (before
    // a query's first row, or between two rows): time-sliced as yield() is.
    // In exact mode it stays silent, so that turns still count rows, unless
    // a test asks for a turn at every call. Before a query's first row no
    // rows wait to be shown and a turn costs little, so it turns twice a
    // frame there: the engine's longest uninterruptible step (a sort) then
    // fits in the frame with it.
    void engineYield(bool beforeFirstRow) {
        if (m_exact) {
            if (m_engineTurnsEveryCall)
                turn();
            return;
        }
        if (m_turnDue || --m_untilClock <= 0)
            yieldSlow(beforeFirstRow ? FrameNanoseconds / 2 : FrameNanoseconds);
    }

    // Always a full turn: process every pending event, then return.
    void turn();

    void setExact(bool exact) { m_exact = exact; }
    void setEngineTurnsEveryCall(bool on) { m_engineTurnsEveryCall = on; }

    // Runs before every turn (the results list announces its new rows there).
    void addBeforeTurn(std::function<void()> hook) { m_beforeTurn.push_back(std::move(hook)); }
    // Runs between turns, about once a millisecond: work that must not wait
    // a whole frame but is too small to need a turn (a screen reader's
    // questions, each of which it waits for before asking the next).
    void addBetweenTurns(std::function<void()> hook) { m_betweenTurns.push_back(std::move(hook)); }

    // Measurements for the benchmark.
    qint64 turns() const { return m_turns; }
    qint64 longestGapNanoseconds() const { return m_longestGap; }
    void resetMeasurements();
    // Measures from now (a click): the first gap counts from here.
    void measureFromNow();
    // The time since the last turn ended (or since measuring began).
    qint64 sinceLastTurnNanoseconds() const { return m_clock.nsecsElapsed() - m_lastTurnEnd; }

private:
    static constexpr int CallsPerClockRead = 32;
    static constexpr qint64 BetweenTurnsNanoseconds = 1'000'000;
    void yieldSlow(qint64 slice);

    int m_untilClock = CallsPerClockRead;
    bool m_exact = false;
    bool m_engineTurnsEveryCall = false;
    bool m_turnDue = true;
    qint64 m_turns = 0;
    qint64 m_longestGap = 0;
    qint64 m_lastTurnEnd = 0;
    qint64 m_lastHooksNanoseconds = 0;
    qint64 m_lastBetweenTurns = 0;
    QElapsedTimer m_clock;
    std::vector<std::function<void()>> m_beforeTurn;
    std::vector<std::function<void()>> m_betweenTurns;
};

} // namespace olvaris
