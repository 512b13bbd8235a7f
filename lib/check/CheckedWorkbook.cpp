#include "CheckedWorkbook.h"
#include "Error.h"
#include "OdsWriter.h"
#include "WorkbookWriter.h"
#include <stdexcept>

namespace olvaris::check {

using WorkbookWriter = workbook::SheetWriter;
using Kind = RowVerdict::Kind;

CheckedWorkbook::CheckedWorkbook(const std::string& path, bool openDocument, const std::string& sheetName,
                                 const std::string& listName, bool problemsOnly, const std::vector<bool>& hiddenColumns)
    : m_listName(listName), m_problemsOnly(problemsOnly), m_hiddenColumns(hiddenColumns) {
    if (openDocument)
        m_writer = std::make_unique<workbook::OdsWriter>(path, sheetName);
    else
        m_writer = std::make_unique<workbook::WorkbookWriter>(path, sheetName);
}

CheckedWorkbook::~CheckedWorkbook() = default;

const std::vector<workbook::Cell>& CheckedWorkbook::cellsOf(const ListRow& row) {
    if (row.cells != nullptr)
        return *row.cells;
    m_cells.resize(row.fields->size());
    for (size_t i = 0; i < m_cells.size(); ++i) {
        m_cells[i].clear();
        m_cells[i].kind = workbook::Cell::Kind::Text;
        m_cells[i].text = (*row.fields)[i];
    }
    return m_cells;
}

void CheckedWorkbook::above(const ListRow& row) {
    m_writer->row(cellsOf(row), {}, WorkbookWriter::Mark::None, row.hidden);
}

void CheckedWorkbook::header(const ListRow& header) {
    m_headerFields = header.fields->size();
    m_writer->setColumns(m_hiddenColumns, m_headerFields);
    m_writer->row(cellsOf(header), {"verdict", "suggested_zip", "note"}, WorkbookWriter::Mark::None, false);
    m_writer->headerWritten();
}

void CheckedWorkbook::row(const ListRow& row, const RowVerdict& verdict) {
    if (m_problemsOnly && !hasProblem(verdict.kind))
        return;
    const WorkbookWriter::Mark mark =
        verdict.kind == Kind::Ok || verdict.kind == Kind::LocalName || verdict.kind == Kind::NoAddress
            ? WorkbookWriter::Mark::None
        : verdict.kind == Kind::Format ? WorkbookWriter::Mark::Corrected
                                       : WorkbookWriter::Mark::NeedsLook;
    m_writer->row(cellsOf(row), {std::string(verdictWord(verdict.kind)), verdict.suggestedZip, verdict.note}, mark,
                  row.hidden);
}

bool CheckedWorkbook::finish(const Tally& tally) {
    std::vector<std::pair<std::string, long>> counts;
    for (const Kind kind : {Kind::Ok, Kind::Format, Kind::LocalName, Kind::Mismatch, Kind::UnknownCity,
                            Kind::UnknownZip, Kind::RetiredZip, Kind::Incomplete, Kind::NoAddress})
        counts.emplace_back(verdictWord(kind), tally.of(kind));
    counts.emplace_back("all rows", tally.rows);
    try {
        m_writer->summary("Rows of " + m_listName + " by verdict", counts);
        m_writer->close();
        return true;
    } catch (const Error& error) {
        m_problem = error.what();
        m_writer.reset();
        return false;
    }
}

} // namespace olvaris::check
