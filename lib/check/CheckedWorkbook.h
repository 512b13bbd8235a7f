#pragma once
#include "CheckedOutput.h"
#include "SheetWriter.h"
#include <memory>
#include <optional>
#include <string>

namespace olvaris::check {

// The checked list as a workbook (.xlsx or .ods): the rows above the header
// and the header as they were, each row's cells as they were and the verdict, the
// suggested ZIP code and the note after them; a row the check corrected is
// filled amber, one a person must look at rose (its verdict says the same
// in words); a second sheet counts the rows by verdict.
class CheckedWorkbook : public CheckedOutput {
public:
    // Written to the file named, which the caller puts in place, as .xlsx or
    // (openDocument) .ods. Throws olvaris::Error when the workbook cannot
    // be begun.
    CheckedWorkbook(const std::string& path, bool openDocument, const std::string& sheetName,
                    const std::string& listName, bool problemsOnly, const std::vector<bool>& hiddenColumns);
    ~CheckedWorkbook() override;
    CheckedWorkbook(const CheckedWorkbook&) = delete;
    CheckedWorkbook& operator=(const CheckedWorkbook&) = delete;
    void above(const ListRow& row) override;
    void header(const ListRow& header) override;
    void row(const ListRow& row, const RowVerdict& verdict) override;
    bool finish(const Tally& tally) override;
    void abandon() override { m_writer.reset(); }
    std::string problem() const override { return m_problem; }

private:
    const std::vector<workbook::Cell>& cellsOf(const ListRow& row);

    std::unique_ptr<workbook::SheetWriter> m_writer;
    std::string m_listName;
    bool m_problemsOnly;
    std::vector<bool> m_hiddenColumns;
    size_t m_headerFields = 0;
    std::vector<workbook::Cell> m_cells; // a text list's fields as cells
    std::string m_problem;
};

} // namespace olvaris::check
