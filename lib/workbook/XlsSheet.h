#pragma once
#include "Sheet.h"
#include <optional>
#include <string>

namespace olvaris::workbook {

// A sheet of a legacy Excel workbook (.xls, BIFF5 and BIFF8), read with
// FreeXL, which holds the file whole (such a sheet has 65,536 rows at
// most). FreeXL gives neither number formats (a number shown with zeros in
// front is known only by its value) nor formulas' values (a formula's cell
// reads as empty).
class XlsSheet : public Sheet {
public:
    // Throws ziplist::ReadError.
    XlsSheet(const std::string& path, const std::optional<std::string>& choice);
    ~XlsSheet() override;
    XlsSheet(const XlsSheet&) = delete;
    XlsSheet& operator=(const XlsSheet&) = delete;
    bool readRow() override;
    bool formulasReadEmpty() const override { return true; }

private:
    const void* m_handle = nullptr;
    unsigned m_rows = 0;
    unsigned short m_columns = 0;
    unsigned m_next = 0;
};

} // namespace olvaris::workbook
