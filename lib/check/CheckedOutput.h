#pragma once
#include "Cell.h"
#include "RecordReader.h"
#include "RowVerdict.h"
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::check {

// A row's verdict is the lookup rules'; the check and its callers speak of it by these names.
using lookup::hasProblem;
using lookup::RowVerdict;
using lookup::verdictWord;

// The check stopped on request before its end.
struct CheckStopped {};

// The counts a check's summary gives.
struct Tally {
    long rows = 0;
    std::array<long, size_t(RowVerdict::Kind::NoAddress) + 1> kinds{};
    long of(RowVerdict::Kind kind) const { return kinds[size_t(kind)]; }
};

// A text list's record as it was read, for a copy of the list that writes
// it back: its text (UTF-8 where the file is UTF-16), with its line end.
struct RecordAsRead {
    std::string_view text;
    size_t contentEnd = 0; // where the line end begins
    const std::vector<ziplist::FieldSpan>* spans = nullptr;
};

// A list's row as the check reads it: its fields as text, and where it came
// from a sheet, its cells; from a text list, its record as read.
struct ListRow {
    long number = 0; // among the checked rows, from 1
    long line = 0;   // the text's line or the sheet's row
    const std::vector<std::string>* fields = nullptr;
    const std::vector<workbook::Cell>* cells = nullptr;
    bool hidden = false;
    std::array<std::string_view, 3> place;
    // The columns of the city, state and ZIP (-1: not a column of their own).
    std::array<int, 3> columns{-1, -1, -1};
    const RecordAsRead* record = nullptr;
    // Which of the city, state and ZIP fields a correction has changed.
    std::array<bool, 3> corrected{};
};

// A row with the check's certain corrections made in its own fields (and
// cells), and the verdict then on what remains: a row corrected in full is
// ok, its note saying what was corrected.
struct AppliedRow {
    std::vector<std::string> fields;
    std::vector<workbook::Cell> cells;
    ListRow row;
    RowVerdict verdict;
};
void applyCorrections(const ListRow& row, const RowVerdict& verdict, AppliedRow& applied);

// Where the checked list goes.
class CheckedOutput {
public:
    virtual ~CheckedOutput() = default;
    // A row above the header (a sheet's title), kept where the form can.
    virtual void above(const ListRow&) {}
    // A record of a text list that is no row (a blank line): written back
    // where the output is the list itself.
    virtual void passed(const RecordAsRead&) {}
    virtual void header(const ListRow& header) = 0;
    virtual void row(const ListRow& row, const RowVerdict& verdict) = 0;
    // Ends the output; false when it could not be written (what is wrong is
    // in problem()).
    virtual bool finish(const Tally& tally) = 0;
    // The check stopped: what was written so far stays where it can be
    // seen (a stream), or is taken back (a file).
    virtual void abandon() = 0;
    virtual std::string problem() const { return "the rows could not be written"; }
};

} // namespace olvaris::check
