#include "CellText.h"
#include "SheetLimits.h"

namespace olvaris::workbook {

namespace {

// A byte that starts a character counts one unit, or two for one beyond
// the Basic Multilingual Plane (a surrogate pair in UTF-16).
std::size_t utf16Units(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

} // namespace

bool CellText::append(std::string_view piece) {
    const std::size_t units = utf16Units(piece);
    if (m_units + units > LongestCellText)
        return false;
    m_units += units;
    m_text.append(piece);
    return true;
}

bool CellText::append(std::size_t count, char c) {
    if (m_units + count > LongestCellText)
        return false;
    m_units += count;
    m_text.append(count, c);
    return true;
}

} // namespace olvaris::workbook
