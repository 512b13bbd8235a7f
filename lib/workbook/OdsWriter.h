#pragma once
#include "SheetWriter.h"
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace olvaris::workbook {

// A checked list as an OpenDocument spreadsheet (.ods), what LibreOffice
// Calc saves in: the same cells, fills and Summary sheet as the .xlsx. The
// sheet's XML goes to an unnamed temporary file a row at a time, so a long
// list takes no more memory than a short one; close() writes the zip
// archive to the path (mimetype first and stored, as the format requires).
class OdsWriter : public SheetWriter {
public:
    // Throws olvaris::Error (Output) when no temporary file can be made.
    OdsWriter(const std::string& path, const std::string& sheetName);
    ~OdsWriter() override;
    OdsWriter(const OdsWriter&) = delete;
    OdsWriter& operator=(const OdsWriter&) = delete;

    void setColumns(const std::vector<bool>& hidden, size_t columns) override;
    void row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark, bool hidden) override;
    void headerWritten() override { m_header = m_row - 1; }
    void summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts) override;
    void close() override;

private:
    void write(const std::string& text);
    std::string styleFor(const Cell& cell, Mark mark);

    std::string m_path, m_sheetName;
    std::FILE* m_content = nullptr;
    std::string m_waiting; // rows written before the columns are known
    bool m_columnsWritten = false;
    std::map<std::pair<std::string, Mark>, std::string> m_styles; // by date or digits format and mark
    long m_row = 0;
    long m_header = -1;
    size_t m_columns = 0, m_widest = 0;
};

} // namespace olvaris::workbook
