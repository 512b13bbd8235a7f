#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace olvaris::workbook {

// A cell's text as a reader gathers it, counted as it grows (in UTF-16
// units, as the spreadsheets count), so a cell longer than any spreadsheet
// writes is found out at the piece that makes it so, before it takes more
// memory than a cell can.
class CellText {
public:
    // False, and the text left as it was, where the piece would make it
    // longer than LongestCellText.
    [[nodiscard]] bool append(std::string_view piece);
    [[nodiscard]] bool append(std::size_t count, char c);
    void clear() {
        m_text.clear();
        m_units = 0;
    }
    bool empty() const { return m_text.empty(); }
    std::string& text() { return m_text; }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
    std::size_t m_units = 0;
};

} // namespace olvaris::workbook
