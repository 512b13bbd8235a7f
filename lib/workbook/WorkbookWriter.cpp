#include "WorkbookWriter.h"
#include "Error.h"
#include "SheetTitle.h"
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

namespace olvaris::workbook {

namespace {

// Light fills, under which the text keeps its contrast: amber for a row the
// check corrected, rose for one a person must look at.
constexpr lxw_color_t CorrectedFill = 0xFFF2CC;
constexpr lxw_color_t NeedsLookFill = 0xF8CBAD;
constexpr const char* ColumnsNotSet = "the columns could not be set";
constexpr const char* CellNotWritten = "a cell could not be written";

bool dateOf(const std::string& text, lxw_datetime& date) {
    date = {};
    return std::sscanf(text.c_str(), "%4d-%2d-%2d", &date.year, &date.month, &date.day) == 3 && date.month >= 1
           && date.month <= 12 && date.day >= 1 && date.day <= 31;
}

} // namespace

WorkbookWriter::WorkbookWriter(const std::string& path, const std::string& sheetName) : m_path(path) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(m_path.c_str(), &options);
    if (m_workbook == nullptr)
        throw Error(Error::Kind::Output, "the workbook could not be begun");
    m_sheet = workbook_add_worksheet(m_workbook, sheetTitle(sheetName).c_str());
    m_summary = workbook_add_worksheet(m_workbook, "Summary");
    if (m_sheet == nullptr || m_summary == nullptr) {
        workbook_close(m_workbook);
        ::unlink(m_path.c_str());
        throw Error(Error::Kind::Output, "the workbook's sheets could not be begun");
    }
}

WorkbookWriter::~WorkbookWriter() {
    if (!m_closed && m_workbook != nullptr) {
        // Closing is the only way to free it; what it writes is removed.
        workbook_close(m_workbook);
        ::unlink(m_path.c_str());
    }
}

lxw_format* WorkbookWriter::newFormat() {
    lxw_format* format = workbook_add_format(m_workbook);
    if (format == nullptr)
        throw Error(Error::Kind::Output, "the workbook's formats could not be made: out of memory");
    return format;
}

void WorkbookWriter::check(int error, const char* what) const {
    if (error != LXW_NO_ERROR)
        throw Error(Error::Kind::Output, std::string(what) + ": " + lxw_strerror(lxw_error(error)));
}

lxw_format* WorkbookWriter::formatFor(const std::string& code, Mark mark) {
    if (code.empty() && mark == Mark::None)
        return nullptr;
    lxw_format*& format = m_formats[{code, mark}];
    if (format == nullptr) {
        format = newFormat();
        if (!code.empty())
            format_set_num_format(format, code.c_str());
        if (mark != Mark::None)
            format_set_bg_color(format, mark == Mark::Corrected ? CorrectedFill : NeedsLookFill);
    }
    return format;
}

void WorkbookWriter::setColumns(const std::vector<bool>& hidden, size_t columns) {
    m_columns = columns;
    lxw_row_col_options hide{};
    hide.hidden = 1;
    for (size_t column = 0; column < hidden.size() && column < columns; ++column)
        if (hidden[column])
            check(worksheet_set_column_opt(m_sheet, lxw_col_t(column), lxw_col_t(column), LXW_DEF_COL_WIDTH, nullptr,
                                           &hide),
                  ColumnsNotSet);
    // The verdict and the suggested ZIP code, then the note, which is long.
    check(worksheet_set_column(m_sheet, lxw_col_t(columns), lxw_col_t(columns + 1), 14, nullptr), ColumnsNotSet);
    check(worksheet_set_column(m_sheet, lxw_col_t(columns + 2), lxw_col_t(columns + 2), 60, nullptr), ColumnsNotSet);
}

void WorkbookWriter::row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark,
                         bool hidden) {
    if (m_row >= MostRows)
        throw Error(Error::Kind::Output,
                    "the list has more rows than a sheet holds (" + std::to_string(MostRows) + "): write CSV instead");
    const auto at = lxw_row_t(m_row);
    if (hidden) {
        lxw_row_col_options hide{};
        hide.hidden = 1;
        check(worksheet_set_row_opt(m_sheet, at, LXW_DEF_ROW_HEIGHT, nullptr, &hide), CellNotWritten);
    }
    const auto text = [&](lxw_col_t column, const std::string& value, lxw_format* format) {
        if (value.size() > LongestCellText)
            throw Error(Error::Kind::Output, "row " + std::to_string(m_row + 1) + ": a field longer than "
                                                 + std::to_string(LongestCellText) + " characters does not fit a cell");
        if (value.empty()) {
            if (format != nullptr)
                check(worksheet_write_blank(m_sheet, at, column, format), CellNotWritten);
            return;
        }
        check(worksheet_write_string(m_sheet, at, column, value.c_str(), format), CellNotWritten);
        m_textBytes += value.size();
    };
    const size_t width = std::max(cells.size(), m_columns);
    for (size_t i = 0; i < width; ++i) {
        const auto column = lxw_col_t(i);
        if (i >= cells.size()) {
            text(column, {}, formatFor({}, mark));
            continue;
        }
        const Cell& cell = cells[i];
        lxw_format* format = formatFor(cell.format, mark);
        lxw_datetime date{};
        switch (cell.kind) {
        case Cell::Kind::Number:
            check(worksheet_write_number(m_sheet, at, column, cell.number, format), CellNotWritten);
            break;
        case Cell::Kind::Boolean:
            // Shown as a word by every spreadsheet, not as 1 or 0.
            check(worksheet_write_boolean(m_sheet, at, column, cell.text == "TRUE",
                                          formatFor("\"TRUE\";\"TRUE\";\"FALSE\"", mark)),
                  CellNotWritten);
            break;
        case Cell::Kind::Date:
            if (dateOf(cell.text, date))
                check(worksheet_write_datetime(m_sheet, at, column, &date,
                                               formatFor(cell.format.empty() ? "yyyy-mm-dd" : cell.format, mark)),
                      CellNotWritten);
            else
                text(column, cell.text, format);
            break;
        case Cell::Kind::Error:
            // As the error itself, which every spreadsheet shows and reads
            // back as one; an error it would not take stays text.
            if (isErrorConstant(cell.text))
                check(worksheet_write_formula_str(m_sheet, at, column, ("=" + cell.text).c_str(), format,
                                                  cell.text.c_str()),
                      "a cell could not be written");
            else
                text(column, cell.text, format);
            break;
        default:
            text(column, cell.text, format);
        }
    }
    lxw_format* marked = formatFor({}, mark);
    for (size_t i = 0; i < added.size(); ++i)
        text(lxw_col_t(width + i), added[i], marked);
    ++m_row;
}

void WorkbookWriter::headerWritten() {
    m_header = m_row - 1;
    worksheet_freeze_panes(m_sheet, lxw_row_t(m_row), 0);
}

void WorkbookWriter::summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts) {
    lxw_format* bold = newFormat();
    format_set_bold(bold);
    constexpr const char* Summary = "the summary could not be written";
    check(worksheet_set_column(m_summary, 0, 0, 40, nullptr), Summary);
    check(worksheet_write_string(m_summary, 0, 0, title.c_str(), bold), Summary);
    check(worksheet_write_string(m_summary, 2, 0, "verdict", bold), Summary);
    check(worksheet_write_string(m_summary, 2, 1, "rows", bold), Summary);
    lxw_row_t at = 3;
    for (const auto& [verdict, rows] : counts) {
        check(worksheet_write_string(m_summary, at, 0, verdict.c_str(), nullptr), Summary);
        check(worksheet_write_number(m_summary, at, 1, double(rows), nullptr), Summary);
        ++at;
    }
}

void WorkbookWriter::close() {
    if (m_header >= 0 && m_columns > 0)
        check(worksheet_autofilter(m_sheet, lxw_row_t(m_header), 0, lxw_row_t(std::max(m_header, m_row - 1)),
                                   lxw_col_t(m_columns + 2)),
              "the filter could not be set");
    const lxw_error closed = workbook_close(m_workbook);
    m_workbook = nullptr;
    m_closed = true;
    check(closed, "the workbook could not be written");
    // libxlsxwriter does not see a write to its own temporary files fail
    // (a full disk, the file-size limit): the sheet's part must hold at
    // least every text written into it, and a row tag for each row.
    int error = 0;
    zip_t* written = zip_open(m_path.c_str(), ZIP_RDONLY, &error);
    zip_stat_t sheet;
    zip_stat_init(&sheet);
    const bool whole = written != nullptr && zip_stat(written, "xl/worksheets/sheet1.xml", 0, &sheet) == 0
                       && sheet.size >= m_textBytes + uint64_t(m_row) * 10;
    if (written != nullptr)
        zip_discard(written);
    if (!whole)
        throw Error(Error::Kind::Output,
                    "the workbook could not be written whole (is the disk full, or a file-size limit "
                    "set?)");
}

} // namespace olvaris::workbook
