#include "CheckedOutput.h"

namespace olvaris::check {

void applyCorrections(const ListRow& row, const RowVerdict& verdict, AppliedRow& applied) {
    applied.fields = *row.fields;
    if (row.cells)
        applied.cells = *row.cells;
    applied.row = row;
    applied.row.fields = &applied.fields;
    applied.row.cells = row.cells ? &applied.cells : nullptr;
    applied.verdict = verdict;
    bool changed = false;
    for (size_t i = 0; i < 3; ++i) {
        const std::string& text = verdict.corrected[i];
        const int column = row.columns[i];
        if (text.empty() || column < 0 || size_t(column) >= applied.fields.size())
            continue;
        applied.fields[size_t(column)] = text;
        if (size_t(column) < applied.cells.size()) {
            applied.cells[size_t(column)].clear();
            applied.cells[size_t(column)].kind = workbook::Cell::Kind::Text;
            applied.cells[size_t(column)].text = text;
        }
        applied.row.place[i] = applied.fields[size_t(column)];
        applied.row.corrected[i] = true;
        changed = true;
    }
    if (!changed)
        return;
    // What was only a form to correct is corrected; the ZIP suggested was
    // the row's own in its form, now written.
    if (verdict.kind == RowVerdict::Kind::Format && verdict.suggestedZip == verdict.corrected[2].substr(0, 5))
        applied.verdict.kind = RowVerdict::Kind::Ok;
    if (!verdict.corrected[2].empty())
        applied.verdict.suggestedZip.clear();
    applied.verdict.note = "corrected: " + verdict.note;
}

} // namespace olvaris::check
