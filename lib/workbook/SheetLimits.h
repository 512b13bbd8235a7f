#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace olvaris::workbook {

// The largest sheet Excel and Calc make. What a file holds past these is
// refused, not cut short: a list is never read in part without saying so,
// and a small file cannot make a huge one.
constexpr long MostRows = 1048576;
constexpr std::size_t MostColumns = 16384;
// A cell's text, in UTF-16 units as the spreadsheets count it.
constexpr std::size_t LongestCellText = 32767;
// What a sheet gives in all, each field's text and one for its place: no
// more than the largest part read here could spell out, however the sheet
// repeats its rows and cells or shares its strings.
constexpr std::uint64_t MostTextGiven = 2 * std::uint64_t(1024 * 1024 * 1024);

// What a workbook too big for the memory there is is refused with.
constexpr const char* OutOfMemory = "out of memory reading the workbook";

// "D" for column 3 (0-based), as a spreadsheet names the column.
inline std::string columnName(std::size_t column) {
    std::string letters;
    for (std::size_t left = column + 1; left > 0; left = (left - 1) / 26)
        letters.insert(letters.begin(), char('A' + (left - 1) % 26));
    return letters;
}

// "D2" for column 3 of row 2.
inline std::string cellName(std::size_t column, long row) { return columnName(column) + std::to_string(row); }

} // namespace olvaris::workbook
