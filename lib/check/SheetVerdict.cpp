#include "SheetVerdict.h"

namespace olvaris::check {

using lookup::RowVerdict;

namespace {

using Kind = workbook::Cell::Kind;

bool looksLikeZip(const std::string& shown) {
    return !shown.empty() && shown.find_first_not_of("0123456789- ") == std::string::npos;
}

} // namespace

lookup::RowVerdict judgeCells(const lookup::ZipIndex& index, const workbook::Cell& city, const workbook::Cell& state,
                              const workbook::Cell& zip, bool formulasReadEmpty, lookup::ZipFacts* facts) {
    const workbook::Cell* cells[] = {&city, &state, &zip};
    const char* names[] = {"city", "state", "ZIP"};
    for (size_t i = 0; i < 3; ++i) {
        const workbook::Cell& cell = *cells[i];
        if (cell.kind == Kind::Error)
            return {RowVerdict::Kind::Incomplete,
                    {},
                    std::string("the ") + names[i] + " cell holds the error " + cell.text,
                    {},
                    {}};
        if (cell.kind == Kind::Date)
            return {RowVerdict::Kind::Incomplete,
                    {},
                    std::string("the ") + names[i] + " cell holds a date (" + cell.text + "), not a "
                        + (i == 2 ? "ZIP code" : names[i]),
                    {},
                    {}};
    }
    RowVerdict verdict = lookup::judge(index, city.text, state.text, zip.text, facts);
    if (formulasReadEmpty && verdict.kind == RowVerdict::Kind::Incomplete)
        verdict.note += " (or a formula, whose value an .xls does not give here: save the workbook as .xlsx)";
    if (zip.kind == Kind::Number && looksLikeZip(zip.shown) && zip.shown != zip.text) {
        if (!verdict.note.empty())
            verdict.note += "; ";
        verdict.note += "the sheet shows " + zip.shown + " but stores the number " + zip.text
                        + ", which mail merges and exports write as " + zip.text + ": store the ZIP codes as text";
    }
    return verdict;
}

} // namespace olvaris::check
