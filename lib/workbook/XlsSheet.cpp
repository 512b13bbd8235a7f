#include "XlsSheet.h"
#include "NumberFormat.h"
#include "ReadError.h"
#include "SheetChoice.h"
#include <freexl.h>
#include <vector>

namespace olvaris::workbook {

using ziplist::ReadError;

XlsSheet::XlsSheet(const std::string& path, const std::optional<std::string>& choice) {
    const int opened = freexl_open(path.c_str(), &m_handle);
    if (opened != FREEXL_OK) {
        freexl_close(m_handle);
        m_handle = nullptr;
        if (opened == FREEXL_BIFF_WORKBOOK_NOT_FOUND)
            throw ReadError(0, "an Office file with no workbook in it (a Word or PowerPoint 97 document?)");
        throw ReadError(0, "the workbook is damaged (FreeXL error " + std::to_string(opened) + ")");
    }
    unsigned info = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(m_handle);
        m_handle = nullptr;
        throw ReadError(0, "the workbook is encrypted: save a copy without a password");
    }
    unsigned count = 0;
    freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count);
    std::vector<SheetEntry> sheets;
    for (unsigned i = 0; i < count && i <= 0xFFFF; ++i) {
        const char* name = nullptr;
        freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name);
        sheets.push_back({name != nullptr ? name : "", std::to_string(i), false});
    }
    try {
        const SheetEntry& chosen = chooseSheet(sheets, choice);
        m_name = chosen.name;
        for (const SheetEntry& sheet : sheets)
            m_sheetNames.push_back(sheet.name);
        freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(std::stoi(chosen.id)));
        freexl_worksheet_dimensions(m_handle, &m_rows, &m_columns);
    } catch (...) {
        freexl_close(m_handle);
        m_handle = nullptr;
        throw;
    }
}

XlsSheet::~XlsSheet() {
    if (m_handle != nullptr)
        freexl_close(m_handle);
}

bool XlsSheet::readRow() {
    m_cells.clear();
    while (m_next < m_rows) {
        const unsigned row = m_next++;
        m_cells.assign(m_columns, Cell());
        size_t used = 0;
        for (unsigned short column = 0; column < m_columns; ++column) {
            FreeXL_CellValue value{};
            if (freexl_get_cell_value(m_handle, row, column, &value) != FREEXL_OK)
                continue;
            Cell& cell = m_cells[column];
            switch (value.type) {
            case FREEXL_CELL_INT:
                cell.kind = Cell::Kind::Number;
                cell.number = value.value.int_value;
                cell.text = numberText(cell.number);
                break;
            case FREEXL_CELL_DOUBLE:
                cell.kind = Cell::Kind::Number;
                cell.number = value.value.double_value;
                cell.text = numberText(cell.number);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                cell.kind = Cell::Kind::Text;
                cell.text = value.value.text_value != nullptr ? value.value.text_value : "";
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
                cell.kind = Cell::Kind::Date;
                cell.text = value.value.text_value != nullptr ? value.value.text_value : "";
                cell.number = daySerial(cell.text);
                cell.text = cell.text.substr(0, cell.text.find(' '));
                cell.format = value.type == FREEXL_CELL_DATETIME ? "yyyy-mm-dd hh:mm:ss" : "yyyy-mm-dd";
                break;
            case FREEXL_CELL_TIME:
                cell.kind = Cell::Kind::Text;
                cell.text = value.value.text_value != nullptr ? value.value.text_value : "";
                break;
            default:
                continue;
            }
            used = size_t(column) + 1;
        }
        if (used == 0)
            continue; // nothing in it
        m_cells.resize(used);
        m_row = long(row) + 1;
        settle();
        return true;
    }
    m_fields.clear();
    return false;
}

} // namespace olvaris::workbook
