#pragma once
#include "Cell.h"
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace workbook {

// Writes a checked list as an .xlsx workbook with libxlsxwriter, a row at a
// time in its constant-memory mode: the list's sheet, each row's cells as
// they were (text as text, numbers and dates with their formats) and the
// check's columns after them, then a sheet of counts. The file is written
// whole by close(); a writer dropped before that leaves no file.
class WorkbookWriter {
public:
    // How a row is marked for a person: a fill, and its text says why.
    enum class Mark { None, Corrected, NeedsLook };

    // Throws std::runtime_error when the workbook cannot be begun.
    WorkbookWriter(const std::string& path, const std::string& sheetName);
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    // Before the first row: which of the list's columns are hidden, and how
    // many the rows have (the check's columns come after them).
    void setColumns(const std::vector<bool>& hidden, size_t columns);
    // The next row: the list's cells, then the added texts. Throws
    // std::runtime_error past a sheet's last row or a cell's longest text.
    void row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark, bool hidden);
    // Marks the row last written as the header: frozen, and filtered down
    // to the last row.
    void headerWritten();
    void summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts);
    // Writes the workbook to its file. Throws std::runtime_error.
    void close();

    // The most rows a sheet holds.
    static constexpr long MostRows = 1048576;

private:
    lxw_format* newFormat();
    lxw_format* formatFor(const std::string& code, Mark mark);
    void check(int error, const char* what) const;

    std::string m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_worksheet* m_summary = nullptr;
    std::map<std::pair<std::string, Mark>, lxw_format*> m_formats;
    long m_row = 0;
    long m_header = -1;
    size_t m_columns = 0;
    uint64_t m_textBytes = 0; // of the cells' texts written to the list's sheet
    bool m_closed = false;
};

} // namespace workbook
