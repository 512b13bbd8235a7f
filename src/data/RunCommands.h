#pragma once
#include "RunSurface.h"
#include <functional>
#include <memory>
#include <optional>

namespace olvaris {

class Trap;
class ZipRowSet;

// The search and list-all runs: each streams its query's rows into the
// results list one at a time, yielding before each row, with its button
// reading "Stop" meanwhile. A click on the button reading "Stop" stops the
// run after the row that was due.
//
// A start click while a run is in progress (handled inside that run's
// yield) stops the running run as a stop click would, and the new run
// starts when the running one has ended; two runs never share the list,
// and nothing that runs inside a yield uses the database connection while
// the engine is inside a statement (ZipConnection enforces it).
class RunCommands {
public:
    explicit RunCommands(RunSurface& surface) : m_surface(surface) {}

    void PushButton1_Click();
    void PushButton3_Click();

    bool StopRequested = false;
    QString SavedCaption;

    bool running() const { return m_running.has_value(); }

    static constexpr const char* StopCaption = "Stop";

private:
    class EngineYield;

    // The steps both runs share; each takes the number of its first statement.
    bool stopClicked(Trap& trap, RunButton button, int firstStatement);
    bool deferWhileRunning(RunButton button);
    void beginRun(Trap& trap, RunButton button);
    void streamRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, int firstStatement,
                    const std::function<void(ZipRowSet&)>& open);
    void readRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, int firstStatement);
    void endRun(Trap& trap, RunButton button, int captionStatement);
    void startPending();

    RunSurface& m_surface;
    std::optional<RunButton> m_running;
    std::optional<RunButton> m_pending;
};

// The filter test: only blanks (spaces) count as empty.
bool isBlankFilter(const QString& text);

} // namespace olvaris
