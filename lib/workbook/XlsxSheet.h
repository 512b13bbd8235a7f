#pragma once
#include "CellText.h"
#include "SharedStrings.h"
#include "Sheet.h"
#include "ZipArchive.h"
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olvaris::workbook {

// A sheet of an Office Open XML workbook (.xlsx, .xlsm), its rows streamed
// from the sheet's part; only the shared strings and the number formats are
// held whole.
class XlsxSheet : public Sheet {
public:
    // How the sheet's rows and the shared strings are read: in the form
    // spreadsheets write them straight from the bytes, the general scanner
    // reading whatever is in another; or all by the general scanner, which
    // must give the same cells and refusals.
    enum class Reading { Quick, General };
    // The sheet chosen by name or 1-based number, else the first one not
    // hidden. Throws ziplist::ReadError.
    XlsxSheet(const std::string& path, const std::optional<std::string>& choice, Reading reading = Reading::Quick);
    ~XlsxSheet() override;
    bool readRow() override;

private:
    class Rows;
    double fractionRead() const override;
    struct Style {
        std::string format;
        bool date = false;
    };
    void readStrings(const std::string& part, uint64_t mostStrings, Reading reading);
    void readStyles(const std::string& part);
    void fill(Cell& cell, std::string_view type, int style, std::string_view value) const;

    // Declared before m_rows: the rows' read-ahead thread uses the archive
    // until it is destroyed (see PartReadAhead).
    ZipArchive m_archive;
    SharedStrings m_strings;
    std::vector<Style> m_styles;
    bool m_from1904 = false;
    std::unique_ptr<Rows> m_rows;
};

} // namespace olvaris::workbook
