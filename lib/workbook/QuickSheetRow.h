#pragma once
#include "QuickXml.h"
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::workbook {

// One row of a sheet's part read straight from its bytes, in the form
// spreadsheets write it: <row r="2" ...><c r="A2" s="1" t="s"><v>0</v></c>
// ...</row>, a cell's value in <v> or, an inline string's, in <is><t>, a
// formula's text passed over. The row is only read here, not used: a row
// with anything else in it (a rich text, an element of an extension, a
// prefix, a comment) is left whole to the general scanner.
class QuickSheetRow {
public:
    // Attributes as written, data() null where the tag has none.
    struct Cell {
        std::string_view reference, style, type;
        std::string_view text; // in the bytes, where it has no reference
        std::size_t resolvedAt = std::string::npos, resolvedSize = 0;
    };

    // The row the bytes begin with (after text between rows), once whole.
    Quick scan(std::string_view bytes);
    // What the row took of the bytes, text before it and all.
    std::size_t used() const { return m_used; }
    std::string_view number() const { return m_attributes[0].value; }
    std::string_view hidden() const { return m_attributes[1].value; }
    const std::vector<Cell>& cells() const { return m_cells; }
    // A cell's value as the scanner gives it.
    std::string_view text(const Cell& cell) const {
        return cell.resolvedAt == std::string::npos
                   ? cell.text
                   : std::string_view(m_resolved).substr(cell.resolvedAt, cell.resolvedSize);
    }

private:
    bool scanCell(QuickXml& xml);
    // A value's text and the end tag after it.
    template <std::size_t N>
    bool endedText(QuickXml& xml, Cell& cell, const char (&end)[N]);

    QuickXml::Wanted m_attributes[2] = {{"r", {}}, {"hidden", {}}};
    QuickXml::Wanted m_cellAttributes[3] = {{"r", {}}, {"s", {}}, {"t", {}}};
    std::vector<Cell> m_cells;
    std::string m_resolved;
    std::size_t m_used = 0;
};

} // namespace olvaris::workbook
