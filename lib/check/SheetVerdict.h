#pragma once
#include "Cell.h"
#include "RowVerdict.h"

namespace olvaris::lookup {
class ZipFacts;
class ZipIndex;
} // namespace olvaris::lookup

namespace olvaris::check {

// The verdict on a sheet's row, which knows more than its text: a city,
// state or ZIP cell holding an error (#N/A) or a date is incomplete, with
// the cell's text; a ZIP stored as a number that the sheet shows with its
// zeros ("00000") is judged by the number it stores, and the note says what
// is shown and what is stored. Where formulas read as empty (.xls), an
// empty cell's note says that it may hold one.
lookup::RowVerdict judgeCells(const lookup::ZipIndex& index, const workbook::Cell& city, const workbook::Cell& state,
                              const workbook::Cell& zip, bool formulasReadEmpty = false,
                              lookup::ZipFacts* facts = nullptr);

} // namespace olvaris::check
