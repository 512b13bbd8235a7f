#include "WorkbookWriter.h"
#include "Error.h"
#include "NumberFormat.h"
#include "SheetLimits.h"
#include "SheetTitle.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

namespace olvaris::workbook {

namespace {

// libxlsxwriter writes a number's 16 first digits ("%.16G"), and some
// need 17 to be read back as the same double: 0.30000000000000004, a time
// of day to the second. Those are put right after it has written the sheet.
std::string libraryDigits(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.16G", number);
    return text;
}

bool writtenShort(double number) {
    if (!std::isfinite(number) || (number == std::floor(number) && std::fabs(number) < 1e15))
        return false; // whole numbers, most of a list's, are written whole
    const std::string exact = exactNumberText(number);
    size_t digits = 0;
    for (const char c : exact.substr(0, exact.find('e')))
        if (c >= '0' && c <= '9' && (digits > 0 || c != '0'))
            ++digits;
    return digits > 16;
}

// A part of an archive copied to a file a piece at a time, some of its text
// put right on the way. Each step is false where the part ends first or a
// read or write fails.
class PartEdit {
public:
    PartEdit(zip_file_t* from, std::FILE* to) : m_from(from), m_to(to) {}

    // Copies what comes before the next `text`, which is then at the front.
    bool copyUntil(std::string_view text) {
        for (;;) {
            const size_t found = m_buffer.find(text, m_at);
            if (found != std::string::npos)
                return copy(found - m_at);
            copy(m_buffer.size() - m_at - std::min(m_buffer.size() - m_at, text.size() - 1));
            if (!more())
                return false;
        }
    }
    bool startsWith(std::string_view text) {
        while (m_buffer.size() - m_at < text.size())
            if (!more())
                return false;
        return std::string_view(m_buffer).substr(m_at, text.size()) == text;
    }
    bool copy(size_t bytes) {
        write(std::string_view(m_buffer).substr(m_at, bytes));
        m_at += bytes;
        return !m_failed;
    }
    // The `bytes` at the front written as `text`.
    void replace(size_t bytes, std::string_view text) {
        m_at += bytes;
        write(text);
    }
    // Copies the rest.
    bool finish() {
        do
            copy(m_buffer.size() - m_at);
        while (more());
        return !m_failed && std::fflush(m_to) == 0;
    }

private:
    bool more() {
        static constexpr size_t Piece = 1024 * size_t(1024);
        m_buffer.erase(0, m_at);
        m_at = 0;
        const size_t kept = m_buffer.size();
        m_buffer.resize(kept + Piece);
        const zip_int64_t got = zip_fread(m_from, m_buffer.data() + kept, Piece);
        m_buffer.resize(kept + size_t(std::max<zip_int64_t>(got, 0)));
        m_failed = m_failed || got < 0;
        return got > 0;
    }
    void write(std::string_view text) {
        m_failed = m_failed || std::fwrite(text.data(), 1, text.size(), m_to) != text.size();
    }

    zip_file_t* m_from;
    std::FILE* m_to;
    std::string m_buffer;
    size_t m_at = 0;
    bool m_failed = false;
};

// Light fills, under which the text keeps its contrast: amber for a row the
// check corrected, rose for one a person must look at.
constexpr lxw_color_t CorrectedFill = 0xFFF2CC;
constexpr lxw_color_t NeedsLookFill = 0xF8CBAD;
constexpr const char* ColumnsNotSet = "the columns could not be set";
constexpr const char* CellNotWritten = "a cell could not be written";
constexpr const char* NotWrittenWhole =
    "the workbook could not be written whole (is the disk full, or a file-size limit set?)";
constexpr const char* SheetPart = "xl/worksheets/sheet1.xml";

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
    const size_t width = std::max(cells.size(), m_columns);
    for (size_t i = 0; i < width; ++i) {
        if (i < cells.size())
            writeCell(at, lxw_col_t(i), cells[i], mark);
        else
            writeText(at, lxw_col_t(i), {}, formatFor({}, mark));
    }
    lxw_format* marked = formatFor({}, mark);
    for (size_t i = 0; i < added.size(); ++i)
        writeText(at, lxw_col_t(width + i), added[i], marked);
    ++m_row;
}

void WorkbookWriter::writeCell(lxw_row_t at, lxw_col_t column, const Cell& cell, Mark mark) {
    lxw_format* format = formatFor(cell.format, mark);
    lxw_datetime date{};
    switch (cell.kind) {
    case Cell::Kind::Number:
        writeNumber(at, column, cell.number, format);
        break;
    case Cell::Kind::Boolean:
        // Shown as a word by every spreadsheet, not as 1 or 0.
        check(worksheet_write_boolean(m_sheet, at, column, cell.text == "TRUE",
                                      formatFor("\"TRUE\";\"TRUE\";\"FALSE\"", mark)),
              CellNotWritten);
        break;
    case Cell::Kind::Date:
        // The day number as read, its time of day and all.
        if (!std::isnan(cell.number))
            writeNumber(at, column, cell.number,
                        formatFor(!cell.format.empty()                     ? cell.format
                                  : cell.number == std::floor(cell.number) ? "yyyy-mm-dd"
                                                                           : "yyyy-mm-dd hh:mm:ss",
                                  mark));
        else if (dateOf(cell.text, date))
            check(worksheet_write_datetime(m_sheet, at, column, &date,
                                           formatFor(cell.format.empty() ? "yyyy-mm-dd" : cell.format, mark)),
                  CellNotWritten);
        else
            writeText(at, column, cell.text, format);
        break;
    case Cell::Kind::Error:
        // As the error itself, which every spreadsheet shows and reads
        // back as one; an error it would not take stays text.
        if (isErrorConstant(cell.text))
            check(
                worksheet_write_formula_str(m_sheet, at, column, ("=" + cell.text).c_str(), format, cell.text.c_str()),
                CellNotWritten);
        else
            writeText(at, column, cell.text, format);
        break;
    default:
        writeText(at, column, cell.text, format);
    }
}

void WorkbookWriter::writeText(lxw_row_t at, lxw_col_t column, const std::string& value, lxw_format* format) {
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
}

void WorkbookWriter::writeNumber(lxw_row_t at, lxw_col_t column, double number, lxw_format* format) {
    check(worksheet_write_number(m_sheet, at, column, number, format), CellNotWritten);
    if (writtenShort(number))
        m_shortNumbers.push_back({at, column, number});
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
    const bool whole = written != nullptr && zip_stat(written, SheetPart, 0, &sheet) == 0
                       && sheet.size >= m_textBytes + uint64_t(m_row) * 10;
    if (written != nullptr)
        zip_discard(written);
    if (!whole)
        throw Error(Error::Kind::Output, NotWrittenWhole);
    if (!m_shortNumbers.empty())
        putNumbersRight();
}

// The sheet's part copied through a temporary file, each number written
// short given every digit on the way, and put in its place.
void WorkbookWriter::putNumbersRight() {
    int error = 0;
    zip_t* archive = zip_open(m_path.c_str(), 0, &error);
    const zip_int64_t index = archive != nullptr ? zip_name_locate(archive, SheetPart, 0) : -1;
    zip_file_t* part = index >= 0 ? zip_fopen_index(archive, zip_uint64_t(index), 0) : nullptr;
    std::FILE* edited = part != nullptr ? std::tmpfile() : nullptr;
    bool right = edited != nullptr;
    if (right) {
        PartEdit edit(part, edited);
        for (const ShortNumber& cell : m_shortNumbers) {
            const std::string written = libraryDigits(cell.number) + "</v>";
            right = edit.copyUntil("<c r=\"" + cellName(cell.column, long(cell.row) + 1) + "\"")
                    && edit.copyUntil("<v>") && edit.copy(3) && edit.startsWith(written);
            if (!right)
                break;
            std::string exact = exactNumberText(cell.number);
            std::replace(exact.begin(), exact.end(), 'e', 'E'); // as libxlsxwriter writes an exponent
            edit.replace(written.size() - 4, exact);
        }
        right = right && edit.finish();
        std::rewind(edited);
    }
    if (part != nullptr)
        zip_fclose(part);
    zip_source_t* source = right ? zip_source_filep(archive, edited, 0, -1) : nullptr;
    if (source == nullptr && edited != nullptr)
        std::fclose(edited);
    zip_stat_t stat;
    zip_stat_init(&stat);
    right = source != nullptr && zip_stat_index(archive, zip_uint64_t(index), 0, &stat) == 0
            && zip_file_replace(archive, zip_uint64_t(index), source, 0) == 0;
    if (source != nullptr && !right)
        zip_source_free(source);
    // Dated as libxlsxwriter dates the other parts.
    right = right && zip_file_set_mtime(archive, zip_uint64_t(index), stat.mtime, 0) == 0;
    right = right && zip_close(archive) == 0;
    if (!right && archive != nullptr)
        zip_discard(archive);
    if (!right)
        throw Error(Error::Kind::Output, NotWrittenWhole);
}

} // namespace olvaris::workbook
