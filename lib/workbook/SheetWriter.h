#pragma once
#include "Cell.h"
#include <string>
#include <utility>
#include <vector>

namespace olvaris::workbook {

// Writes a checked list as a workbook, a row at a time: the list's sheet,
// each row's cells as they were and the check's columns after them, then a
// sheet of counts. The file named (a temporary one its caller puts in place)
// is written whole by close(); a writer dropped before that leaves it as it
// was made.
class SheetWriter {
public:
    // How a row is marked for a person: a fill, and its text says why.
    enum class Mark { None, Corrected, NeedsLook };

    virtual ~SheetWriter() = default;
    // Before the first row after the title block: which of the list's
    // columns are hidden, and how many the rows have (the check's columns
    // come after them).
    virtual void setColumns(const std::vector<bool>& hidden, size_t columns) = 0;
    // The next row: the list's cells, then the added texts. Throws
    // olvaris::Error (Output) past a sheet's last row or a cell's longest text.
    virtual void row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark, bool hidden) = 0;
    // Marks the row last written as the header: frozen, and filtered down
    // to the last row.
    virtual void headerWritten() = 0;
    virtual void summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts) = 0;
    // Writes the workbook to its file. Throws olvaris::Error (Output).
    virtual void close() = 0;

    // The most rows a sheet holds, and the longest text a cell does.
    static constexpr long MostRows = 1048576;
    static constexpr size_t LongestCellText = 32767;
};

} // namespace olvaris::workbook
