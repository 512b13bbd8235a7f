#pragma once
#include <cstddef>
#include <string>

namespace olvaris::workbook {

// The largest sheet Excel and Calc make. What a file holds past these is
// refused, not cut short: a list is never read in part without saying so,
// and a small file cannot make a huge one.
constexpr long MostRows = 1048576;
constexpr std::size_t MostColumns = 16384;
// A cell's text, in UTF-16 units as the spreadsheets count it.
constexpr std::size_t LongestCellText = 32767;

// "D2" for column 3 (0-based) of row 2, as a spreadsheet names the cell.
inline std::string cellName(std::size_t column, long row) {
    std::string letters;
    for (std::size_t left = column + 1; left > 0; left = (left - 1) / 26)
        letters.insert(letters.begin(), char('A' + (left - 1) % 26));
    return letters + std::to_string(row);
}

} // namespace olvaris::workbook
