// olvaris-lookup: the window's search from a terminal and from scripts, many
// searches in one run, and the check of a whole address list.
// Exit status: 0 rows printed (every row ok), 1 no row matched (some rows
// not ok), 2 a usage error, a list or a database that cannot be read.
#include "Complaint.h"
#include "ListCheck.h"
#include "LookupQuery.h"
#include "PlaceCommands.h"
#include "ZipRules.h"
#include "Places.h"
#include "PreparedLookups.h"
#include "RecordReader.h"
#include "RowWriter.h"
#include "Utf8.h"
#include "Failure.h"
#include "SystemPath.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

using namespace olvaris;
using namespace olvaris::lookup;

namespace {

constexpr int RowsPrinted = 0;
constexpr int NothingMatched = 1;

int usageError(const QString& message) {
    complain(message);
    std::fprintf(stderr, "Try 'olvaris-lookup --help' for more information.\n");
    return Trouble;
}

// The database beside the real program: an installed tree links
// bin/olvaris-lookup to lib/olvaris/, where the database lies.
QString defaultDatabase() { return QCoreApplication::applicationDirPath() + QStringLiteral("/zipbase.mdb"); }

constexpr const char* Attribution = "Contains GeoNames postal-code data, CC BY 4.0 "
                                    "(https://creativecommons.org/licenses/by/4.0/); see --about.";

// --near, --distance and --about: where places are.
struct PlaceRequest {
    enum class Kind { Near, Distance, About } kind;
    std::vector<std::string> places;
    NearOptions near;
    bool many = false;
    RowWriter::Format format = RowWriter::Format::Tabs;
};

int runPlaceRequest(const PlaceRequest& request, const QString& file) {
    const FileKind kind = fileKindAt(file);
    if (kind == FileKind::Missing)
        return complain(QStringLiteral("%1: no such file").arg(file));
    if (kind != FileKind::File)
        return complain(QStringLiteral("%1: not a file").arg(file));
    RowWriter writer(stdout, request.format);
    int status = RowsPrinted;
    try {
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(absoluteSystemPath(file)));
        Places places(connection);
        std::vector<std::string> asked = request.places;
        if (request.many) {
            ziplist::RecordReader lines = ziplist::RecordReader::patternLines(STDIN_FILENO);
            while (lines.next())
                if (!ziplist::trimmed(lines.fields().front()).empty())
                    asked.push_back(lines.fields().front());
        }
        switch (request.kind) {
        case PlaceRequest::Kind::Near:
            status = writeNear(places, asked, request.near, writer, request.format, request.many);
            break;
        case PlaceRequest::Kind::Distance:
            status = writeDistance(places, asked.at(0), asked.at(1), writer, request.format);
            break;
        case PlaceRequest::Kind::About:
            status = writeSources(places, stdout);
            break;
        }
    } catch (const ziplist::ReadError& error) {
        writer.finish();
        return complain(QStringLiteral("standard input:%1").arg(error.line()), QString::fromUtf8(error.what()));
    } catch (const Failure& failure) {
        writer.finish();
        return complain(QStringLiteral("%1: %2").arg(file, failure.description()));
    }
    if (!writer.finish())
        return complain(QStringLiteral("standard output: the rows could not be written"));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("olvaris-lookup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OLVARIS_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the US cities, states and ZIP codes whose city, state or ZIP code begins with PATTERN,\n"
        "in city, state, ZIP order: one row a line, city, state and ZIP code separated by tabs.\n"
        "Letter case does not matter; % stands for any run of characters and _ for any one character.\n"
        "A city is also found under the spellings the data uses (St/Saint, Ft/Fort, Mt/Mount, ...),\n"
        "\"City, ST\" is a city in a state, and a ZIP+4 is its ZIP code.\n"
        "With --check FILE, checks every row of an address list and writes it with a verdict\n"
        "(ok, format, mismatch, unknown-city, unknown-zip, incomplete), a suggested ZIP code and a note."));
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
        QStringLiteral("Write JSON Lines: one object {\"city\":…,\"state\":…,\"zip\":…,\"county\":…} a line."));
    const QCommandLineOption exact(QStringLiteral("exact"),
                                   QStringLiteral("Match whole cities, states or ZIP codes, not their starts."));
    const QCommandLineOption standardInput(
        QStringLiteral("stdin"),
        QStringLiteral("Read one PATTERN a line from standard input; each row is led by the pattern that found it,\n"
                       "and a pattern that finds nothing has a line of its own (status 1)."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Check every row of FILE, an address list (CSV or TSV with a "
                                                  "header, - for standard input; or a workbook: .xlsx, .ods, .xls), "
                                                  "and write it with its verdict."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption columns(QStringLiteral("columns"),
                                     QStringLiteral("With --check: the city, state and ZIP columns, by header name or "
                                                    "1-based number, where their names do not tell them."),
                                     QStringLiteral("CITY,STATE,ZIP"));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   QStringLiteral("With --check of a workbook: the sheet to check, by name or "
                                                  "1-based number (else the first one shown)."),
                                   QStringLiteral("NAME|N"));
    const QCommandLineOption output(
        QStringLiteral("output"),
        QStringLiteral("With --check: write the checked list to FILE instead of standard output; a name ending in "
                       ".xlsx makes a workbook\n(the rows to look at filled, a sheet of counts). FILE is written whole "
                       "or not at all."),
        QStringLiteral("FILE"));
    const QCommandLineOption problems(QStringLiteral("problems"),
                                      QStringLiteral("With --check: write only the rows that are not ok."));
    const QCommandLineOption near(QStringLiteral("near"),
                                  QStringLiteral("The ZIP codes around PLACE, nearest first, with their distance: "
                                                 "PLACE is a ZIP code, \"City, ST\" (each of its ZIP codes) or "
                                                 "\"LAT,LON\"; with --stdin, one PLACE a line."),
                                  QStringLiteral("PLACE"));
    const QCommandLineOption within(QStringLiteral("within"),
                                    QStringLiteral("With --near: the radius, in miles (mi, the default) or km; "
                                                   "25mi unless given."),
                                    QStringLiteral("N[mi|km]"));
    const QCommandLineOption limit(QStringLiteral("limit"),
                                   QStringLiteral("With --near: at most N rows for each place."), QStringLiteral("N"));
    const QCommandLineOption distance(QStringLiteral("distance"),
                                      QStringLiteral("The great-circle distance between two places A and B (given as "
                                                     "the two arguments), in miles and kilometres."));
    const QCommandLineOption county(QStringLiteral("county"),
                                    QStringLiteral("A county column after the ZIP code (JSON always has it)."));
    const QCommandLineOption about(QStringLiteral("about"),
                                   QStringLiteral("Where the database's data came from, and its licences."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Read FILE, a database built by zipbase-build, instead of the "
                                                     "one installed beside the program."),
                                      QStringLiteral("FILE"));
    // Qt's own help option would also offer --help-all, for options of Qt's
    // that this program does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOptions({all,   city,   state,    zip,      exact,  standardInput, check,    columns,
                       sheet, output, problems, near,     within, limit,         distance, county,
                       about, csv,    json,     database, help,   version});

    // Any argument may name a file: decoded so its bytes come back whole.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fromSystemBytes(argv[i]);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return RowsPrinted;
    }
    if (parser.isSet(version)) {
        std::printf("olvaris-lookup %s\n%s\n", OLVARIS_VERSION, Attribution);
        return RowsPrinted;
    }
    if (parser.isSet(csv) && parser.isSet(json))
        return usageError(QStringLiteral("--csv and --json do not go together"));
    const QString file = parser.isSet(database) ? parser.value(database) : defaultDatabase();

    const int placeKinds = int(parser.isSet(near)) + int(parser.isSet(distance)) + int(parser.isSet(about));
    if (placeKinds > 1)
        return usageError(QStringLiteral("--near, --distance and --about do not go together"));
    for (const QCommandLineOption* nearOnly : {&within, &limit})
        if (parser.isSet(*nearOnly) && !parser.isSet(near))
            return usageError(QStringLiteral("--%1 goes with --near").arg(nearOnly->names().first()));
    if (parser.isSet(county) && (parser.isSet(distance) || parser.isSet(about)))
        return usageError(QStringLiteral("--county goes with --near or a lookup"));
    if (placeKinds == 1) {
        for (const QCommandLineOption* other : {&all, &city, &state, &zip, &exact, &check})
            if (parser.isSet(*other))
                return usageError(
                    QStringLiteral("--%1 does not go with --near, --distance or --about").arg(other->names().first()));
        PlaceRequest placeRequest;
        placeRequest.format = parser.isSet(csv)    ? RowWriter::Format::Csv
                              : parser.isSet(json) ? RowWriter::Format::JsonLines
                                                   : RowWriter::Format::Tabs;
        const QStringList given = parser.positionalArguments();
        if (parser.isSet(about)) {
            placeRequest.kind = PlaceRequest::Kind::About;
            if (!given.isEmpty() || parser.isSet(standardInput))
                return usageError(QStringLiteral("--about takes nothing more"));
        } else if (parser.isSet(distance)) {
            placeRequest.kind = PlaceRequest::Kind::Distance;
            if (given.size() != 2 || parser.isSet(standardInput))
                return usageError(QStringLiteral("--distance takes two places: A B (quote \"City, ST\")"));
            placeRequest.places = {given[0].toStdString(), given[1].toStdString()};
        } else {
            placeRequest.kind = PlaceRequest::Kind::Near;
            placeRequest.many = parser.isSet(standardInput);
            if (!given.isEmpty())
                return usageError(QStringLiteral("--near takes its PLACE; quote \"City, ST\""));
            if (placeRequest.many && parser.value(near) != QLatin1String("-"))
                return usageError(QStringLiteral("with --stdin, give --near - (the places come one a line)"));
            if (!placeRequest.many)
                placeRequest.places = {parser.value(near).toStdString()};
            if (parser.isSet(within)) {
                const std::optional<Radius> radius = radiusFrom(parser.value(within).toStdString());
                if (!radius)
                    return usageError(QStringLiteral("--within takes a distance such as 5mi or 8km"));
                placeRequest.near.radius = *radius;
            }
            if (parser.isSet(limit)) {
                bool number = false;
                const int rows = parser.value(limit).toInt(&number);
                if (!number || rows < 1)
                    return usageError(QStringLiteral("--limit takes a number of rows, 1 or more"));
                placeRequest.near.limit = size_t(rows);
            }
            placeRequest.near.county = parser.isSet(county);
        }
        return runPlaceRequest(placeRequest, file);
    }

    if (parser.isSet(check)) {
        for (const QCommandLineOption* other : {&all, &city, &state, &zip, &exact, &standardInput, &csv, &county})
            if (parser.isSet(*other))
                return usageError(QStringLiteral("--check does not go with --%1").arg(other->names().first()));
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("--check does not go with a PATTERN"));
        ListCheckOptions options;
        options.file = parser.value(check);
        if (parser.isSet(columns))
            options.columns = parser.value(columns);
        if (parser.isSet(sheet))
            options.sheet = parser.value(sheet);
        if (parser.isSet(output))
            options.output = parser.value(output);
        if (options.output && options.json && options.output->endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
            return usageError(QStringLiteral("--json does not go with an .xlsx --output"));
        options.json = parser.isSet(json);
        options.problemsOnly = parser.isSet(problems);
        return checkList(options, file, stdout);
    }
    for (const QCommandLineOption* checkOnly : {&columns, &sheet, &output, &problems})
        if (parser.isSet(*checkOnly))
            return usageError(QStringLiteral("--%1 goes with --check").arg(checkOnly->names().first()));

    LookupRequest request;
    request.all = parser.isSet(all);
    request.exact = parser.isSet(exact);
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
    const bool many = parser.isSet(standardInput);
    if (request.all && request.pattern)
        return usageError(QStringLiteral("--all and a PATTERN do not go together"));
    if (int(request.all) + int(request.pattern.has_value()) + int(byField) + int(many) != 1)
        return usageError(
            QStringLiteral("give a PATTERN, --all, --stdin, --check FILE, or any of --city, --state and --zip"));
    if (request.all && request.exact)
        return usageError(QStringLiteral("--all and --exact do not go together"));
    // As in the window, a filter of blanks only asks for nothing.
    if (request.pattern && query::isBlankFilter(*request.pattern))
        return usageError(QStringLiteral("the pattern is blank; use --all for every row"));

    const FileKind kind = fileKindAt(file);
    if (kind == FileKind::Missing)
        return complain(QStringLiteral("%1: no such file").arg(file));
    if (kind != FileKind::File)
        return complain(QStringLiteral("%1: not a file").arg(file));

    RowWriter writer(stdout,
                     parser.isSet(csv)    ? RowWriter::Format::Csv
                     : parser.isSet(json) ? RowWriter::Format::JsonLines
                                          : RowWriter::Format::Tabs,
                     many);
    long long rows = 0;
    long unmatched = 0;
    try {
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(absoluteSystemPath(file)));
        const auto print = [&](const LookupRequest& one) {
            const LookupQuery query = queryFor(one);
            ZipRowSet set;
            set.Open(query.statement.constData(), &connection, query.parameters);
            for (; !set.isEOF(); set.MoveNext(), ++rows)
                writer.row(set.fieldUtf8(0), set.fieldUtf8(1), set.fieldUtf8(2));
        };
        std::optional<Places> places;
        // The county where asked for, and in JSON always, where the data
        // knows counties.
        if (parser.isSet(county) || parser.isSet(json)) {
            places.emplace(connection);
            if (places->located())
                writer.setCounty([&places](const std::string& zip) { return places->countyOf(zip); });
        }
        writer.header();
        // A ZIP that finds nothing may be one retired since: said, with its
        // town's ZIP now.
        const auto sayIfRetired = [&](const QString& pattern) {
            if (!places)
                places.emplace(connection);
            if (const std::string note = retiredNote(*places, pattern.toStdString()); !note.empty())
                complain(QString::fromStdString(note));
        };
        if (!many) {
            print(request);
            if (rows == 0 && request.pattern)
                sayIfRetired(*request.pattern);
        } else {
            PreparedLookups lookups(connection);
            // Patterns one a line, each at most a record long (a file that is
            // not a list of patterns costs no more memory than that). Every
            // pattern is accounted for: one that finds nothing has a line of
            // its own, and is counted.
            ziplist::RecordReader lines = ziplist::RecordReader::patternLines(STDIN_FILENO);
            long patterns = 0, blank = 0;
            while (lines.next()) {
                const std::string& line = lines.fields().front();
                const QString pattern = QString::fromUtf8(line.data(), qsizetype(line.size()));
                if (query::isBlankFilter(pattern)) {
                    ++blank;
                    continue;
                }
                ++patterns;
                writer.setPattern(QByteArrayView(line.data(), qsizetype(line.size())));
                long long found = 0;
                if (!text::isValidUtf8(line)) {
                    complain(QStringLiteral("standard input:%1").arg(lines.recordLine()),
                             QStringLiteral("the pattern is not UTF-8"));
                } else {
                    request.pattern = pattern;
                    found = lookups.write(queryForMany(request), writer);
                }
                rows += found;
                if (found == 0) {
                    ++unmatched;
                    writer.nothingFound();
                    sayIfRetired(pattern);
                }
            }
            std::fprintf(stderr, "olvaris-lookup: standard input: %ld %s, %ld found nothing%s\n", patterns,
                         patterns == 1 ? "pattern" : "patterns", unmatched,
                         blank > 0 ? qPrintable(QStringLiteral("; %1 blank %2 passed over")
                                                    .arg(blank)
                                                    .arg(blank == 1 ? QStringLiteral("line") : QStringLiteral("lines")))
                                   : "");
        }
    } catch (const ziplist::ReadError& error) {
        writer.finish();
        return complain(QStringLiteral("standard input:%1").arg(error.line()), QString::fromUtf8(error.what()));
    } catch (const Failure& failure) {
        writer.finish();
        return complain(QStringLiteral("%1: %2").arg(file, failure.description()));
    }
    if (!writer.finish())
        return complain(QStringLiteral("standard output: the rows could not be written"));
    if (many)
        return unmatched == 0 ? RowsPrinted : NothingMatched;
    return rows > 0 ? RowsPrinted : NothingMatched;
}
