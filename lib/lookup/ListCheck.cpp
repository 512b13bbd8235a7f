#include "ListCheck.h"
#include "CheckedRows.h"
#include "CheckedWorkbook.h"
#include "Complaint.h"
#include "HeaderRow.h"
#include "OpenSheet.h"
#include "OutputFile.h"
#include "RecordReader.h"
#include "RowVerdict.h"
#include "SheetVerdict.h"
#include "ZipColumns.h"
#include "Places.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include "Failure.h"
#include "SystemPath.h"
#include "ZipConnection.h"
#include <QFileInfo>
#include <array>
#include <memory>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

constexpr int AllOk = 0;
constexpr int SomeNotOk = 1;

using Kind = RowVerdict::Kind;

// The list's file, or standard input; only what can be read to its end.
int openList(const QString& file, QString& problem) {
    if (file == QLatin1String("-"))
        return STDIN_FILENO;
    const int descriptor = ::open(toSystemBytes(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        problem = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        // A FIFO with no writer would wait for ever: a pipe comes in as "-".
        problem = S_ISDIR(status.st_mode) ? QStringLiteral("is a folder")
                                          : QStringLiteral("not an ordinary file (give - to read a pipe)");
        return -1;
    }
    ::fcntl(descriptor, F_SETFL, O_RDONLY);
    return descriptor;
}

void summarize(const QString& file, const Tally& tally) {
    std::fprintf(stderr,
                 "olvaris-lookup: %s: %ld %s read: %ld ok, %ld corrected (format), %ld mismatched, %ld unknown "
                 "(%ld city, %ld ZIP), %ld retired ZIP, %ld incomplete\n",
                 qPrintable(file), tally.rows, tally.rows == 1 ? "row" : "rows", tally.of(Kind::Ok),
                 tally.of(Kind::Format), tally.of(Kind::Mismatch),
                 tally.of(Kind::UnknownCity) + tally.of(Kind::UnknownZip), tally.of(Kind::UnknownCity),
                 tally.of(Kind::UnknownZip), tally.of(Kind::RetiredZip), tally.of(Kind::Incomplete));
}

} // namespace

namespace {

// Where the checked list goes: standard output, or a file (a workbook by its
// name), never the list itself.
std::unique_ptr<CheckedOutput> outputFor(const ListCheckOptions& options, const QString& listName,
                                         const std::string& sheetName, const std::vector<bool>& hiddenColumns,
                                         char separator, bool byteOrderMark, std::FILE* out,
                                         const std::vector<ReadFile>& reading, std::unique_ptr<OutputFile>& file) {
    if (!options.output)
        return std::make_unique<CheckedRows>(out, options.json, options.problemsOnly, separator, byteOrderMark);
    const std::string path = toSystemBytes(*options.output).toStdString();
    const bool workbook = options.output->endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
    file = std::make_unique<OutputFile>(path, workbook ? OutputFile::Filling::ByName : OutputFile::Filling::Stream,
                                        reading);
    if (workbook)
        return std::make_unique<CheckedWorkbook>(file->temporaryPath(), sheetName,
                                                 QFileInfo(listName).fileName().toStdString(), options.problemsOnly,
                                                 hiddenColumns);
    return std::make_unique<CheckedRows>(file->stream(), options.json, options.problemsOnly, separator, byteOrderMark);
}

} // namespace

int checkList(const ListCheckOptions& options, const QString& database, std::FILE* out) {
    const QString name = options.file == QLatin1String("-") ? QStringLiteral("standard input") : options.file;
    QString problem;
    const int descriptor = openList(options.file, problem);
    if (descriptor < 0)
        return complain(name, problem);
    struct Closer {
        int descriptor;
        ~Closer() {
            if (descriptor != STDIN_FILENO)
                ::close(descriptor);
        }
    } closer{descriptor};

    std::unique_ptr<CheckedOutput> output;
    std::unique_ptr<OutputFile> outputFile;
    try {
        // A workbook is told by its first bytes, whatever its name.
        char first[16] = {};
        const ssize_t got = descriptor == STDIN_FILENO ? 0 : ::pread(descriptor, first, sizeof first, 0);
        const std::string_view firstBytes(first, size_t(std::max<ssize_t>(got, 0)));
        if (const std::string other = workbook::otherFormatOf(firstBytes); !other.empty())
            return complain(name, QString::fromStdString(other));
        const workbook::FileKind kind = workbook::fileKindOf(firstBytes);
        if (options.sheet && kind == workbook::FileKind::Text)
            return complain(name, QStringLiteral("--sheet: the list is not a workbook"));

        std::unique_ptr<workbook::Sheet> sheet;
        std::optional<ziplist::RecordReader> reader;
        ziplist::FieldSource* source = nullptr;
        std::vector<std::vector<workbook::Cell>> above;
        ziplist::HeaderRow header;
        char separator = ',';
        bool byteOrderMark = false;
        if (kind != workbook::FileKind::Text) {
            sheet = workbook::openSheet(toSystemBytes(options.file).toStdString(), kind,
                                        options.sheet ? std::optional(options.sheet->toStdString()) : std::nullopt);
            source = sheet.get();
            std::optional<std::string> columns;
            if (options.columns)
                columns = options.columns->toStdString();
            header = ziplist::findHeaderRow(
                *sheet, columns, [&] { above.push_back(sheet->cells()); },
                "the sheet \"" + sheet->name() + "\" is empty");
        } else {
            reader.emplace(descriptor);
            source = &*reader;
            const std::string_view line = reader->firstLine();
            if (workbook::fileKindOf(line) != workbook::FileKind::Text)
                return complain(name, QStringLiteral("a workbook cannot be read from standard input: give its "
                                                     "file's name"));
            separator = ziplist::separatorOf(line);
            reader->setSeparator(std::string(1, separator), true);
            if (!reader->next())
                return complain(name, QStringLiteral("empty file: expected a header naming the City, State and ZIP "
                                                     "columns"));
            header.fields = reader->fields();
            header.line = 1;
            try {
                header.columns = options.columns ? ziplist::namedColumns(options.columns->toStdString(), header.fields)
                                                 : ziplist::findColumns(header.fields);
            } catch (const std::invalid_argument& error) {
                return complain(name, QString::fromStdString(error.what()));
            }
            if (!header.columns.complete()) {
                const std::string groups = ziplist::addressGroups(header.fields);
                return complain(name + QStringLiteral(":1"),
                                QString::fromStdString(ziplist::missingColumns(header.columns, header.fields))
                                    + (groups.empty() ? QStringLiteral("; name them with --columns CITY,STATE,ZIP")
                                                      : QStringLiteral("; ") + QString::fromStdString(groups)));
            }
            if (!options.columns) {
                const std::string shared = ziplist::sharedNames(header.columns, header.fields);
                if (!shared.empty())
                    return complain(name + QStringLiteral(":1"), QString::fromStdString(shared));
            }
            byteOrderMark = reader->byteOrderMark() || reader->encoding() != ziplist::Encoding::Utf8;
        }
        const ziplist::ZipColumns columns = header.columns;

        const FileKind there = fileKindAt(database);
        if (there != FileKind::File)
            return complain(database,
                            there == FileKind::Missing ? QStringLiteral("no such file") : QStringLiteral("not a file"));
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(absoluteSystemPath(database)));
        const ZipIndex index(connection);
        // Retired ZIPs and distances, from a database that knows them.
        Places places(connection);
        std::optional<ZipFacts> facts;
        if (places.located())
            facts.emplace(places);

        std::vector<bool> hiddenColumns;
        for (size_t column = 0; sheet && column < header.fields.size(); ++column)
            hiddenColumns.push_back(sheet->columnHidden(column));
        try {
            output = outputFor(options, name, sheet ? sheet->name() : QFileInfo(name).completeBaseName().toStdString(),
                               hiddenColumns, separator, byteOrderMark, out,
                               {{descriptor, {}, "the list being checked"},
                                {-1, toSystemBytes(database).toStdString(), "the database being read"}},
                               outputFile);
        } catch (const std::runtime_error& error) {
            return complain(*options.output, QString::fromLocal8Bit(error.what()));
        }
        for (const std::vector<workbook::Cell>& cells : above) {
            std::vector<std::string> fields;
            fields.reserve(cells.size());
            for (const workbook::Cell& cell : cells)
                fields.push_back(cell.text);
            output->above({0, 0, &fields, &cells, false, {}});
        }
        std::vector<workbook::Cell> headerCells;
        if (sheet)
            headerCells = sheet->cells();
        output->header({0, header.line, &header.fields, sheet ? &headerCells : nullptr, false, {}});

        Tally tally;
        const std::vector<std::string>& fields = source->fields();
        static const workbook::Cell none;
        const auto fieldAt = [&](int column) {
            return size_t(column) < fields.size() ? std::string_view(fields[size_t(column)]) : std::string_view();
        };
        const auto cellAt = [&](int column) -> const workbook::Cell& {
            return size_t(column) < sheet->cells().size() ? sheet->cells()[size_t(column)] : none;
        };
        while (source->next()) {
            if (sheet ? ziplist::isBlankRecord(fields) : fields.size() == 1 && ziplist::trimmed(fields[0]).empty())
                continue; // a blank line is no row
            const ListRow row{tally.rows + 1,
                              source->recordLine(),
                              &fields,
                              sheet ? &sheet->cells() : nullptr,
                              sheet && sheet->rowHidden(),
                              {fieldAt(columns.city), fieldAt(columns.state), fieldAt(columns.zip)}};
            const RowVerdict verdict =
                sheet ? judgeCells(index, cellAt(columns.city), cellAt(columns.state), cellAt(columns.zip),
                                   sheet->formulasReadEmpty(), facts ? &*facts : nullptr)
                      : judge(index, row.place[0], row.place[1], row.place[2], facts ? &*facts : nullptr);
            ++tally.rows;
            ++tally.kinds[size_t(verdict.kind)];
            output->row(row, verdict);
        }
        if (!output->finish(tally))
            return complain(options.output ? *options.output : QStringLiteral("standard output"),
                            QString::fromStdString(output->problem()));
        if (outputFile) {
            try {
                outputFile->commit();
            } catch (const std::runtime_error& error) {
                return complain(*options.output, QString::fromLocal8Bit(error.what()));
            }
        }
        summarize(name, tally);
        return tally.of(Kind::Ok) == tally.rows ? AllOk : SomeNotOk;
    } catch (const ziplist::ReadError& error) {
        // The rows before the trouble stand in a stream; a file is not made.
        if (output)
            output->abandon();
        return complain(error.line() > 0 ? name + QLatin1Char(':') + QString::number(error.line()) : name,
                        QString::fromStdString(error.what()));
    } catch (const std::runtime_error& error) {
        // What the workbook could not take (more rows than a sheet holds).
        if (output)
            output->abandon();
        return complain(options.output ? *options.output : name, QString::fromStdString(error.what()));
    } catch (const Failure& failure) {
        return complain(database, failure.description());
    }
}

} // namespace olvaris::lookup
