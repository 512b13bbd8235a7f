#include "ListCheck.h"
#include "Complaint.h"
#include "RecordReader.h"
#include "RowVerdict.h"
#include "RowWriter.h"
#include "ZipColumns.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include "Failure.h"
#include "ZipConnection.h"
#include <QDir>
#include <QFileInfo>
#include <array>
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

QByteArrayView view(std::string_view text) { return QByteArrayView(text.data(), qsizetype(text.size())); }

// The list's file, or standard input; only what can be read to its end.
int openList(const QString& file, QString& problem) {
    if (file == QLatin1String("-"))
        return STDIN_FILENO;
    const int descriptor = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

// The counts the summary gives.
struct Tally {
    long rows = 0;
    std::array<long, 6> kinds{};
    long of(Kind kind) const { return kinds[size_t(kind)]; }
};

class CheckedRows {
public:
    CheckedRows(std::FILE* out, const ListCheckOptions& options, char separator)
        : m_writer(out, RowWriter::Format::Csv), m_json(options.json), m_problemsOnly(options.problemsOnly),
          m_separator(separator) {}

    void header(const std::vector<std::string>& fields, bool byteOrderMark) {
        m_header = fields;
        if (m_json)
            return;
        // A spreadsheet reads a CSV without one in its own code page.
        if (byteOrderMark)
            m_writer.text("\xEF\xBB\xBF");
        for (const std::string& field : fields) {
            m_writer.csvField(view(field), m_separator);
            m_writer.text(QByteArrayView(&m_separator, 1));
        }
        const std::string added = std::string("verdict") + m_separator + "suggested_zip" + m_separator + "note\r\n";
        m_writer.text(view(added));
    }

    void row(long number, long line, const std::vector<std::string>& fields,
             const std::array<std::string_view, 3>& place, const RowVerdict& verdict) {
        if (m_problemsOnly && verdict.kind == Kind::Ok)
            return;
        const std::string_view word = verdictWord(verdict.kind);
        if (m_json) {
            m_writer.text(view("{\"row\":" + std::to_string(number) + ",\"line\":" + std::to_string(line)));
            const char* names[] = {",\"city\":", ",\"state\":", ",\"zip\":"};
            for (size_t i = 0; i < 3; ++i) {
                m_writer.text(names[i]);
                m_writer.jsonString(view(place[i]));
            }
            m_writer.text(",\"verdict\":");
            m_writer.jsonString(view(word));
            m_writer.text(",\"suggested_zip\":");
            m_writer.jsonString(view(verdict.suggestedZip));
            m_writer.text(",\"note\":");
            m_writer.jsonString(view(verdict.note));
            m_writer.text(",\"fields\":[");
            for (size_t i = 0; i < fields.size(); ++i) {
                if (i > 0)
                    m_writer.text(",");
                m_writer.jsonString(view(fields[i]));
            }
            m_writer.text("]}\n");
        } else {
            // The verdict stands under its header whatever the row's length:
            // a short row is filled out, and the fields a row has beyond the
            // header's (a trailing separator) follow the note.
            const size_t named = std::min(fields.size(), m_header.size());
            for (size_t i = 0; i < named; ++i) {
                m_writer.csvField(view(fields[i]), m_separator);
                m_writer.text(QByteArrayView(&m_separator, 1));
            }
            for (size_t i = named; i < m_header.size(); ++i)
                m_writer.text(QByteArrayView(&m_separator, 1));
            m_writer.text(view(word));
            m_writer.text(QByteArrayView(&m_separator, 1));
            m_writer.text(view(verdict.suggestedZip));
            m_writer.text(QByteArrayView(&m_separator, 1));
            m_writer.csvField(view(verdict.note), m_separator);
            for (size_t i = named; i < fields.size(); ++i) {
                m_writer.text(QByteArrayView(&m_separator, 1));
                m_writer.csvField(view(fields[i]), m_separator);
            }
            m_writer.text("\r\n");
        }
        m_writer.endRecord();
    }

    bool finish() { return m_writer.finish(); }

private:
    RowWriter m_writer;
    bool m_json, m_problemsOnly;
    char m_separator;
    std::vector<std::string> m_header;
};

void summarize(const QString& file, const Tally& tally) {
    std::fprintf(stderr,
                 "olvaris-lookup: %s: %ld %s read: %ld ok, %ld corrected (format), %ld mismatched, %ld unknown "
                 "(%ld city, %ld ZIP), %ld incomplete\n",
                 qPrintable(file), tally.rows, tally.rows == 1 ? "row" : "rows", tally.of(Kind::Ok),
                 tally.of(Kind::Format), tally.of(Kind::Mismatch),
                 tally.of(Kind::UnknownCity) + tally.of(Kind::UnknownZip), tally.of(Kind::UnknownCity),
                 tally.of(Kind::UnknownZip), tally.of(Kind::Incomplete));
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

    std::optional<CheckedRows> rows;
    try {
        ziplist::RecordReader reader(descriptor);
        const char separator = ziplist::separatorOf(reader.firstLine());
        reader.setSeparator(std::string(1, separator), true);
        if (!reader.next())
            return complain(name, QStringLiteral("empty file: expected a header naming the City, State and ZIP "
                                                 "columns"));
        const std::vector<std::string> header = reader.fields();
        ziplist::ZipColumns columns;
        try {
            columns = options.columns ? ziplist::namedColumns(options.columns->toStdString(), header)
                                      : ziplist::findColumns(header);
        } catch (const std::invalid_argument& error) {
            return complain(name, QString::fromStdString(error.what()));
        }
        if (!columns.complete()) {
            const std::string groups = ziplist::addressGroups(header);
            return complain(name + QStringLiteral(":1"),
                            QString::fromStdString(ziplist::missingColumns(columns, header))
                                + (groups.empty() ? QStringLiteral("; name them with --columns CITY,STATE,ZIP")
                                                  : QStringLiteral("; ") + QString::fromStdString(groups)));
        }
        if (!options.columns) {
            const std::string shared = ziplist::sharedNames(columns, header);
            if (!shared.empty())
                return complain(name + QStringLiteral(":1"), QString::fromStdString(shared));
        }

        const QFileInfo info(database);
        if (!info.isFile())
            return complain(database, info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file"));
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(QDir::cleanPath(info.absoluteFilePath())));
        const ZipIndex index(connection);

        rows.emplace(out, options, separator);
        rows->header(header, reader.byteOrderMark() || reader.encoding() != ziplist::Encoding::Utf8);
        Tally tally;
        const std::vector<std::string>& fields = reader.fields();
        const auto fieldAt = [&](int column) {
            return size_t(column) < fields.size() ? std::string_view(fields[size_t(column)]) : std::string_view();
        };
        while (reader.next()) {
            if (fields.size() == 1 && ziplist::trimmed(fields[0]).empty())
                continue; // a blank line is no row
            const std::array<std::string_view, 3> place{fieldAt(columns.city), fieldAt(columns.state),
                                                        fieldAt(columns.zip)};
            const RowVerdict verdict = judge(index, place[0], place[1], place[2]);
            ++tally.rows;
            ++tally.kinds[size_t(verdict.kind)];
            rows->row(tally.rows, reader.recordLine(), fields, place, verdict);
        }
        if (!rows->finish())
            return complain(QStringLiteral("standard output"), QStringLiteral("the rows could not be written"));
        summarize(name, tally);
        return tally.of(Kind::Ok) == tally.rows ? AllOk : SomeNotOk;
    } catch (const ziplist::ReadError& error) {
        // The rows before the trouble stand in the output.
        if (rows)
            rows->finish();
        return complain(error.line() > 0 ? name + QLatin1Char(':') + QString::number(error.line()) : name,
                        QString::fromStdString(error.what()));
    } catch (const Failure& failure) {
        return complain(database, failure.description());
    }
}

} // namespace olvaris::lookup
