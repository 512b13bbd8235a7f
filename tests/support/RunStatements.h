#pragma once
#include "RunSurface.h"
#include <vector>

namespace olvaris::test {

// What a run reports when its query cannot be opened: the open, the test for
// a first row, then one pass of the row loop's statements that use the row
// set or the row (the row set stays closed, so each fails once). Written out
// as the handlers' step lists number them.
inline std::vector<int> reportsOfAFailedOpen(RunButton run) {
    return run == RunButton::Search ? std::vector<int>{114, 118, 122, 124, 126, 128, 130, 134}
                                    : std::vector<int>{112, 116, 120, 122, 124, 126, 128, 132};
}

} // namespace olvaris::test
