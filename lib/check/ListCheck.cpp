#include "ListCheck.h"
#include "CheckedRows.h"
#include "CheckedWorkbook.h"
#include "Complaint.h"
#include "DatabaseFile.h"
#include "EarlierOutput.h"
#include "Error.h"
#include "HeaderRow.h"
#include "OpenSheet.h"
#include "OutputFile.h"
#include "Places.h"
#include "RecordReader.h"
#include "RowVerdict.h"
#include "SheetVerdict.h"
#include "ZipColumns.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include "WholeAddress.h"
#include "ZipRules.h"
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

constexpr int AllOk = 0;
constexpr int SomeNotOk = 1;

using Kind = RowVerdict::Kind;

// The list's file, or standard input; only what can be read to its end.
// Throws ziplist::ReadError.
int openList(const std::string& file) {
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

struct Closer {
    int descriptor;
    ~Closer() {
        if (descriptor != STDIN_FILENO)
            ::close(descriptor);
    }
};

// The part of a path after its last '/'.
std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file's name without its last extension.
std::string baseNameOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool endsWithNoCase(const std::string& text, std::string_view end) {
    if (text.size() < end.size())
        return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i])
            return false;
    return true;
}

void summarize(const std::string& file, const Tally& tally) {
    std::fprintf(stderr,
                 "olvaris-lookup: %s: %ld %s read: %ld ok, %ld corrected (format), %ld under a local name, %ld "
                 "mismatched, %ld unknown (%ld city, %ld ZIP), %ld retired ZIP, %ld incomplete, %ld with no "
                 "address\n",
                 shownSafely(file).c_str(), tally.rows, tally.rows == 1 ? "row" : "rows", tally.of(Kind::Ok),
                 tally.of(Kind::Format), tally.of(Kind::LocalName), tally.of(Kind::Mismatch),
                 tally.of(Kind::UnknownCity) + tally.of(Kind::UnknownZip), tally.of(Kind::UnknownCity),
                 tally.of(Kind::UnknownZip), tally.of(Kind::RetiredZip), tally.of(Kind::Incomplete),
                 tally.of(Kind::NoAddress));
}

// A list's header as the check found it, with the rows above it (a sheet's
// title block) and how a text list is written.
struct ListHeader {
    ziplist::HeaderRow row;
    std::vector<std::vector<workbook::Cell>> above;
    std::vector<workbook::Cell> cells; // a sheet's header cells
    char separator = ',';
    bool byteOrderMark = false;
};

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

ListHeader sheetHeader(workbook::Sheet& sheet, const ListCheckOptions& options) {
    ListHeader header;
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
    return header;
}

// Throws ziplist::ReadError where the header does not tell the columns.
ListHeader textHeader(ziplist::RecordReader& reader, const ListCheckOptions& options) {
    ListHeader header;
    const std::string_view line = reader.firstLine();
    if (workbook::fileKindOf(line) != workbook::FileKind::Text)
        throw ziplist::ReadError(0, "a workbook cannot be read from standard input: give its file's name");
    // A title block may stand above the header, as a spreadsheet saves it.
    header.separator = ziplist::separatorOfLines(reader.ahead());
    reader.setSeparator(std::string(1, header.separator), true);
    header.row = ziplist::findHeaderRow(
        reader, searchFor(options), [&] { header.above.push_back(textCells(reader.fields())); },
        "empty file: expected a header naming the City, State and ZIP columns");
    header.byteOrderMark = reader.byteOrderMark() || reader.encoding() != ziplist::Encoding::Utf8;
    return header;
}

// How the list was read where nothing in it named the columns, said so
// before the counts: no customer is taken for a header without a word.
void sayHowRead(const std::string& file, const ListHeader& header) {
    const ziplist::HeaderRow& row = header.row;
    std::string how;
    if (row.headerless)
        how = "no header: the first row is a customer's, columns " + std::to_string(row.columns.city + 1) + ", "
              + std::to_string(row.columns.state + 1) + " and " + std::to_string(row.columns.zip + 1)
              + " read as the city, state and ZIP code (else give --columns)";
    else if (row.columns.address >= 0)
        how = "the city, state and ZIP code are read off the end of column " + std::to_string(row.columns.address + 1)
              + " (" + row.fields[size_t(row.columns.address)] + "), which holds whole addresses";
    else if (!row.groups.empty())
        how = "each row is checked on the first of its address groups that it fills (" + row.groups.front().name
              + " before " + row.groups[1].name + ")";
    if (!how.empty())
        std::fprintf(stderr, "olvaris-lookup: %s: %s\n", shownSafely(file).c_str(), shownSafely(how).c_str());
}

// What the rows are judged against: the table, and where the database
// knows them, retired ZIPs and distances.
struct Judges {
    explicit Judges(sqlite3* db) : index(db), places(db) {
        if (places.located())
            facts.emplace(places);
    }
    ZipFacts* factsOrNull() { return facts ? &*facts : nullptr; }

    ZipIndex index;
    Places places;
    std::optional<ZipFacts> facts;
};

// Where the checked list goes: standard output, or a file (a workbook by its
// name). Throws olvaris::Error (Output) where the file cannot be made.
std::unique_ptr<CheckedOutput> outputFor(const ListCheckOptions& options, const std::string& listName,
                                         const std::string& sheetName, const std::vector<bool>& hiddenColumns,
                                         const ListHeader& header, std::FILE* out, const std::vector<ReadFile>& reading,
                                         std::unique_ptr<OutputFile>& file) {
    if (!options.output)
        return std::make_unique<CheckedRows>(out, options.json, options.problemsOnly, header.separator,
                                             header.byteOrderMark);
    try {
        const bool openDocument = endsWithNoCase(*options.output, ".ods");
        const bool workbook = openDocument || endsWithNoCase(*options.output, ".xlsx");
        file = std::make_unique<OutputFile>(
            *options.output, workbook ? OutputFile::Filling::ByName : OutputFile::Filling::Stream, reading);
        // Another's file is never replaced: only an earlier check's output or an empty file.
        if (const std::string foreign = foreignOutput(*options.output); !foreign.empty())
            throw Error(Error::Kind::Output, "not replaced: " + foreign, *options.output);
        if (workbook)
            return std::make_unique<CheckedWorkbook>(file->temporaryPath(), openDocument, sheetName,
                                                     fileNameOf(listName), options.problemsOnly, hiddenColumns);
    } catch (const std::runtime_error& error) {
        throw Error(Error::Kind::Output, error.what(), *options.output);
    }
    return std::make_unique<CheckedRows>(file->stream(), options.json, options.problemsOnly, header.separator,
                                         header.byteOrderMark);
}

// The rows above the header and the header itself, as the output keeps them.
void writeHeader(CheckedOutput& output, const ListHeader& header, bool fromSheet) {
    for (const std::vector<workbook::Cell>& cells : header.above) {
        std::vector<std::string> fields;
        fields.reserve(cells.size());
        for (const workbook::Cell& cell : cells)
            fields.push_back(cell.text);
        output.above({0, 0, &fields, &cells, false, {}});
    }
    output.header({0, header.row.line, &header.row.fields, fromSheet ? &header.cells : nullptr, false, {}});
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

// Every row after the header, judged and written; the counts.
Tally checkRows(ziplist::FieldSource& source, workbook::Sheet* sheet, const ziplist::HeaderRow& header, Judges& judges,
                CheckedOutput& output, bool apply, const Dropped& dropped) {
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
    for (bool pending = header.pending; pending || source.next(); pending = false) {
        if (ziplist::isBlankRecord(fields))
            continue; // a blank line, or one of separators only, is no row
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
            verdict = judgeCells(judges.index, place[0], place[1], place[2], sheet && sheet->formulasReadEmpty(),
                                 judges.factsOrNull());
        ListRow row{tally.rows + 1,
                    source.recordLine(),
                    &fields,
                    sheet ? &sheet->cells() : nullptr,
                    sheet && sheet->rowHidden(),
                    {place[0].text, place[1].text, place[2].text}};
        if (columns.address < 0)
            row.columns = {columns.city, columns.state, columns.zip};
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

} // namespace

int checkList(const ListCheckOptions& options, const std::string& database, std::FILE* out) {
    const std::string name = options.file == "-" ? std::string("standard input") : options.file;
    const std::string outputName = options.output ? *options.output : std::string("standard output");
    std::unique_ptr<CheckedOutput> output;
    std::unique_ptr<OutputFile> outputFile;
    try {
        const Closer closer{openList(options.file)};
        workbook::OpenedList list = workbook::openList(closer.descriptor, options.file, options.sheet);
        workbook::Sheet* const sheet = list.sheet.get();
        std::optional<ziplist::RecordReader> reader;
        if (!sheet)
            reader.emplace(closer.descriptor);
        ListHeader header = sheet ? sheetHeader(*sheet, options) : textHeader(*reader, options);
        // A list checked before: its earlier verdict columns are replaced.
        const size_t earlier = earlierVerdictColumns(header.row.fields);
        const Dropped dropped{earlier, header.row.fields.size() - earlier};
        header.row.fields.resize(earlier);
        if (header.cells.size() > earlier)
            header.cells.resize(earlier);
        ziplist::FieldSource& source = sheet ? static_cast<ziplist::FieldSource&>(*sheet) : *reader;

        const sqlite::Connection db = openDatabaseFile(database);
        Judges judges(db.get());

        std::vector<bool> hiddenColumns;
        for (size_t column = 0; sheet && column < header.row.fields.size(); ++column)
            hiddenColumns.push_back(sheet->columnHidden(column));
        output = outputFor(
            options, name, sheet ? sheet->name() : baseNameOf(name), hiddenColumns, header, out,
            {{closer.descriptor, {}, "the list being checked"}, {-1, database, "the database being read"}}, outputFile);
        writeHeader(*output, header, sheet != nullptr);
        const Tally tally = checkRows(source, sheet, header.row, judges, *output, options.apply, dropped);
        if (!output->finish(tally))
            return complain(outputName, output->problem());
        if (outputFile) {
            try {
                outputFile->commit();
            } catch (const std::runtime_error& error) {
                return complain(outputName, error.what());
            }
        }
        sayHowRead(name, header);
        summarize(name, tally);
        // A town's name people use is as deliverable as its own.
        // A town's name people use is as deliverable as its own; a contact
        // with no address has nothing to mend.
        long withProblems = 0;
        for (size_t kind = 0; kind < tally.kinds.size(); ++kind)
            withProblems += hasProblem(Kind(kind)) ? tally.kinds[kind] : 0;
        return withProblems == 0 ? AllOk : SomeNotOk;
    } catch (const Error& error) {
        // The rows before the trouble stand in a stream; a file is not made.
        if (output)
            output->abandon();
        const std::string where = !error.where().empty()                  ? error.where()
                                  : error.kind() == Error::Kind::Database ? database
                                  : error.kind() == Error::Kind::Output   ? outputName
                                                                          : name;
        return complain(error.line() > 0 ? where + ':' + std::to_string(error.line()) : where, error.what());
    } catch (const std::bad_alloc&) {
        if (output)
            output->abandon();
        return complain(name, "out of memory: the list is larger than this machine can check");
    } catch (const std::runtime_error& error) {
        // What the workbook could not take (more rows than a sheet holds).
        if (output)
            output->abandon();
        return complain(outputName, error.what());
    }
}

} // namespace olvaris::lookup
