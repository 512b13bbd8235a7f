#pragma once
#include "RunSurface.h"
#include <functional>
#include <memory>
#include <optional>

namespace olvaris {

class Trap;
class ZipRowSet;

// The numbers of the statements the two runs share, each run its own: the
// steps of a stop click, of streaming the rows and of ending the run.
struct RunSteps {
    int stopRequested, stopCaption;                             // a click on "Stop"
    int open, clear, anyRow;                                    // the query
    int yield, addRow, setState, setZip, makeVisible, moveNext; // each row
    int stopTest, loopTest;                                     // the loop's two tests
    int close, defaultPointer, restoreCaption;                  // the end
};

// clang-format off: a table, read across
inline constexpr RunSteps SearchSteps{.stopRequested = 144,
                                      .stopCaption = 146,
                                      .open = 114,
                                      .clear = 116,
                                      .anyRow = 118,
                                      .yield = 120,
                                      .addRow = 122,
                                      .setState = 124,
                                      .setZip = 126,
                                      .makeVisible = 128,
                                      .moveNext = 130,
                                      .stopTest = 132,
                                      .loopTest = 134,
                                      .close = 136,
                                      .defaultPointer = 138,
                                      .restoreCaption = 142};
inline constexpr RunSteps ListAllSteps{.stopRequested = 142,
                                       .stopCaption = 144,
                                       .open = 112,
                                       .clear = 114,
                                       .anyRow = 116,
                                       .yield = 118,
                                       .addRow = 120,
                                       .setState = 122,
                                       .setZip = 124,
                                       .makeVisible = 126,
                                       .moveNext = 128,
                                       .stopTest = 130,
                                       .loopTest = 132,
                                       .close = 134,
                                       .defaultPointer = 136,
                                       .restoreCaption = 140};
// clang-format on

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

    // The steps both runs share, numbered by the run's own table.
    bool stopClicked(Trap& trap, RunButton button, const RunSteps& steps);
    bool deferWhileRunning(RunButton button);
    void beginRun(Trap& trap, RunButton button);
    void streamRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, const RunSteps& steps,
                    const std::function<void(ZipRowSet&)>& open);
    void readRows(Trap& trap, std::unique_ptr<ZipRowSet>& rows, const RunSteps& steps);
    void endRun(Trap& trap, RunButton button, const RunSteps& steps);
    void startPending();

    RunSurface& m_surface;
    std::optional<RunButton> m_running;
    std::optional<RunButton> m_pending;
};

} // namespace olvaris
