#include "RunCommands.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include "app/ErrorReport.h"
#include "app/Locations.h"
#include "app/PointerShape.h"
#include "app/Yielder.h"
#include "results/ResultsList.h"
#include <memory>

namespace olvaris {

namespace {

const QString Stop = QString::fromLatin1(RunCommands::StopCaption);

int requireRow(const std::optional<int>& row) {
    if (!row)
        throw Failure(QStringLiteral("Object variable or With block variable not set"));
    return *row;
}

} // namespace

bool isBlankFilter(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
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

void RunCommands::startPending() {
    if (!m_pending)
        return;
    const RunButton next = *m_pending;
    m_pending.reset();
    next == RunButton::Search ? PushButton1_Click() : PushButton3_Click();
}

// The row loop shared by both runs; the statement numbers start at the yield.
void RunCommands::readRows(Trap& trap, ZipRowSet& rows, int n) {
    ResultsList& list = m_surface.results();
    Yielder& yielder = m_surface.yielder();
    std::optional<int> row;
    do {
        trap.statement(n, [&] { yielder.yield(); });
        row.reset();
        trap.statement(n + 2, [&] { row = list.addUtf8(rows.fieldUtf8(0)); });
        trap.statement(n + 4, [&] { list.setSubItemUtf8(requireRow(row), 1, rows.fieldTextUtf8(1)); });
        trap.statement(n + 6, [&] { list.setSubItemUtf8(requireRow(row), 2, rows.fieldTextUtf8(2)); });
        trap.statement(n + 8, [&] { list.ensureVisible(requireRow(row)); });
        trap.statement(n + 10, [&] { rows.MoveNext(); });
        if (trap.headTest(n + 12, [&] { return StopRequested; }))
            break;
    } while (trap.closingTest(n + 14, [&] { return !StopRequested && !rows.isEOF(); }));
}

void RunCommands::PushButton1_Click() {
    Trap trap = trapFor(location::PushButton1Click, m_surface.platform());
    std::unique_ptr<ZipRowSet> rows;
    trap.statement(100, [&] { rows = std::make_unique<ZipRowSet>(); });
    if (trap.headTest(102, [&] { return m_surface.caption(RunButton::Search) == Stop; })) {
        trap.statement(144, [&] { StopRequested = true; });
        trap.statement(146, [&] { m_surface.setCaption(RunButton::Search, SavedCaption); });
        return;
    }
    if (deferWhileRunning(RunButton::Search))
        return;

    m_running = RunButton::Search;
    m_surface.yielder().startCommand();
    trap.statement(104, [&] { SavedCaption = m_surface.caption(RunButton::Search); });
    trap.statement(106, [&] { m_surface.setCaption(RunButton::Search, Stop); });
    trap.statement(108, [&] { StopRequested = false; });
    if (trap.headTest(110, [&] { return isBlankFilter(m_surface.filterText()); })) {
        trap.statement(140, [&] { m_surface.setMousePointer(pointer::Default); });
    } else {
        trap.statement(112, [&] { m_surface.setMousePointer(pointer::Busy); });
        trap.statement(114, [&] {
            if (!rows)
                throw Failure(QStringLiteral("Object variable or With block variable not set"));
            rows->Open(query::Search, m_surface.zipConnection(), {m_surface.filterText() + QLatin1Char('%')});
        });
        trap.statement(116, [&] { m_surface.results().clear(); });
        if (rows && trap.headTest(118, [&] { return !rows->isEOF(); }))
            readRows(trap, *rows, 120);
        if (rows && trap.headTest(136, [&] { return rows->state() != 0; }))
            trap.statement(136, [&] { rows->Close(); });
        trap.statement(138, [&] { m_surface.setMousePointer(pointer::Default); });
    }
    trap.statement(142, [&] { m_surface.setCaption(RunButton::Search, SavedCaption); });
    m_running.reset();
    startPending();
}

void RunCommands::PushButton3_Click() {
    Trap trap = trapFor(location::PushButton3Click, m_surface.platform());
    std::unique_ptr<ZipRowSet> rows;
    trap.statement(100, [&] { rows = std::make_unique<ZipRowSet>(); });
    if (trap.headTest(102, [&] { return m_surface.caption(RunButton::ListAll) == Stop; })) {
        trap.statement(142, [&] { StopRequested = true; });
        trap.statement(144, [&] { m_surface.setCaption(RunButton::ListAll, SavedCaption); });
        return;
    }
    if (deferWhileRunning(RunButton::ListAll))
        return;

    m_running = RunButton::ListAll;
    m_surface.yielder().startCommand();
    trap.statement(104, [&] { SavedCaption = m_surface.caption(RunButton::ListAll); });
    trap.statement(106, [&] { m_surface.setCaption(RunButton::ListAll, Stop); });
    trap.statement(108, [&] { StopRequested = false; });
    trap.statement(110, [&] { m_surface.setMousePointer(pointer::Busy); });
    trap.statement(112, [&] {
        if (!rows)
            throw Failure(QStringLiteral("Object variable or With block variable not set"));
        rows->Open(query::ListAll, m_surface.zipConnection());
    });
    trap.statement(114, [&] { m_surface.results().clear(); });
    if (rows && trap.headTest(116, [&] { return !rows->isEOF(); }))
        readRows(trap, *rows, 118);
    if (rows && trap.headTest(134, [&] { return rows->state() != 0; }))
        trap.statement(134, [&] { rows->Close(); });
    trap.statement(136, [&] { m_surface.setMousePointer(pointer::Default); });
    trap.statement(138, [&] { StopRequested = true; });
    trap.statement(140, [&] { m_surface.setCaption(RunButton::ListAll, SavedCaption); });
    m_running.reset();
    startPending();
}

} // namespace olvaris
