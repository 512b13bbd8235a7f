// Measures the program against the floor of the same work, in one run:
// list-all and searches through the real window (offscreen), each against
// the fastest plain read of the same rows with the SQLite C API.
// Every timed figure is the median of several runs taken in turn with its
// floor, printed with its spread.
// Usage: olvaris-bench [--repeats N] [work folder]   (default: 5 repeats,
//        bench-data beside the binary)
//        olvaris-bench --rows N [work folder]: list-all and the commands on the
//        full list only, on a table of N rows (built once in the work folder).
#include "BuilderFigures.h"
#include "ListCheckFigures.h"
#include "PlaceFigures.h"
#include "WorkbookFigures.h"
#include <QThread>
#include "Measure.h"
#include "Repeats.h"
#include "Windows1252.h"
#include "AppFiles.h"
#include "ZipQueries.h"
#include "ResultsList.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include "ResultsView.h"
#include <QItemSelectionModel>
#include "ClipboardCopy.h"
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTextStream>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <malloc.h>
#include "SqliteHandles.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <functional>
#include <vector>

using namespace olvaris;

namespace {

constexpr int MillionRows = 1'000'000;

// The rows of a query, read into one arena: the floor of every run.
struct Floor {
    double toFirstRow = 0, toEnd = 0;
    long rows = 0;
};

// A statement over a database opened read-only, its pattern bound. A step
// the engine refuses ends the benchmark with the engine's words: a figure
// from a failed read would be no figure.
struct BoundQuery {
    sqlite::Connection db;
    sqlite::Statement statement;
};

void check(int code, sqlite3* db, const char* what) {
    if (code == SQLITE_OK || code == SQLITE_DONE)
        return;
    std::fprintf(stderr, "olvaris-bench: %s: %s\n", what, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    std::exit(1);
}

BoundQuery bindQuery(const QString& database, const QByteArray& sql, const QString& parameter) {
    BoundQuery query;
    check(sqlite::open(QFile::encodeName(database).constData(), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, query.db),
          query.db.get(), "open");
    check(sqlite::prepare(query.db.get(), sql.constData(), query.statement), query.db.get(), "prepare");
    const QByteArray bound = parameter.toUtf8();
    if (!parameter.isNull())
        check(sqlite3_bind_text(query.statement.get(), 1, bound.constData(), int(bound.size()), SQLITE_TRANSIENT),
              query.db.get(), "bind");
    return query;
}

Floor readWithCApi(const QString& database, const char* sql, const QString& parameter) {
    QElapsedTimer timer;
    timer.start();
    const BoundQuery query = bindQuery(database, sql, parameter);
    sqlite3_stmt* statement = query.statement.get();
    std::vector<char> arena;
    std::vector<unsigned> lengths;
    Floor floor;
    int code = SQLITE_OK;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        if (floor.rows == 0)
            floor.toFirstRow = bench::seconds(timer);
        for (int i = 0; i < 3; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            const int size = sqlite3_column_bytes(statement, i);
            arena.insert(arena.end(), text, text + size);
            lengths.push_back(unsigned(size));
        }
        ++floor.rows;
    }
    check(code, query.db.get(), "step");
    floor.toEnd = bench::seconds(timer);
    if (floor.rows == 0)
        floor.toFirstRow = floor.toEnd;
    return floor;
}

// The plan the engine really runs for a statement with its pattern bound.
QString queryPlan(const QString& database, const char* sql, const QString& parameter) {
    const BoundQuery query = bindQuery(database, QByteArray("EXPLAIN QUERY PLAN ") + sql, parameter);
    QStringList steps;
    int code = SQLITE_OK;
    while ((code = sqlite3_step(query.statement.get())) == SQLITE_ROW)
        steps << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.statement.get(), 3)));
    check(code, query.db.get(), "plan");
    return steps.join(QStringLiteral("; "));
}

// The fastest of the plain reads that give the same rows in the same order:
// the three index ranges merged, the three ranges as one OR and a sort, and
// a walk of the (city, state, zip) index; each with the plan that really ran.
struct SearchFloor {
    Floor floor;               // the fastest
    Floor ranges, walk;        // the faster of the two range reads, and the walk
    QString plan;              // of the fastest
    const char* sql = nullptr; // the fastest
};
SearchFloor searchFloor(const QString& database, const QString& pattern) {
    const char* merged = query::SearchRanges;
    const char* ored = "select city, state, zip from zip_codes where city like ?1 or state like ?1 or zip like ?1 "
                       "order by +city, state, zip";
    const char* walk = "select city, state, zip from zip_codes indexed by zip_codes_by_place where city like ?1 "
                       "or state like ?1 or zip like ?1 order by city, state, zip";
    auto best = [&](const char* sql) {
        Floor floor = readWithCApi(database, sql, pattern);
        const Floor again = readWithCApi(database, sql, pattern);
        return again.toEnd < floor.toEnd ? again : floor;
    };
    SearchFloor result;
    const Floor mergedFloor = best(merged), oredFloor = best(ored);
    const bool mergedFaster = mergedFloor.toEnd <= oredFloor.toEnd;
    result.ranges = mergedFaster ? mergedFloor : oredFloor;
    result.walk = best(walk);
    const bool rangesFaster = result.ranges.toEnd <= result.walk.toEnd;
    result.floor = rangesFaster ? result.ranges : result.walk;
    result.sql = rangesFaster ? (mergedFaster ? merged : ored) : walk;
    result.plan = queryPlan(database, result.sql, pattern);
    return result;
}

struct WindowRun {
    double toFirstRow = 0, toEnd = 0, longestGapMs = 0;
    long rows = 0;
    long residentGrowth = 0;
    long heldGrowth = 0; // after free heap memory is handed back to the system
    size_t storeBytes = 0;
};

WindowRun runInWindow(Form1& form, bool listAll, const QString& filter = {}) {
    form.results().clear();
    QCoreApplication::processEvents();
    // A person's pause between two clicks, in which a large cleared list is
    // given back to the system in a thread of its own.
    QThread::msleep(100);
    form.Text1->setText(filter);
    QElapsedTimer timer;
    double firstShown = -1;
    auto connection = QObject::connect(&form.results(), &QAbstractItemModel::rowsInserted, [&] {
        if (firstShown < 0)
            firstShown = bench::seconds(timer);
    });
    malloc_trim(0);
    const long before = bench::residentBytes();
    form.yielder().resetMeasurements();
    // The longest gap counts from the click to the first turn and from the
    // last turn to the end of the run: a turn is taken on either side.
    form.yielder().turn();
    timer.start();
    listAll ? form.runs().PushButton3_Click() : form.runs().PushButton1_Click();
    WindowRun run;
    run.toEnd = bench::seconds(timer);
    form.yielder().turn();
    form.results().announce();
    if (firstShown < 0)
        firstShown = bench::seconds(timer);
    QObject::disconnect(connection);
    run.toFirstRow = firstShown;
    run.rows = form.results().count();
    run.longestGapMs = double(form.yielder().longestGapNanoseconds()) / 1e6;
    QCoreApplication::processEvents();
    run.residentGrowth = bench::residentBytes() - before;
    malloc_trim(0);
    run.heldGrowth = bench::residentBytes() - before;
    run.storeBytes = form.results().storeBytes();
    return run;
}

QString makeRowDatabase(const QString& folder, const QString& shippedCsv, const QString& builder, int count) {
    const QString name = count == MillionRows ? QStringLiteral("zipbase-1m") : QStringLiteral("zipbase-%1").arg(count);
    QString database = QDir(folder).filePath(name + QStringLiteral(".mdb"));
    if (QFile::exists(database))
        return database;
    QFile source(shippedCsv);
    source.open(QIODevice::ReadOnly | QIODevice::Text);
    source.readLine();
    QList<QByteArray> rows;
    while (!source.atEnd())
        rows.append(source.readLine().trimmed());
    const QString csv = QDir(folder).filePath(name + QStringLiteral(".csv"));
    QFile out(csv);
    out.open(QIODevice::WriteOnly);
    out.write("city,state,zip\n");
    // Copies of the shipped rows with a numbered city, so the order interleaves.
    for (int i = 0; i < count; ++i) {
        const QByteArray& row = rows[i % rows.size()];
        const int copy = i / int(rows.size());
        const qsizetype comma = row.indexOf(',');
        out.write(copy == 0 ? row : row.left(comma) + ' ' + QByteArray::number(copy) + row.mid(comma));
        out.write("\n");
    }
    out.close();
    QProcess::execute(builder, {csv, database});
    QFile::remove(csv);
    return database;
}

// The floor of the export commands: the same bytes built from a plain
// in-memory copy of the rows, then written or put on the clipboard.
struct PlainRows {
    std::vector<std::string> city, state, zip;
};

PlainRows copyRows(const ResultsList& list) {
    PlainRows rows;
    for (int i = 1; i <= list.count(); ++i) {
        rows.city.emplace_back(list.itemUtf8(i, 1).toByteArray().toStdString());
        rows.state.emplace_back(list.itemUtf8(i, 2).toByteArray().toStdString());
        rows.zip.emplace_back(list.itemUtf8(i, 3).toByteArray().toStdString());
    }
    return rows;
}

// A field as Windows-1252: ASCII as it is, eight bytes tested at a time.
void appendSaved(std::string& text, const std::string& field) {
    const char* bytes = field.data();
    const size_t size = field.size();
    size_t at = 0;
    std::uint64_t high = 0;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        high |= word;
    }
    for (; at < size; ++at)
        high |= std::uint64_t(static_cast<unsigned char>(bytes[at]));
    if ((high & 0x8080808080808080ULL) == 0)
        text.append(bytes, size);
    else
        text::appendWindows1252(text, field);
}

// The fastest durable replacing write of the same bytes: a new file beside
// the target, written whole, synced, renamed over it, the folder synced.
void replaceDurably(const QString& path, const std::string& text) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray part = target + ".floor-part";
    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (size_t at = 0; fd >= 0 && at < text.size();) {
        const ssize_t written = ::write(fd, text.data() + at, text.size() - at);
        if (written <= 0)
            break;
        at += size_t(written);
    }
    ::fsync(fd);
    ::close(fd);
    ::rename(part.constData(), target.constData());
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
}

double floorSave(const PlainRows& rows, SaveShape shape, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const bool zipOnly = shape == SaveShape::ZipCodes, allColumns = shape == SaveShape::AllColumns;
    std::string text = zipOnly ? "Zip\r\n" : allColumns ? "City\tState\tZip\r\n" : "City\tState\r\n";
    size_t size = text.size() + 2;
    for (size_t i = 0; i < rows.zip.size(); ++i)
        size += (zipOnly ? 0 : rows.city[i].size() + rows.state[i].size() + 1)
                + (zipOnly || allColumns ? rows.zip[i].size() : 0) + (allColumns ? 1 : 0) + 2;
    text.reserve(size);
    for (size_t i = 0; i < rows.zip.size(); ++i) {
        if (!zipOnly) {
            appendSaved(text, rows.city[i]);
            text += '\t';
            appendSaved(text, rows.state[i]);
            if (allColumns)
                text += '\t';
        }
        if (zipOnly || allColumns)
            appendSaved(text, rows.zip[i]);
        text += "\r\n";
    }
    text += "\r\n";
    replaceDurably(path, text);
    std::string().swap(text); // the save gives its text back before it ends
    return bench::seconds(timer);
}

double floorCopy(const PlainRows& rows) {
    QElapsedTimer timer;
    timer.start();
    size_t widths[3] = {0, 0, 0};
    size_t zipBytes = 0;
    for (size_t i = 0; i < rows.zip.size(); ++i) {
        widths[0] = std::max(widths[0], rows.city[i].size());
        widths[1] = std::max(widths[1], rows.state[i].size());
        widths[2] = std::max(widths[2], rows.zip[i].size());
        zipBytes += rows.zip[i].size();
    }
    // Written into room made once, as the fastest build of a known size.
    QByteArray text(qsizetype(rows.zip.size() * (widths[0] + widths[1] + 4) + zipBytes), Qt::Uninitialized);
    char* out = text.data();
    auto put = [&](const std::string& field, size_t width) {
        out = std::copy(field.begin(), field.end(), out);
        std::memset(out, ' ', width - field.size());
        out += width - field.size();
    };
    for (size_t i = 0; i < rows.zip.size(); ++i) {
        put(rows.city[i], widths[0]);
        *out++ = '\t';
        put(rows.state[i], widths[1]);
        *out++ = '\t';
        put(rows.zip[i], rows.zip[i].size());
        *out++ = '\r';
        *out++ = '\n';
    }
    text.truncate(out - text.data());
    // The fastest correct hand-over: the UTF-8 bytes as the clipboard's text.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), text);
    QGuiApplication::clipboard()->setMimeData(data);
    return bench::seconds(timer);
}

struct ExportRun {
    double seconds = 0, longestGapMs = 0;
};

// A command's time and its longest gap, from the click to its return: the
// gaps between turns, the first from the click, and the steps after the
// last turn until the command returns.
// The turn of the loop that follows counts into the last gap: it lays the
// list out again and paints it before the window can answer anything else.
ExportRun timeCommand(Form1& form, const std::function<void()>& command) {
    Yielder& yielder = form.yielder();
    yielder.measureFromNow();
    QElapsedTimer timer;
    timer.start();
    command();
    const double seconds = bench::seconds(timer);
    QCoreApplication::processEvents();
    const qint64 tail = yielder.sinceLastTurnNanoseconds();
    const qint64 longest = std::max(yielder.longestGapNanoseconds(), tail);
    return {seconds, double(longest) / 1e6};
}

// Answers the save dialog with one fixed name and records nothing else.
class BenchPlatform : public DesktopPlatform {
public:
    QString saveName;
    QString askSaveFileName(const SaveDialogRequest&) override { return saveName; }
    int drawOneToHundred() override { return 50; }
    void showMessage(const QString&, const QString&, MessageIcon) override {}
};

// A run in the window taken in turn with its floor, several times.
struct RunFigures {
    bench::Paired time;
    bench::Figure firstRow, floorFirstRow, longestGapMs;
    WindowRun last;
    void add(const WindowRun& run, const Floor& floor) {
        time.add(run.toEnd, floor.toEnd);
        firstRow.add(run.toFirstRow);
        floorFirstRow.add(floor.toFirstRow);
        longestGapMs.add(run.longestGapMs);
        last = run;
    }
};

RunFigures repeatRun(const std::function<WindowRun()>& window, const std::function<Floor()>& floor) {
    RunFigures figures;
    for (int i = 0; i < bench::repeats(); ++i) {
        const WindowRun run = window();
        figures.add(run, floor());
    }
    return figures;
}

void report(QTextStream& out, const char* what, const RunFigures& run) {
    out << QString::asprintf("| %-28s | %8ld | %-24s | %-24s | %-19s | %8.4f s | %8.4f s | %6.1f ms |\n", what,
                             run.last.rows, qPrintable(bench::seconds(run.time.program)),
                             qPrintable(bench::seconds(run.time.floor)), qPrintable(bench::ratio(run.time.ratio)),
                             run.firstRow.median(), run.floorFirstRow.median(), run.longestGapMs.median());
}

// A search whose engine walks the whole table before its first row, stopped
// 100 ms after the click: how long the stop takes to end the run, and the
// longest gap, all from the click.
void stopDuringOpen(QTextStream& out, Form1& form) {
    form.results().clear();
    QCoreApplication::processEvents();
    form.Text1->setText(QStringLiteral("%no such place"));
    QElapsedTimer timer;
    double stopClicked = -1;
    QTimer::singleShot(100, &form, [&] {
        stopClicked = bench::seconds(timer);
        form.PushButton1->click();
    });
    form.yielder().resetMeasurements();
    form.yielder().turn();
    timer.start();
    form.runs().PushButton1_Click();
    const double ended = bench::seconds(timer);
    form.yielder().turn();
    out << QString::asprintf("\nStop during the open (1M, \"%%no such place\"): stop clicked at %.1f ms, run ended "
                             "%.2f ms later; longest gap %.1f ms; caption \"%s\"\n",
                             stopClicked * 1e3, (ended - stopClicked) * 1e3,
                             double(form.yielder().longestGapNanoseconds()) / 1e6,
                             qPrintable(form.PushButton1->text()));
}

// olvaris-lookup against the sqlite3 shell running the same query with
// tab-separated output, start to exit, output to /dev/null, taken in turn.
double secondsToRun(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return bench::seconds(timer);
}

void lookupFigures(QTextStream& out, const QString& binFolder, const QString& shipped, const QString& million) {
    const QString lookup = binFolder + QStringLiteral("/olvaris-lookup");
    const QString shell = QStringLiteral("sqlite3");
    auto line = [&](const char* what, const QStringList& tool, const QStringList& floor) {
        bench::Paired times;
        for (int i = 0; i < bench::repeats(); ++i) {
            const double toolSeconds = secondsToRun(lookup, tool);
            times.add(toolSeconds, secondsToRun(shell, floor));
        }
        out << QString::asprintf("| %-28s | %-24s | %-24s | %-19s |\n", what, qPrintable(bench::seconds(times.program)),
                                 qPrintable(bench::seconds(times.floor)), qPrintable(bench::ratio(times.ratio)));
    };
    out << "\n| olvaris-lookup, start to exit | lookup                  | sqlite3                  | ratio               |\n";
    out << "|------------------------------|--------------------------|--------------------------|---------------------|\n";
    line("--all, 1,000,000 rows", {"--database", million, "--all"},
         {"-readonly", "-separator", "\t", million, QString::fromLatin1(query::ListAll)});
    line("02134, shipped table", {"--database", shipped, "02134"},
         {"-readonly", "-separator", "\t", "-cmd", QStringLiteral(".parameter set ?1 '02134%'"), shipped,
          QString::fromLatin1(query::SearchRanges)});
    // The start alone: no database opened. Its floor is the shell's own.
    line("--version", {"--version"}, {"-version"});
    const QString pattern = QStringLiteral(".parameter set ?1 'spring%'");
    line("spring, shipped table", {"--database", shipped, "spring"},
         {"-readonly", "-separator", "\t", "-cmd", pattern, shipped, QString::fromLatin1(query::SearchRanges)});
}

// Many list-all runs in one process: the memory after the last run against
// the memory after the tenth.
void loadFigures(QTextStream& out, Form1& form, int runs, const char* what) {
    long afterTenth = 0, afterLast = 0;
    for (int run = 1; run <= runs; ++run) {
        form.runs().PushButton3_Click();
        QCoreApplication::processEvents();
        if (run == 10)
            afterTenth = bench::residentBytes();
        if (run == runs)
            afterLast = bench::residentBytes();
    }
    out << QString::asprintf("| %-30s | %5d | %9.1f MB | %9.1f MB | %+6.2f %% |\n", what, runs, afterTenth / 1e6,
                             afterLast / 1e6, 100.0 * double(afterLast - afterTenth) / double(afterTenth));
}

// The commands that change a full list: a removal near the end and near the
// start (by Delete and by double-click), and Clear Results; the list is
// listed whole again before each round.
void listCommandFigures(QTextStream& out, Form1& form) {
    auto select = [&](int row) {
        form.ListView1->selectionModel()->setCurrentIndex(
            form.results().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCoreApplication::processEvents();
    };
    struct Command {
        const char* what;
        std::function<void()> select, run;
        bench::Figure seconds, gapMs;
    };
    std::vector<Command> commands{
        {"Delete, row near the end",
         [&] { select(form.results().count() - 2); },
         [&] { form.ListView1_KeyDown(Qt::Key_Delete); },
         {},
         {}},
        {"Delete, row near the start", [&] { select(1); }, [&] { form.ListView1_KeyDown(Qt::Key_Delete); }, {}, {}},
        {"Double-click, first row", [&] { select(0); }, [&] { form.ListView1_DblClick(); }, {}, {}},
        {"Clear Results", [] {}, [&] { form.PushButton5->click(); }, {}, {}},
    };
    const int rows = form.results().count();
    for (int i = 0; i < bench::repeats(); ++i) {
        if (i > 0) {
            form.runs().PushButton3_Click();
            QCoreApplication::processEvents();
        }
        for (Command& command : commands) {
            command.select();
            const ExportRun run = timeCommand(form, command.run);
            command.seconds.add(run.seconds);
            command.gapMs.add(run.longestGapMs);
        }
        QThread::msleep(300); // a cleared list is given back in a thread of its own
    }
    out << QString::asprintf("\n| command on %-9d rows    | window                   | longest gap |\n", rows);
    out << "|------------------------------|--------------------------|-------------|\n";
    for (const Command& command : commands)
        out << QString::asprintf("| %-28s | %-24s | %6.1f ms |\n", command.what,
                                 qPrintable(bench::seconds(command.seconds, 4)), command.gapMs.median());
}

void exportFigures(QTextStream& out, Form1& form, BenchPlatform& platform, const QString& work) {
    const PlainRows rows = copyRows(form.results());
    const QString path = QDir(work).filePath(QStringLiteral("saved.txt"));
    platform.saveName = path;
    out << QString::asprintf("\n| command on %-9d rows    | window                   | floor                    | "
                             "ratio               | longest gap |\n",
                             form.results().count());
    out << "|------------------------------|--------------------------|--------------------------|---------------------|-------------|\n";
    auto line = [&](const char* what, const std::function<void()>& command, const std::function<double()>& floor) {
        bench::Paired times;
        bench::Figure gapMs;
        for (int i = 0; i < bench::repeats(); ++i) {
            const ExportRun run = timeCommand(form, command);
            gapMs.add(run.longestGapMs);
            times.add(run.seconds, floor());
        }
        out << QString::asprintf("| %-28s | %-24s | %-24s | %-19s | %6.1f ms |\n", what,
                                 qPrintable(bench::seconds(times.program)), qPrintable(bench::seconds(times.floor)),
                                 qPrintable(bench::ratio(times.ratio)), gapMs.median());
    };
    line(
        "Save All Results", [&] { form.exports().PushButton4_Click(); },
        [&] { return floorSave(rows, SaveShape::AllColumns, path); });
    line(
        "Save States and Cities Only", [&] { form.exports().PushButton13_Click(); },
        [&] { return floorSave(rows, SaveShape::CitiesAndStates, path); });
    line(
        "Save Zip Codes Only", [&] { form.exports().PushButton2_Click(); },
        [&] { return floorSave(rows, SaveShape::ZipCodes, path); });
    // The memory of the first copy, made with the clipboard empty.
    QGuiApplication::clipboard()->clear();
    QThread::msleep(300);
    long beforeCopy = 0, afterCopy = 0;
    line(
        "Copy Results To Clipboard",
        [&] {
            const bool first = beforeCopy == 0;
            if (first)
                beforeCopy = bench::residentBytes();
            form.exports().PushButton6_Click();
            if (first)
                afterCopy = bench::residentBytes();
        },
        [&] { return floorCopy(rows); });
    form.exports().PushButton6_Click(); // the program's own text on the clipboard, for its size
    const qsizetype copied = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")).size();
    listCommandFigures(out, form);
    const long afterClear = bench::residentBytes();
    out << QString::asprintf("\nCopy: the text is %.1f MB of UTF-8; resident memory %.1f MB before the first copy, "
                             "%.1f MB after it (+%.2f times the text), %.1f MB after Clear Results\n",
                             copied / 1e6, beforeCopy / 1e6, afterCopy / 1e6,
                             double(afterCopy - beforeCopy) / double(copied), afterClear / 1e6);
    QFile::remove(path);
}

} // namespace

// The window on a database, linked into a folder of its own as the program
// finds its database, started and shown.
QString placeDatabase(const QString& database, const QString& folder) {
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/zipbase.mdb"));
    QFile::link(database, folder + QStringLiteral("/zipbase.mdb"));
    AppFiles::overrideFolder(folder);
    return folder;
}

struct BenchWindow {
    BenchWindow(const QString& database, const QString& place) : folder(placeDatabase(database, place)) {
        form.Form_Load();
        form.show();
        QCoreApplication::processEvents();
    }
    QString folder;
    BenchPlatform platform;
    Form1 form{platform};
};

void runTableHeader(QTextStream& out) {
    out << QString::asprintf("Medians of %d runs, each taken in turn with its floor; (least-most); a ratio marked ? "
                             "has a spread wider than its distance from %.1f.\n\n",
                             bench::repeats(), bench::Goal);
    out << "| run                          | rows     | window                   | floor                    | ratio               | first row  | floor first | longest gap |\n";
    out << "|------------------------------|----------|--------------------------|--------------------------|---------------------|------------|------------|-------------|\n";
}

// List-all and the commands on the full list, on a table of any size.
// Type-to-find in the listed table: the longest a key takes, for a text no
// city begins (the search runs until its time is up) and for one found near
// the end of the list.
void typeToFindFigures(QTextStream& out, Form1& form) {
    ResultsView* list = form.ListView1;
    list->setCurrentIndex(list->model()->index(0, 0));
    double longest = 0;
    for (const char* typed : {"qxq", "z", "zz"}) {
        QThread::msleep(1000); // a new text, not the last one continued
        QElapsedTimer timer;
        timer.start();
        list->keyboardSearch(QString::fromLatin1(typed));
        longest = std::max(longest, bench::seconds(timer));
    }
    out << QString::asprintf("Type-to-find, %d rows: the longest key %.1f ms; the current row after \"z\": %d\n",
                             form.results().count(), longest * 1e3, list->currentIndex().row() + 1);
}

int largeTable(QTextStream& out, const QString& database, const QString& work) {
    BenchWindow window(database, QDir(work).filePath(QStringLiteral("large")));
    runTableHeader(out);
    report(out, "list all",
           repeatRun([&] { return runInWindow(window.form, true); },
                     [&] { return readWithCApi(database, query::ListAll, QString()); }));
    typeToFindFigures(out, window.form);
    exportFigures(out, window.form, window.platform, work);
    out << QString::asprintf("Peak resident memory of the whole process: %.1f MB\n", bench::peakResidentBytes() / 1e6);
    return 0;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QStringList arguments = app.arguments().mid(1);
    int rowCount = 0;
    // Only the list check's and the builder's figures, which take a minute rather than many.
    const bool listCheckOnly = arguments.removeAll(QStringLiteral("--list-check")) > 0;
    const bool workbooksOnly = arguments.removeAll(QStringLiteral("--workbooks")) > 0;
    const bool placesOnly = arguments.removeAll(QStringLiteral("--places")) > 0;
    const bool lookupsOnly = arguments.removeAll(QStringLiteral("--lookups")) > 0;
    for (bool more = true; more && arguments.size() >= 2;) {
        more = false;
        if (arguments.first() == QStringLiteral("--rows")) {
            rowCount = arguments.at(1).toInt();
            arguments = arguments.mid(2);
            more = true;
        } else if (arguments.first() == QStringLiteral("--repeats")) {
            bench::repeats() = std::max(1, arguments.at(1).toInt());
            arguments = arguments.mid(2);
            more = true;
        }
    }
    const QString binFolder = QCoreApplication::applicationDirPath();
    const QString work = !arguments.isEmpty() ? arguments.first() : binFolder + QStringLiteral("/bench-data");
    QDir().mkpath(work);
    const QString shippedCsv = QStringLiteral(OLVARIS_SOURCE_DIR "/db/us-zip-codes.csv");
    const QString builder = binFolder + QStringLiteral("/zipbase-build");
    if (rowCount > 0)
        return largeTable(out, makeRowDatabase(work, shippedCsv, builder, rowCount), work);
    const QString shipped = binFolder + QStringLiteral("/zipbase.mdb");
    if (workbooksOnly) {
        workbookFigures(out, binFolder, shipped, work);
        return 0;
    }
    if (placesOnly) {
        placeFigures(out, binFolder, shipped, work);
        return 0;
    }
    if (listCheckOnly) {
        listCheckFigures(out, binFolder, shipped, work);
        workbookFigures(out, binFolder, shipped, work);
        builderFigures(out, binFolder, shippedCsv, work);
        return 0;
    }
    const QString million = makeRowDatabase(work, shippedCsv, builder, MillionRows);
    if (lookupsOnly) {
        lookupFigures(out, binFolder, shipped, million);
        return 0;
    }

    runTableHeader(out);
    QStringList plans;
    WindowRun millionList;
    QString loadTable;
    QTextStream load(&loadTable);
    for (const QString& database : {shipped, million}) {
        const bool big = database == million;
        BenchWindow window(database, QDir(work).filePath(big ? QStringLiteral("million") : QStringLiteral("shipped")));
        Form1& form = window.form;
        BenchPlatform& platform = window.platform;

        const RunFigures listAll = repeatRun([&] { return runInWindow(form, true); },
                                             [&] { return readWithCApi(database, query::ListAll, QString()); });
        report(out, big ? "list all, 1,000,000 rows" : "list all, shipped table", listAll);
        if (big)
            millionList = listAll.last;

        for (const char* filter : {"spring", "S", "9", "%ville", "qqq", "%qqq"}) {
            const QString text = QString::fromUtf8(filter);
            const QString pattern = text + QLatin1Char('%');
            const SearchFloor floor = searchFloor(database, pattern);
            const RunFigures search = repeatRun([&] { return runInWindow(form, false, text); },
                                                [&] { return readWithCApi(database, floor.sql, pattern); });
            const QByteArray label = QStringLiteral("search \"%1\", %2").arg(text, big ? "1M" : "shipped").toUtf8();
            report(out, label.constData(), search);
            plans << QStringLiteral("%1 on %2: floor %3 (ranges %4 s, walk %5 s); the program's: %6")
                         .arg(text, big ? "1M" : "shipped", floor.plan)
                         .arg(floor.ranges.toEnd, 0, 'f', 4)
                         .arg(floor.walk.toEnd, 0, 'f', 4)
                         .arg(queryPlan(database, query::searchFor(pattern), pattern));
        }
        if (big)
            stopDuringOpen(out, form);
        if (big) {
            form.runs().PushButton3_Click();
            exportFigures(out, form, platform, work);
        }
        loadFigures(load, form, big ? 20 : 200, big ? "list all, 1,000,000 rows" : "list all, shipped table");
        form.results().clear();
    }
    lookupFigures(out, binFolder, shipped, million);
    listCheckFigures(out, binFolder, shipped, work);
    workbookFigures(out, binFolder, shipped, work);
    builderFigures(out, binFolder, shippedCsv, work);
    out << "\n| repeated runs in one process    | runs  | after 10th   | after last   | change   |\n";
    out << "|--------------------------------|-------|--------------|--------------|----------|\n";
    out << loadTable;
    out << "\nPlans (EXPLAIN QUERY PLAN of what ran): the floor's, the fastest plain read of the same rows in the same order, and the program's:\n";
    for (const QString& plan : plans)
        out << "  " << plan << "\n";
    const double rows = double(millionList.rows);
    out << QString::asprintf("\nResults list memory at 1,000,000 rows, bytes per row:\n"
                             "  resident growth %.1f; after free heap is returned %.1f; the store itself %.1f\n",
                             millionList.residentGrowth / rows, millionList.heldGrowth / rows,
                             double(millionList.storeBytes) / rows);
    out << QString::asprintf("Peak resident memory of the whole process: %.1f MB\n", bench::peakResidentBytes() / 1e6);
    return 0;
}
