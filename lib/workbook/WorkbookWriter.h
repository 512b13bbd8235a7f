#pragma once
#include "Cell.h"
#include "SheetWriter.h"
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;
using lxw_row_t = uint32_t;
using lxw_col_t = uint16_t;

namespace olvaris::workbook {

// A checked list as an .xlsx workbook, with libxlsxwriter in its
// constant-memory mode (see SheetWriter): text as text, numbers and dates
// with their formats, errors as errors. The file is written whole by
// close(); a writer dropped before that leaves no file.
class WorkbookWriter : public SheetWriter {
public:
    // Throws olvaris::Error (Output) when the workbook cannot be begun.
    WorkbookWriter(const std::string& path, const std::string& sheetName);
    ~WorkbookWriter() override;
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    void setColumns(const std::vector<bool>& hidden, size_t columns) override;
    void row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark, bool hidden) override;
    void headerWritten() override;
    void summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts) override;
    void close() override;

private:
    lxw_format* newFormat();
    lxw_format* formatFor(const std::string& code, Mark mark);
    void check(int error, const char* what) const;
    void writeCell(lxw_row_t at, lxw_col_t column, const Cell& cell, Mark mark);
    void writeText(lxw_row_t at, lxw_col_t column, const std::string& value, lxw_format* format);
    void writeNumber(lxw_row_t at, lxw_col_t column, double number, lxw_format* format);
    void putNumbersRight();

    std::string m_path;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_worksheet* m_summary = nullptr;
    std::map<std::pair<std::string, Mark>, lxw_format*> m_formats;
    long m_row = 0;
    long m_header = -1;
    size_t m_columns = 0;
    uint64_t m_textBytes = 0; // of the cells' texts written to the list's sheet
    // The cells whose numbers libxlsxwriter writes a digit short, put right
    // in the written sheet by close().
    struct ShortNumber {
        lxw_row_t row;
        lxw_col_t column;
        double number;
    };
    std::vector<ShortNumber> m_shortNumbers;
    bool m_closed = false;
};

} // namespace olvaris::workbook
