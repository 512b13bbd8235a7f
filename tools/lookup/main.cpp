// olvaris-lookup: the window's search from a terminal and from scripts.
// Exit status: 0 rows printed, 1 no row matched, 2 a usage error or a
// database that cannot be read.
#include "LookupQuery.h"
#include "RowWriter.h"
#include "app/Failure.h"
#include "data/ZipConnection.h"
#include "data/ZipQueries.h"
#include "data/ZipRowSet.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

using namespace olvaris;
using namespace olvaris::lookup;

namespace {

constexpr int RowsPrinted = 0;
constexpr int NothingMatched = 1;
constexpr int Trouble = 2;

int complain(const QString& message) {
    std::fprintf(stderr, "olvaris-lookup: %s\n", qPrintable(message));
    return Trouble;
}

int usageError(const QString& message) {
    complain(message);
    std::fprintf(stderr, "Try 'olvaris-lookup --help' for more information.\n");
    return Trouble;
}

// The database beside the real program: an installed tree links
// bin/olvaris-lookup to lib/olvaris/, where the database lies.
QString defaultDatabase() { return QCoreApplication::applicationDirPath() + QStringLiteral("/zipbase.mdb"); }

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("olvaris-lookup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OLVARIS_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the US cities, states and ZIP codes whose city, state or ZIP code begins with PATTERN,\n"
                       "in city, state, ZIP order: one row a line, city, state and ZIP code separated by tabs.\n"
                       "Letter case does not matter; % stands for any run of characters and _ for any one character."));
    parser.addPositionalArgument(QStringLiteral("PATTERN"), QStringLiteral("The start of a city, state or ZIP code."),
                                 QStringLiteral("[PATTERN]"));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Print every row."));
    const QCommandLineOption city(QStringLiteral("city"), QStringLiteral("Rows whose city begins with TEXT."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Rows whose state begins with TEXT."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption zip(QStringLiteral("zip"), QStringLiteral("Rows whose ZIP code begins with TEXT."),
                                 QStringLiteral("TEXT"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write CSV (RFC 4180) with the header city,state,zip."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Write JSON Lines: one object {\"city\":…,\"state\":…,\"zip\":…} a line."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Read FILE, a database built by zipbase-build, instead of the "
                                                     "one installed beside the program."),
                                      QStringLiteral("FILE"));
    // Qt's own help option would also offer --help-all, for options of Qt's
    // that this program does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOptions({all, city, state, zip, csv, json, database, help, version});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return RowsPrinted;
    }
    if (parser.isSet(version)) {
        std::printf("olvaris-lookup %s\n", OLVARIS_VERSION);
        return RowsPrinted;
    }
    if (parser.isSet(csv) && parser.isSet(json))
        return usageError(QStringLiteral("--csv and --json do not go together"));

    LookupRequest request;
    request.all = parser.isSet(all);
    if (parser.isSet(city))
        request.city = parser.value(city);
    if (parser.isSet(state))
        request.state = parser.value(state);
    if (parser.isSet(zip))
        request.zip = parser.value(zip);
    const QStringList patterns = parser.positionalArguments();
    if (patterns.size() > 1)
        return usageError(QStringLiteral("one PATTERN at most; quote a pattern that holds blanks"));
    if (!patterns.isEmpty())
        request.pattern = patterns.first();
    const bool byField = request.city || request.state || request.zip;
    if (request.all && request.pattern)
        return usageError(QStringLiteral("--all and a PATTERN do not go together"));
    if (int(request.all) + int(request.pattern.has_value()) + int(byField) != 1)
        return usageError(QStringLiteral("give a PATTERN, --all, or any of --city, --state and --zip"));
    // As in the window, a filter of blanks only asks for nothing.
    if (request.pattern && query::isBlankFilter(*request.pattern))
        return usageError(QStringLiteral("the pattern is blank; use --all for every row"));

    const QString file = parser.isSet(database) ? parser.value(database) : defaultDatabase();
    const QFileInfo info(file);
    if (!info.exists())
        return complain(QStringLiteral("%1: no such file").arg(file));
    if (!info.isFile())
        return complain(QStringLiteral("%1: not a file").arg(file));

    RowWriter writer(stdout, parser.isSet(csv)    ? RowWriter::Format::Csv
                             : parser.isSet(json) ? RowWriter::Format::JsonLines
                                                  : RowWriter::Format::Tabs);
    long long rows = 0;
    try {
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(QDir::cleanPath(info.absoluteFilePath())));
        const LookupQuery query = queryFor(request);
        ZipRowSet set;
        set.Open(query.statement.constData(), &connection, query.parameters);
        writer.header();
        for (; !set.isEOF(); set.MoveNext(), ++rows)
            writer.row(set.fieldUtf8(0), set.fieldUtf8(1), set.fieldUtf8(2));
    } catch (const Failure& failure) {
        writer.finish();
        return complain(QStringLiteral("%1: %2").arg(file, failure.description()));
    }
    if (!writer.finish())
        return complain(QStringLiteral("standard output: the rows could not be written"));
    return rows > 0 ? RowsPrinted : NothingMatched;
}
