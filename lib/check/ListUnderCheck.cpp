#include "ListUnderCheck.h"
#include "Error.h"
#include "FileName.h"
#include "RowJudge.h"
#include "OpenSheet.h"
#include "RecordReader.h"
#include "SheetVerdict.h"
#include "WholeAddress.h"
#include "ZipColumns.h"
#include "ZipRules.h"
#include "EarlierOutput.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::check {

namespace {

using Kind = RowVerdict::Kind;

// The list's file, or standard input; only what can be read to its end.
// Throws ziplist::ReadError.
int openListFile(const std::string& file) {
    if (file == "-")
        return STDIN_FILENO;
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        throw ziplist::ReadError(0, std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        // A FIFO with no writer would wait for ever: a pipe comes in as "-".
        throw ziplist::ReadError(0, S_ISDIR(status.st_mode) ? "is a folder"
                                                            : "not an ordinary file (give - to read a pipe)");
    }
    ::fcntl(descriptor, F_SETFL, O_RDONLY);
    return descriptor;
}

ziplist::HeaderSearch searchFor(const ListCheckOptions& options) {
    return {options.columns, options.address, options.noHeader, true};
}

std::vector<workbook::Cell> textCells(const std::vector<std::string>& fields) {
    std::vector<workbook::Cell> cells(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        cells[i].kind = workbook::Cell::Kind::Text;
        cells[i].text = fields[i];
    }
    return cells;
}

void readSheetHeader(workbook::Sheet& sheet, const ListCheckOptions& options, ListHeader& header) {
    try {
        header.row = ziplist::findHeaderRow(
            sheet, searchFor(options), [&] { header.above.push_back(sheet.cells()); },
            "the sheet \"" + sheet.name() + "\" is empty");
    } catch (const ziplist::ReadError& error) {
        // The first sheet shown is often not the list (a page of tips
        // before it): say which was read and which there are.
        const std::vector<std::string>& names = sheet.sheetNames();
        if (options.sheet || names.size() < 2)
            throw;
        std::string listed;
        for (const std::string& name : names)
            listed += (listed.empty() ? "\"" : ", \"") + name + "\"";
        const std::string what = error.what();
        throw ziplist::ReadError(error.line(), "the sheet \"" + sheet.name() + "\", the first shown: "
                                                   + what.substr(0, what.find(';')) + "; the workbook has "
                                                   + std::to_string(names.size()) + " sheets, " + listed
                                                   + ": name the list's with --sheet (its columns with --columns)");
    }
    header.cells = header.row.headerless ? std::vector<workbook::Cell>(sheet.cells().size()) : sheet.cells();
}

// Each record read while the header is looked for, kept whole, so a copy of
// the list writes those lines back as they were.
class RecordingSource : public ziplist::FieldSource {
public:
    RecordingSource(ziplist::RecordReader& reader, std::vector<RecordRead>& records)
        : m_reader(reader), m_records(records) {}
    bool next() override {
        if (!m_reader.next())
            return false;
        m_records.push_back({m_reader.recordLine(), m_reader.fields(), std::string(m_reader.recordText()),
                             m_reader.recordContentEnd(), m_reader.fieldSpans()});
        return true;
    }
    const std::vector<std::string>& fields() const override { return m_reader.fields(); }
    long recordLine() const override { return m_reader.recordLine(); }

private:
    ziplist::RecordReader& m_reader;
    std::vector<RecordRead>& m_records;
};

// The records read looking for the header: those above it, the header's
// own, and the blank ones after it; a row read ahead stays the reader's.
void sortRecordsRead(ListHeader& header) {
    std::vector<RecordRead> records = std::move(header.textRead);
    header.textRead.clear();
    if (header.row.pending && !records.empty())
        records.pop_back();
    for (RecordRead& record : records) {
        if (record.line < header.row.line) {
            header.above.push_back(textCells(record.fields));
            header.textAbove.push_back(std::move(record));
        } else if (record.line == header.row.line && !header.row.headerless) {
            header.textHeader = std::move(record);
        } else {
            header.textBetween.push_back(std::move(record));
        }
    }
}

// Throws ziplist::ReadError where the header does not tell the columns.
void readTextHeader(ziplist::RecordReader& reader, const ListCheckOptions& options, ListHeader& header) {
    const std::string_view line = reader.firstLine();
    if (workbook::fileKindOf(line) != workbook::FileKind::Text)
        throw ziplist::ReadError(0, "a workbook cannot be read from standard input: give its file's name");
    // A title block may stand above the header, as a spreadsheet saves it.
    header.separator = ziplist::separatorOfLines(reader.ahead());
    reader.setSeparator(std::string(1, header.separator), true);
    reader.quoteOnlyWholeFields();
    RecordingSource recording(reader, header.textRead);
    header.row = ziplist::findHeaderRow(
        recording, searchFor(options), [] {}, "empty file: expected a header naming the City, State and ZIP columns");
    sortRecordsRead(header);
    header.byteOrderMark = reader.byteOrderMark() || reader.encoding() != ziplist::Encoding::Utf8;
    header.encoding = reader.encoding();
    header.utf8Mark = reader.byteOrderMark() && reader.encoding() == ziplist::Encoding::Utf8;
    header.bigEndian = reader.bigEndian();
}

// A text field as the cell a spreadsheet would have made of it: an error's
// text (#N/A, as a sheet saved as CSV writes it) is that error.
workbook::Cell textCell(std::string_view text) {
    static constexpr std::string_view Errors[] = {"#N/A",   "#VALUE!", "#REF!",   "#DIV/0!", "#NUM!",
                                                  "#NAME?", "#NULL!",  "#SPILL!", "#CALC!",  "#GETTING_DATA"};
    workbook::Cell cell;
    cell.text = text;
    const std::string_view shown = ziplist::trimmed(text);
    cell.kind = std::find(std::begin(Errors), std::end(Errors), shown) != std::end(Errors) ? workbook::Cell::Kind::Error
                                                                                           : workbook::Cell::Kind::Text;
    if (cell.kind == workbook::Cell::Kind::Error)
        cell.text = shown;
    return cell;
}

// The columns of an earlier check in a list checked again: where they
// begin, and how many; a row is written without them.
struct Dropped {
    size_t from = 0, count = 0;
    template <typename Item>
    std::vector<Item> without(const std::vector<Item>& items) const {
        std::vector<Item> kept(items.begin(), items.begin() + long(std::min(from, items.size())));
        if (items.size() > from + count)
            kept.insert(kept.end(), items.begin() + long(from + count), items.end());
        return kept;
    }
};

} // namespace

ListUnderCheck::ListUnderCheck(const ListCheckOptions& options, LeadingRows* leading)
    : m_name(options.file == "-" ? std::string("standard input") : options.file),
      m_descriptor(openListFile(options.file)) {
    try {
        struct stat status {};
        if (m_descriptor != STDIN_FILENO && ::fstat(m_descriptor, &status) == 0)
            m_size = status.st_size;
        workbook::OpenedList list = workbook::openList(m_descriptor, options.file, options.sheet);
        m_sheet = std::move(list.sheet);
        if (!m_sheet)
            m_reader = std::make_unique<ziplist::RecordReader>(m_descriptor);
        try {
            if (m_sheet)
                readSheetHeader(*m_sheet, options, m_header);
            else
                readTextHeader(*m_reader, options, m_header);
        } catch (const Error&) {
            if (leading)
                keepLeadingRows(*leading);
            throw;
        }
    } catch (...) {
        if (m_descriptor != STDIN_FILENO)
            ::close(m_descriptor);
        throw;
    }
    // A list checked before: its earlier verdict columns are replaced.
    ziplist::HeaderRow& row = m_header.row;
    m_earlier = earlierVerdictColumns(row.fields);
    m_earlierCount = row.fields.size() - m_earlier;
    row.fields.resize(m_earlier);
    if (m_header.cells.size() > m_earlier)
        m_header.cells.resize(m_earlier);
}

ListUnderCheck::~ListUnderCheck() {
    m_sheet.reset();
    m_reader.reset();
    if (m_descriptor != STDIN_FILENO)
        ::close(m_descriptor);
}

void ListUnderCheck::keepLeadingRows(LeadingRows& leading) const {
    leading.sheetNames = m_sheet ? m_sheet->sheetNames() : std::vector<std::string>();
    leading.sheet = m_sheet ? m_sheet->name() : std::string();
    for (const RecordRead& record : m_header.textRead)
        leading.rows.push_back(record.fields);
    for (const std::vector<workbook::Cell>& cells : m_header.above) {
        std::vector<std::string>& row = leading.rows.emplace_back();
        for (const workbook::Cell& cell : cells)
            row.push_back(cell.text);
    }
    // The row the search stopped on, where it stopped before passing it over.
    const ziplist::FieldSource* source =
        m_sheet ? static_cast<const ziplist::FieldSource*>(m_sheet.get()) : m_reader.get();
    if (source && !source->fields().empty())
        leading.rows.push_back(source->fields());
}

std::string ListUnderCheck::outputSheetName() const {
    if (m_sheet)
        return m_sheet->name();
    const std::string name = fileNameOf(m_name);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::vector<bool> ListUnderCheck::hiddenColumns() const {
    std::vector<bool> hidden;
    for (size_t column = 0; m_sheet && column < m_header.row.fields.size(); ++column)
        hidden.push_back(m_sheet->columnHidden(column));
    return hidden;
}

std::string ListUnderCheck::howRead() const {
    const ziplist::HeaderRow& row = m_header.row;
    if (row.headerless)
        return "no header: the first row is a customer's, columns " + std::to_string(row.columns.city + 1) + ", "
               + std::to_string(row.columns.state + 1) + " and " + std::to_string(row.columns.zip + 1)
               + " read as the city, state and ZIP code (else give --columns)";
    if (row.columns.address >= 0)
        return "the city, state and ZIP code are read off the end of column " + std::to_string(row.columns.address + 1)
               + " (" + row.fields[size_t(row.columns.address)] + "), which holds whole addresses";
    if (!row.groups.empty())
        return "each row is checked on the first of its address groups that it fills (" + row.groups.front().name
               + " before " + row.groups[1].name + ")";
    return {};
}

double ListUnderCheck::fractionRead() const {
    if (m_sheet || m_size <= 0)
        return m_sheet ? m_sheet->fractionRead() : -1;
    const off_t at = ::lseek(m_descriptor, 0, SEEK_CUR);
    return at < 0 ? -1 : std::min(1.0, double(at) / double(m_size));
}

Tally ListUnderCheck::check(RowJudge& judge, CheckedOutput& output, bool apply, const std::atomic<bool>* stop) {
    ziplist::FieldSource& source =
        m_sheet ? static_cast<ziplist::FieldSource&>(*m_sheet) : static_cast<ziplist::FieldSource&>(*m_reader);
    workbook::Sheet* const sheet = m_sheet.get();
    const ziplist::HeaderRow& header = m_header.row;
    const Dropped dropped{m_earlier, m_earlierCount};
    AppliedRow applied;
    std::vector<std::string> keptFields;
    std::vector<workbook::Cell> keptCells;
    Tally tally;
    const std::vector<std::string>& fields = source.fields();
    static const workbook::Cell none;
    const auto fieldAt = [&](int column) {
        return size_t(column) < fields.size() ? std::string_view(fields[size_t(column)]) : std::string_view();
    };
    const auto cellAt = [&](int column) -> workbook::Cell {
        if (!sheet)
            return textCell(fieldAt(column));
        return size_t(column) < sheet->cells().size() ? sheet->cells()[size_t(column)] : none;
    };
    std::array<workbook::Cell, 3> place;
    RecordAsRead record;
    for (bool pending = header.pending; pending || source.next(); pending = false) {
        if (stop && stop->load(std::memory_order_relaxed))
            throw CheckStopped{};
        if (m_reader)
            record = {m_reader->recordText(), m_reader->recordContentEnd(), &m_reader->fieldSpans()};
        if (ziplist::isBlankRecord(fields)) {
            // A blank line, or one of separators only, is no row.
            if (m_reader)
                output.passed(record);
            continue;
        }
        const ziplist::ZipColumns& columns =
            header.groups.empty() ? header.columns : ziplist::groupOfRow(header.groups, fields);
        std::optional<RowVerdict> verdict;
        if (columns.address >= 0) {
            const ziplist::AddressTail tail = ziplist::addressTail(cellAt(columns.address).text);
            place = {textCell(tail.city), textCell(tail.state), textCell(tail.zip)};
            if (!tail.problem.empty())
                verdict = RowVerdict{Kind::Incomplete, {}, tail.problem, {}, {}};
        } else {
            place = {cellAt(columns.city), cellAt(columns.state), cellAt(columns.zip)};
        }
        if (!verdict)
            verdict = judge.verdictOn(place, sheet && sheet->formulasReadEmpty());
        ListRow row{tally.rows + 1,
                    source.recordLine(),
                    &fields,
                    sheet ? &sheet->cells() : nullptr,
                    sheet && sheet->rowHidden(),
                    {place[0].text, place[1].text, place[2].text}};
        if (columns.address < 0)
            row.columns = {columns.city, columns.state, columns.zip};
        row.record = m_reader ? &record : nullptr;
        if (dropped.count > 0 && fields.size() > dropped.from) {
            keptFields = dropped.without(fields);
            row.fields = &keptFields;
            if (row.cells) {
                keptCells = dropped.without(*row.cells);
                row.cells = &keptCells;
            }
        }
        ++tally.rows;
        ++tally.kinds[size_t(verdict->kind)];
        if (apply) {
            applyCorrections(row, *verdict, applied);
            output.row(applied.row, applied.verdict);
        } else {
            output.row(row, *verdict);
        }
    }
    return tally;
}

} // namespace olvaris::check
