#pragma once
// What an .xlsx sheet gives, read quickly or all by the general scanner, as
// a list: a line for each row (its number, hidden or not, and each cell's
// kind, text, number, shown text and format), the hidden columns, and a
// refusal's line and message where it is refused. The two readings must
// give the same list for the same bytes. Header-only and of the workbook
// library alone, for the tests and the fuzzer.
#include "ReadError.h"
#include "XlsxSheet.h"
#include <cstdio>
#include <string>
#include <vector>

namespace olvaris::test {

inline std::vector<std::string> sheetRows(const std::string& path, workbook::XlsxSheet::Reading reading) {
    std::vector<std::string> rows;
    try {
        workbook::XlsxSheet sheet(path, std::nullopt, reading);
        while (sheet.next()) {
            std::string row = std::to_string(sheet.recordLine()) + (sheet.rowHidden() ? " hidden" : "");
            for (const workbook::Cell& cell : sheet.cells()) {
                char number[32];
                std::snprintf(number, sizeof number, "%.17g", cell.number);
                row += " | " + std::to_string(int(cell.kind)) + " \"" + cell.text + "\" " + number + " \"" + cell.shown
                       + "\" \"" + cell.format + "\"";
            }
            rows.push_back(row);
            if (sheet.fields().size() != sheet.cells().size())
                rows.emplace_back("fields and cells differ");
        }
        std::string hidden = "hidden columns:";
        for (size_t column = 0; column < 16384; ++column)
            if (sheet.columnHidden(column))
                hidden += " " + std::to_string(column);
        rows.push_back(hidden);
    } catch (const ziplist::ReadError& error) {
        rows.push_back("refused at " + std::to_string(error.line()) + ": " + error.what());
    }
    return rows;
}

} // namespace olvaris::test
