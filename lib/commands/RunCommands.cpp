#include "RunCommands.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include "ErrorReport.h"
#include "Locations.h"
#include "PointerShape.h"
#include "Required.h"
#include "WorkUnderWay.h"
#include "Yielder.h"
#include "ResultsList.h"

namespace olvaris {

namespace {
const QString Stop = QString::fromLatin1(RunCommands::StopCaption);
} // namespace

// A click on the button reading "Stop": the running run ends after the row
// that was due.
bool RunCommands::stopClicked(Trap& trap, RunButton button, const RunSteps& steps) {
    if (!trap.headTest(102, [&] { return m_surface.caption(button) == Stop; }))
        return false;
    trap.statement(steps.stopRequested, [&] { StopRequested = true; });
    trap.statement(steps.stopCaption, [&] { m_surface.setCaption(button, SavedCaption); });
    return true;
}

// A start click during a run: stop the run as a stop click would, and start
// this one when it has ended.
bool RunCommands::deferWhileRunning(RunButton button) {
    if (!m_running)
        return false;
    StopRequested = true;
    m_surface.setCaption(*m_running, SavedCaption);
    m_pending = button;
    return true;
}

void RunCommands::beginRun(Trap& trap, RunButton button) {
    m_running = button;
    m_surface.yielder().startCommand();
    trap.statement(104, [&] { SavedCaption = m_surface.caption(button); });
    trap.statement(106, [&] { m_surface.setCaption(button, Stop); });
    trap.statement(108, [&] { StopRequested = false; });
}

// While the engine works inside a statement (before the first row, between
// rows) the window's events go on, and a stop interrupts the engine at once.
class RunCommands::EngineYield {
public:
    explicit EngineYield(RunCommands& runs) : m_connection(runs.m_surface.zipConnection()) {
        // Within a statement the handler that runs is the statement's own.
        if (m_connection && m_connection->inStatement())
            m_connection = nullptr;
        if (m_connection)
            m_connection->setProgressHandler([this, &runs] {
                runs.m_surface.yielder().engineYield(opening);
                return runs.StopRequested;
            });
    }
    ~EngineYield() {
        if (m_connection)
            m_connection->setProgressHandler({});
    }
    EngineYield(const EngineYield&) = delete;
    EngineYield& operator=(const EngineYield&) = delete;

    // Whether the engine is looking for the query's first row.
    bool opening = false;

private:
    ZipConnection* m_connection;
};

// Opens the query, empties the list and streams the rows into it, then
// closes the row set and restores the pointer.
void RunCommands::streamRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, const RunSteps& steps,
                             const std::function<void(ZipRowSet&)>& open) {
    EngineYield engineYield(*this);
    engineYield.opening = true;
    trap.statement(steps.open, [&] { open(required(rows)); });
    engineYield.opening = false;
    // Stopped before its first row: the list keeps what it held, since a run
    // discards it only once its query has been opened.
    if (!(rows && rows->stopped())) {
        trap.statement(steps.clear, [&] { m_surface.results().clear(); });
        if (trap.headTest(steps.anyRow, [&] { return !required(rows).isEOF(); }))
            readRows(trap, rows, steps);
    }
    if (trap.headTest(steps.close, [&] { return required(rows).state() != 0; }))
        trap.statement(steps.close, [&] { required(rows).Close(); });
    trap.statement(steps.defaultPointer, [&] { m_surface.setMousePointer(pointer::Default); });
}

// The row loop.
void RunCommands::readRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, const RunSteps& steps) {
    ResultsList& list = m_surface.results();
    Yielder& yielder = m_surface.yielder();
    std::optional<int> row;
    do {
        trap.statement(steps.yield, [&] { yielder.yield(); });
        // A failed add must not leave the row added before it to be written.
        row.reset();
        trap.statement(steps.addRow, [&] {
            try {
                row = list.addUtf8(required(rows).fieldUtf8(0));
            } catch (const std::bad_alloc&) {
                // The list cannot grow: the run ends after this row, as after
                // a stop, rather than failing again on every row to come.
                StopRequested = true;
                throw;
            }
        });
        trap.statement(steps.setState, [&] { list.setSubItemUtf8(required(row), 1, required(rows).fieldTextUtf8(1)); });
        trap.statement(steps.setZip, [&] { list.setSubItemUtf8(required(row), 2, required(rows).fieldTextUtf8(2)); });
        trap.statement(steps.makeVisible, [&] { list.ensureVisible(required(row)); });
        trap.statement(steps.moveNext, [&] { required(rows).MoveNext(); });
        if (trap.headTest(steps.stopTest, [&] { return StopRequested; }))
            break;
    } while (trap.closingTest(steps.loopTest, [&] { return !StopRequested && !required(rows).isEOF(); }));
}

void RunCommands::endRun(Trap& trap, RunButton button, const RunSteps& steps) {
    // Said with the caption that comes back.
    m_surface.sayRunEnded(m_surface.results().count());
    trap.statement(steps.restoreCaption, [&] { m_surface.setCaption(button, SavedCaption); });
    m_running.reset();
    startPending();
}

void RunCommands::startPending() {
    if (!m_pending)
        return;
    const RunButton next = *m_pending;
    m_pending.reset();
    next == RunButton::Search ? PushButton1_Click() : PushButton3_Click();
}

void RunCommands::PushButton1_Click() {
    Trap trap = trapFor(location::PushButton1Click, m_surface.platform());
    std::unique_ptr<ZipRowSet> rows;
    trap.statement(100, [&] { rows = std::make_unique<ZipRowSet>(); });
    if (stopClicked(trap, RunButton::Search, SearchSteps) || deferWhileRunning(RunButton::Search))
        return;
    const WorkUnderWay::Hold underWay = m_surface.work().hold();
    beginRun(trap, RunButton::Search);
    if (trap.headTest(110, [&] { return query::isBlankFilter(m_surface.filterText()); })) {
        trap.statement(140, [&] { m_surface.setMousePointer(pointer::Default); });
    } else {
        trap.statement(112, [&] { m_surface.setMousePointer(pointer::Busy); });
        streamRows(trap, rows, SearchSteps, [&](ZipRowSet& set) {
            const QString pattern = m_surface.filterText() + QLatin1Char('%');
            set.Open(query::searchFor(pattern), m_surface.zipConnection(), {pattern});
        });
    }
    endRun(trap, RunButton::Search, SearchSteps);
}

void RunCommands::PushButton3_Click() {
    Trap trap = trapFor(location::PushButton3Click, m_surface.platform());
    std::unique_ptr<ZipRowSet> rows;
    trap.statement(100, [&] { rows = std::make_unique<ZipRowSet>(); });
    if (stopClicked(trap, RunButton::ListAll, ListAllSteps) || deferWhileRunning(RunButton::ListAll))
        return;
    const WorkUnderWay::Hold underWay = m_surface.work().hold();
    beginRun(trap, RunButton::ListAll);
    trap.statement(110, [&] { m_surface.setMousePointer(pointer::Busy); });
    streamRows(trap, rows, ListAllSteps, [&](ZipRowSet& set) { set.Open(query::ListAll, m_surface.zipConnection()); });
    trap.statement(138, [&] { StopRequested = true; });
    endRun(trap, RunButton::ListAll, ListAllSteps);
}

} // namespace olvaris
