#pragma once
#include "Cell.h"
#include "FieldSource.h"
#include <cstdint>
#include <string>
#include <vector>

namespace olvaris::workbook {

// One sheet of a workbook, a row at a time. Rows and cells the file leaves
// out are there as empty ones, so a cell's place in the row is its column
// (A is 0). Hidden rows and columns are read like any other: a filter that
// hides rows does not take them out of the list, and a hidden column is
// still the table's.
class Sheet : public ziplist::FieldSource {
public:
    // The next row, or false at the end. Throws ziplist::ReadError, for a
    // workbook too big for the memory there is too.
    bool next() final;
    const std::vector<std::string>& fields() const override { return m_fields; }
    long recordLine() const override { return m_row; }
    const std::vector<Cell>& cells() const { return m_cells; }
    const std::string& name() const { return m_name; }
    // The names of the workbook's sheets, where the format lists them
    // before the rows (.xlsx, .xls); else empty.
    const std::vector<std::string>& sheetNames() const { return m_sheetNames; }
    // Whether the row last read, or a column, is hidden.
    bool rowHidden() const { return m_rowHidden; }
    bool columnHidden(size_t column) const { return column < m_hiddenColumns.size() && m_hiddenColumns[column]; }
    // Whether a cell that holds a formula reads as empty here (the .xls
    // reader gets no formula's value).
    virtual bool formulasReadEmpty() const { return false; }
    // How much of the sheet has been read, from 0 to 1; below 0 where that
    // cannot be told.
    virtual double fractionRead() const { return -1; }

protected:
    virtual bool readRow() = 0;
    // Makes the fields from the cells, once a row is read, for a row that
    // comes `times` times over. Throws ziplist::ReadError once the sheet
    // has given more than MostTextGiven.
    void settle(long times = 1);

    std::vector<Cell> m_cells;
    std::vector<std::string> m_fields;
    long m_row = 0; // 1-based, as the sheet numbers it
    bool m_rowHidden = false;
    std::vector<bool> m_hiddenColumns;
    std::string m_name;
    std::vector<std::string> m_sheetNames;

private:
    uint64_t m_given = 0;
};

} // namespace olvaris::workbook
