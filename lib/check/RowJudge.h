#pragma once
#include "CheckedOutput.h"
#include <array>

namespace olvaris::check {

// Where a row's verdict comes from: the rules (Judges), or a check already
// made of the same list (RecordedVerdicts), so a save writes what was shown.
class RowJudge {
public:
    virtual ~RowJudge() = default;
    // The verdict on a row's city, state and ZIP cells.
    virtual RowVerdict verdictOn(const std::array<workbook::Cell, 3>& place, bool formulasReadEmpty) = 0;
    // The list's last row has been judged; throws olvaris::Error where the
    // rows were not the ones expected.
    virtual void rowsEnded() {}
};

} // namespace olvaris::check
