// Builds the program's database from a file of cities, states and ZIP codes:
// CSV or TSV with City, State and ZIP columns, a list saved by Olvaris (any
// separator, Windows-1252), or the GeoNames postal-code dump; UTF-8 or
// Windows-1252. The database always holds UTF-8, five-digit ZIP codes and
// two-letter state codes.
// Nothing is written unless the whole input is valid: the database is built
// under a temporary name beside the output and renamed over it at the end.
#include "OpenSheet.h"
#include "PlaceNames.h"
#include "TimeZones.h"
#include "ZipMerge.h"
#include "ZipRecords.h"
#include "ZipRules.h"
#include "SqliteHandles.h"
#include "ZipSchema.h"
#include "Error.h"
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <memory>
#include <set>
#include <tuple>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Failed = 1;
constexpr int UsageError = 2;

constexpr const char* Usage = "usage: zipbase-build [--help] [--version] [--columns CITY,STATE,ZIP] [--sheet NAME|N]\n"
                              "                     [--locations FILE] [--current FILE] [--time-zones FILE]\n"
                              "                     [--census-places FILE] [--named-places FILE]\n"
                              "                     [--note ROLE=TEXT]... INPUT OUTPUT\n";
constexpr const char* Help = R"(
Builds OUTPUT, a database for Olvaris and olvaris-lookup, from INPUT, which may be
  - CSV or TSV with a header naming the City, State and ZIP columns (City/Town,
    State/ST, ZIP/Zip Code/Postal Code ..., in any letter case and order; comma,
    semicolon or tab; quoted fields allowed; other columns are passed over),
  - a list saved by Olvaris with Save All Results (header City<sep>State<sep>Zip, any separator),
  - the GeoNames postal-code dump for the US (US.txt: tab-separated, no header),
  - a workbook (.xlsx, .ods or .xls, told by its content): the first sheet shown,
    or the one --sheet names; its header may follow a title row or two,
in UTF-8, Windows-1252 or UTF-16 (with a byte-order mark), lines ending in
LF, CRLF or CR. --columns CITY,STATE,ZIP names the columns of a CSV or TSV by
header or 1-based number, where their names do not tell them.

OUTPUT is refused when it is INPUT (by any name), or an existing file that is
not a database (a list named as the output by mistake); a database or an empty
file there is replaced.

Every row is checked: a ZIP+4 is cut to its five digits, a ZIP that lost its
leading zeros gets them back, a ZIP as a spreadsheet's cell writes it ('02134,
="02134", 2134.0) is read as that ZIP, a state's name, an old abbreviation
(Mass., Calif.) or a code in small letters becomes
its two-letter code (each said as INPUT:LINE: what was done, the first 20 of
them, and counted). A ZIP that is no ZIP code, an unknown state or an empty city
is refused as INPUT:LINE: reason, and nothing is written; OUTPUT keeps what it held. Exit status: 0 built, 1 refused or
failed, 2 a usage error, 128+N interrupted by signal N (nothing left behind).

Where each ZIP is, and which exist today (INPUT's own Latitude and Longitude
columns, where it has them, give its ZIPs' points first):
  --locations FILE  a CSV with ZIP, Latitude and Longitude columns: each ZIP's point
  --current FILE    the GeoNames postal-code export for the US, newer than INPUT: a ZIP
                    of the 50 states or DC that it lacks is retired (kept apart with its
                    last town), one it adds joins the list (named in the list's style;
                    a military one with the state its number gives); its points come
                    before those of --locations, and it gives each ZIP's county
  --time-zones FILE a CSV with ZIP and time_zone columns: each ZIP's time zone as the
                    tz database names it (America/New_York); a ZIP it lacks has none
  --census-places FILE  a CSV with ZIP, State and Place columns: the census places
                    (cities, towns, villages, CDPs) each ZIP's area overlaps
  --named-places FILE   a CSV with Place, State, Latitude and Longitude columns:
                    populated places, neighbourhoods among them, and where they are
  --note ROLE=TEXT  what a source is (its name, date, licence), recorded in OUTPUT for
                    olvaris-lookup --about; ROLE is list, locations, current, time-zones,
                    census-places or named-places
A point outside -90..90 / -180..180, or 0,0, is no place: said as FILE:LINE and left
out. Territories and military ZIPs are never retired (the export does not cover them).
)";

using olvaris::Error;

void check(sqlite3* db, int code, int expected = SQLITE_OK) {
    if (code != expected)
        throw Error(Error::Kind::Output, sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw Error(Error::Kind::Output, text);
    }
}

int openInput(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw Error(Error::Kind::Input, "cannot open " + path + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        throw Error(Error::Kind::Input, path + " is a folder");
    }
    return descriptor;
}

// What was done to the rows to store them.
struct Corrections {
    long plusFour = 0, lostZeros = 0, cells = 0, states = 0;
    long total() const { return plusFour + lostZeros + cells + states; }
};
constexpr long CorrectionsSaid = 20;

// The row as it is stored: five-digit ZIP, state code, trimmed city. Throws
// ReadError for what cannot be stored.
std::array<std::string, 3> storedForm(const std::array<std::string, 3>& row, long line, Corrections& corrections,
                                      const std::string& input) {
    const std::string_view city = olvaris::ziplist::trimmed(row[0]);
    if (city.empty())
        throw olvaris::ziplist::ReadError(line, "the city is empty");
    const std::optional<olvaris::ziplist::Zip> zip = olvaris::ziplist::zipFrom(row[2]);
    if (!zip)
        throw olvaris::ziplist::ReadError(line, "\"" + row[2] + "\" is not a ZIP code");
    const std::optional<olvaris::ziplist::State> state = olvaris::ziplist::stateFrom(row[1]);
    if (!state)
        throw olvaris::ziplist::ReadError(line, "\"" + row[1] + "\" is not a US state");
    const auto say = [&](const std::string& what) {
        if (corrections.total() <= CorrectionsSaid)
            std::cerr << input << ":" << line << ": " << what << "\n";
    };
    if (zip->plusFour) {
        ++corrections.plusFour;
        say("ZIP+4 " + row[2] + " stored as " + zip->five);
    } else if (zip->lostZeros) {
        ++corrections.lostZeros;
        say("ZIP " + row[2] + " stored as " + zip->five);
    } else if (zip->cellForm) {
        ++corrections.cells;
        say("ZIP " + row[2] + " (a spreadsheet cell's form) stored as " + zip->five);
    }
    if (state->corrected()) {
        ++corrections.states;
        say("state " + row[1] + " stored as " + state->code);
    }
    return {std::string(city), state->code, zip->five};
}

// The inputs beside the list, and what each source is.
struct Sources {
    std::optional<std::string> locations, current, timeZones, censusPlaces, namedPlaces;
    std::map<std::string, std::string> notes; // by role
};

// Lines of a source left out, the first few said.
void sayLeftOut(const std::string& file, const std::vector<olvaris::zipdata::LeftOut>& leftOut) {
    for (size_t i = 0; i < leftOut.size() && i < size_t(CorrectionsSaid); ++i)
        std::cerr << file << ":" << leftOut[i].line << ": " << leftOut[i].why << "\n";
    if (leftOut.size() > size_t(CorrectionsSaid))
        std::cerr << file << ": " << leftOut.size() - size_t(CorrectionsSaid) << " more left out, not shown\n";
}

// A file's name with its line, where there is one: FILE:LINE.
std::string located(const std::string& file, long line) { return line > 0 ? file + ":" + std::to_string(line) : file; }

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

struct Statements {
    olvaris::sqlite::Statement row, place, point, retired, source, timeZone;
};

void bindText(sqlite3* db, sqlite3_stmt* statement, int index, const std::string& text) {
    check(db, sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT));
}

void step(sqlite3* db, sqlite3_stmt* statement) {
    check(db, sqlite3_step(statement), SQLITE_DONE);
    check(db, sqlite3_reset(statement));
}

void insertRow(sqlite3* db, sqlite3_stmt* statement, const std::array<std::string, 3>& row) {
    for (int i = 0; i < 3; ++i)
        bindText(db, statement, i + 1, row[size_t(i)]);
    step(db, statement);
}

// Rows of a merge: the list made current, where each ZIP is, the retired.
void insertMerged(sqlite3* db, Statements& statements, const olvaris::zipdata::Merged& merged) {
    for (const auto& row : merged.rows)
        insertRow(db, statements.row.get(), row);
    for (const auto& row : merged.retired)
        insertRow(db, statements.retired.get(), {row[2], row[0], row[1]});
    for (const auto& [zip, place] : merged.places) {
        bindText(db, statements.place.get(), 1, zip);
        if (place.point) {
            check(db, sqlite3_bind_double(statements.place.get(), 2, place.point->latitude));
            check(db, sqlite3_bind_double(statements.place.get(), 3, place.point->longitude));
            check(db, sqlite3_bind_int(statements.point.get(), 1, std::stoi(zip)));
            check(db, sqlite3_bind_double(statements.point.get(), 2, place.point->latitude));
            check(db, sqlite3_bind_double(statements.point.get(), 3, place.point->longitude));
            step(db, statements.point.get());
        } else {
            check(db, sqlite3_bind_null(statements.place.get(), 2));
            check(db, sqlite3_bind_null(statements.place.get(), 3));
        }
        for (const auto& [index, text] : {std::pair{4, &place.county}, std::pair{5, &place.countyFips}}) {
            if (text->empty())
                check(db, sqlite3_bind_null(statements.place.get(), index));
            else
                bindText(db, statements.place.get(), index, *text);
        }
        step(db, statements.place.get());
    }
}

void insertSource(sqlite3* db, sqlite3_stmt* statement, const std::string& role, const std::string& file, long lines,
                  const Sources& sources) {
    bindText(db, statement, 1, role);
    bindText(db, statement, 2, baseName(file));
    check(db, sqlite3_bind_int64(statement, 3, lines));
    const auto note = sources.notes.find(role);
    bindText(db, statement, 4, note == sources.notes.end() ? std::string() : note->second);
    step(db, statement);
}

// A source recorded with a statement of its own.
void insertSourceRow(sqlite3* db, const std::string& role, const std::string& file, long lines,
                     const Sources& sources) {
    olvaris::sqlite::Statement statement;
    check(db, olvaris::sqlite::prepare(db, olvaris::schema::InsertSource, statement));
    insertSource(db, statement.get(), role, file, lines, sources);
}

// The names people use for their places, from the sources that give them.
void insertPlaceNames(sqlite3* db, const Sources& sources) {
    exec(db, olvaris::schema::PlaceNames);
    olvaris::sqlite::Statement statement;
    if (sources.censusPlaces) {
        check(db, olvaris::sqlite::prepare(db, olvaris::schema::InsertCensusPlace, statement));
        const olvaris::zipdata::CensusPlaces places = olvaris::zipdata::readCensusPlaces(*sources.censusPlaces);
        sayLeftOut(*sources.censusPlaces, places.leftOut);
        for (const olvaris::zipdata::CensusPlace& place : places.rows) {
            bindText(db, statement.get(), 1, place.zip);
            bindText(db, statement.get(), 2, place.state);
            bindText(db, statement.get(), 3, place.place);
            bindText(db, statement.get(), 4, olvaris::ziplist::cityKey(place.place));
            step(db, statement.get());
        }
        insertSourceRow(db, "census-places", *sources.censusPlaces, places.lines, sources);
    }
    if (sources.namedPlaces) {
        check(db, olvaris::sqlite::prepare(db, olvaris::schema::InsertNamedPlace, statement));
        const olvaris::zipdata::NamedPlaces places = olvaris::zipdata::readNamedPlaces(*sources.namedPlaces);
        sayLeftOut(*sources.namedPlaces, places.leftOut);
        for (const olvaris::zipdata::NamedPlace& place : places.rows) {
            bindText(db, statement.get(), 1, place.place);
            bindText(db, statement.get(), 2, place.state);
            bindText(db, statement.get(), 3, olvaris::ziplist::cityKey(place.place));
            check(db, sqlite3_bind_double(statement.get(), 4, place.point.latitude));
            check(db, sqlite3_bind_double(statement.get(), 5, place.point.longitude));
            step(db, statement.get());
        }
        insertSourceRow(db, "named-places", *sources.namedPlaces, places.lines, sources);
    }
    exec(db, olvaris::schema::PlaceNameIndexes);
}

struct Built {
    long rows = 0, repeated = 0, retired = 0, added = 0, located = 0, withCounty = 0;
    bool merged = false;
};

// A new database file with the tables the sources fill, in one
// transaction. The file is new and is thrown away on any failure, so it
// needs no journal while it is built, and is synced once, whole, before it
// is renamed into place. Its journal mode stays a rollback journal (only
// WAL would be recorded in the file), so it is read in a folder no one may
// write.
olvaris::sqlite::Connection newDatabase(const std::string& output, const Sources& sources, Statements& statements) {
    olvaris::sqlite::Connection db;
    if (olvaris::sqlite::open(output.c_str(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db) != SQLITE_OK)
        throw Error(Error::Kind::Output,
                    "cannot create " + output + ": " + (db ? sqlite3_errmsg(db.get()) : "out of memory"));
    exec(db.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA page_size = 4096;");
    exec(db.get(), olvaris::schema::Table);
    exec(db.get(), olvaris::schema::Places);
    if (sources.timeZones)
        exec(db.get(), olvaris::schema::TimeZones);
    exec(db.get(), "BEGIN");
    for (const auto& [sql, statement] : {std::pair{olvaris::schema::Insert, &statements.row},
                                         std::pair{olvaris::schema::InsertPlace, &statements.place},
                                         std::pair{olvaris::schema::InsertPoint, &statements.point},
                                         std::pair{olvaris::schema::InsertRetired, &statements.retired},
                                         std::pair{olvaris::schema::InsertSource, &statements.source}})
        check(db.get(), olvaris::sqlite::prepare(db.get(), sql, *statement));
    return db;
}

void insertTimeZones(sqlite3* db, Statements& statements, const Sources& sources) {
    check(db, olvaris::sqlite::prepare(db, olvaris::schema::InsertTimeZone, statements.timeZone));
    const olvaris::zipdata::TimeZones zones = olvaris::zipdata::readTimeZones(*sources.timeZones);
    sayLeftOut(*sources.timeZones, zones.leftOut);
    for (const auto& [zip, zone] : zones.zones) {
        bindText(db, statements.timeZone.get(), 1, zip);
        bindText(db, statements.timeZone.get(), 2, zone);
        step(db, statements.timeZone.get());
    }
    insertSource(db, statements.source.get(), "time-zones", *sources.timeZones, zones.lines, sources);
}

// The list made current and located: the other sources read, merged with
// the rows held, and stored.
Built mergeSources(sqlite3* db, Statements& statements, std::vector<olvaris::zipdata::ListRow> held,
                   std::optional<olvaris::zipdata::Locations> listPoints, const std::string& input,
                   const Sources& sources, long repeated) {
    std::optional<olvaris::zipdata::Locations> locations;
    std::optional<olvaris::zipdata::CurrentExport> current;
    if (sources.locations) {
        locations = olvaris::zipdata::readLocations(*sources.locations);
        sayLeftOut(*sources.locations, locations->leftOut);
        insertSource(db, statements.source.get(), "locations", *sources.locations, locations->lines, sources);
    }
    // The list's own points come before the other file's.
    if (listPoints) {
        sayLeftOut(input, listPoints->leftOut);
        if (!locations)
            locations.emplace();
        for (const auto& [zip, point] : listPoints->points)
            locations->points[zip] = point;
    }
    if (sources.current) {
        current = olvaris::zipdata::readCurrentExport(*sources.current);
        sayLeftOut(*sources.current, current->leftOut);
        insertSource(db, statements.source.get(), "current", *sources.current, current->lines, sources);
    }
    const olvaris::zipdata::Merged merged = olvaris::zipdata::mergeCurrent(
        std::move(held), locations ? &*locations : nullptr, current ? &*current : nullptr);
    for (const std::string& said : merged.said)
        std::cerr << sources.current.value_or(input) << ": " << said << "\n";
    insertMerged(db, statements, merged);
    return Built{long(merged.rows.size()), repeated, long(merged.retired.size()), merged.added, merged.located,
                 merged.withCounty,        true};
}

// The transaction committed, the indexes made after the rows (so the file is
// as compact as a VACUUM would make it), the file synced whole.
void finishDatabase(olvaris::sqlite::Connection db, const std::string& output) {
    exec(db.get(), "COMMIT");
    exec(db.get(), olvaris::schema::Indexes);
    db.reset();
    const int written = ::open(output.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = written >= 0 && ::fsync(written) == 0;
    if (written >= 0)
        ::close(written);
    if (!synced)
        throw Error(Error::Kind::Output, "cannot write " + output + " to the disk: " + std::strerror(errno));
}

Built build(const std::string& input, const std::string& output, const std::optional<std::string>& columns,
            const std::optional<std::string>& sheetChoice, const Sources& sources, Corrections& corrections) {
    const int descriptor = openInput(input);
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    olvaris::workbook::OpenedList list = olvaris::workbook::openList(descriptor, input, sheetChoice);
    std::optional<olvaris::ziplist::ZipRecords> text;
    if (!list.sheet)
        text.emplace(descriptor, columns);
    olvaris::ziplist::ZipRecords& records =
        list.sheet ? text.emplace(*list.sheet, columns, "the sheet \"" + list.sheet->name() + "\" is empty") : *text;

    Statements statements;
    olvaris::sqlite::Connection db = newDatabase(output, sources, statements);
    // A list with latitude and longitude columns gives its ZIPs' points.
    std::optional<olvaris::zipdata::Locations> listPoints =
        list.sheet ? std::nullopt : olvaris::zipdata::readListPoints(input);
    // A list alone goes to the table as it is read; one made current or
    // located is held until the other sources are read.
    const bool merging = sources.locations || sources.current || listPoints;
    std::vector<olvaris::zipdata::ListRow> held;
    Built built;
    long listed = 0;
    // A row as stored once already (a dump given twice, a place spelt alike
    // in two forms) would be found twice by every search: it is one row.
    std::set<std::array<std::string, 3>> seen;
    std::array<std::string, 3> row;
    while (records.next(row)) {
        std::array<std::string, 3> stored = storedForm(row, records.recordLine(), corrections, input);
        ++listed;
        if (!seen.insert(stored).second) {
            ++built.repeated;
            continue;
        }
        if (merging)
            held.push_back(std::move(stored));
        else
            insertRow(db.get(), statements.row.get(), stored);
    }
    built.rows = listed - built.repeated;
    insertSource(db.get(), statements.source.get(), "list", input, listed, sources);
    if (sources.timeZones)
        insertTimeZones(db.get(), statements, sources);
    if (sources.censusPlaces || sources.namedPlaces)
        insertPlaceNames(db.get(), sources);
    if (merging)
        built =
            mergeSources(db.get(), statements, std::move(held), std::move(listPoints), input, sources, built.repeated);
    statements = Statements();
    finishDatabase(std::move(db), output);
    return built;
}

// Whether a file begins as every SQLite database does.
bool isDatabase(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    char header[16] = {};
    const ssize_t got = ::read(descriptor, header, sizeof header);
    ::close(descriptor);
    return got == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

// What the build has made so far, for the signal handler to remove: an
// interrupted build leaves nothing beside the output, and the output as it was.
char g_temporary[4096];
char g_journal[4096 + 8];

extern "C" void abandonBuild(int signal) {
    ::unlink(g_temporary);
    ::unlink(g_journal);
    ::_exit(128 + signal);
}

void removeWorkOnTermination(const std::string& temporary) {
    std::snprintf(g_temporary, sizeof g_temporary, "%s", temporary.c_str());
    std::snprintf(g_journal, sizeof g_journal, "%s-journal", temporary.c_str());
    struct sigaction action {};
    action.sa_handler = abandonBuild;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

void removeWork(const std::string& temporary) {
    std::remove(temporary.c_str());
    std::remove((temporary + "-journal").c_str());
}

// The command line read: the input, the output, the options. Returns the
// exit status where the program ends here (help, version, a usage error).
struct BuildOptions {
    std::string input, output;
    std::optional<std::string> columns, sheet;
    Sources sources;
};
std::optional<int> readOptions(int argc, char** argv, BuildOptions& options) {
    std::vector<std::string> files;
    std::optional<std::string> note;
    Sources& sources = options.sources;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool valued = false;
        for (const auto& [option, value, takes] :
             {std::tuple{"--columns", &options.columns, "CITY,STATE,ZIP"},
              std::tuple{"--sheet", &options.sheet, "NAME or N"}, std::tuple{"--locations", &sources.locations, "FILE"},
              std::tuple{"--current", &sources.current, "FILE"}, std::tuple{"--time-zones", &sources.timeZones, "FILE"},
              std::tuple{"--census-places", &sources.censusPlaces, "FILE"},
              std::tuple{"--named-places", &sources.namedPlaces, "FILE"}, std::tuple{"--note", &note, "ROLE=TEXT"}}) {
            const std::string name(option);
            if (argument != name && argument.rfind(name + "=", 0) != 0)
                continue;
            if (argument == name && i + 1 == argc) {
                std::cerr << "zipbase-build: " << name << " takes " << takes << "\n" << Usage;
                return UsageError;
            }
            *value = argument == name ? std::string(argv[++i]) : argument.substr(name.size() + 1);
            valued = true;
        }
        if (valued && note) {
            const size_t equals = note->find('=');
            const std::string role = note->substr(0, equals);
            if (equals == std::string::npos
                || (role != "list" && role != "locations" && role != "current" && role != "time-zones"
                    && role != "census-places" && role != "named-places")) {
                std::cerr << "zipbase-build: --note takes ROLE=TEXT, ROLE list, locations, current, time-zones, "
                             "census-places or named-places\n"
                          << Usage;
                return UsageError;
            }
            sources.notes[role] = note->substr(equals + 1);
            note.reset();
        }
        if (valued)
            continue;
        if (argument == "--help" || argument == "-h") {
            std::cout << Usage << Help;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "zipbase-build " OLVARIS_VERSION "\n";
            return 0;
        }
        if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            std::cerr << "zipbase-build: unknown option " << argument << "\n" << Usage;
            return UsageError;
        }
        if (argument != "--")
            files.push_back(argument);
    }
    if (files.size() != 2) {
        std::cerr << Usage;
        return UsageError;
    }
    options.input = files[0];
    options.output = files[1];
    return std::nullopt;
}

// Why the output must not be replaced, or empty. The build ends by renaming
// over it: a pipe, a device (/dev/null as root) or a folder there would be
// replaced, not written; and never the input itself, or a file that is not
// a database.
std::string refusedOutput(const std::string& input, const std::string& output) {
    struct stat existing {};
    if (::stat(output.c_str(), &existing) != 0)
        return {};
    if (!S_ISREG(existing.st_mode))
        return output + " is not an ordinary file";
    if (struct stat source{};
        ::stat(input.c_str(), &source) == 0 && source.st_dev == existing.st_dev && source.st_ino == existing.st_ino)
        return output + " is the input " + input + "; give the database another name (the input is left as it was)";
    if (existing.st_size > 0 && !isDatabase(output))
        return output + " is not a database, and the build would replace it; give another name, or remove it first";
    return {};
}

// What was built, said in one line on standard output.
void reportBuilt(const std::string& input, const std::string& output, const Built& built,
                 const Corrections& corrections) {
    if (corrections.total() > CorrectionsSaid)
        std::cerr << input << ": " << corrections.total() - CorrectionsSaid << " corrections more, not shown\n";
    std::cout << output << ": " << built.rows << " rows";
    if (corrections.total() > 0)
        std::cout << " (" << corrections.plusFour << " ZIP+4 cut to five digits, " << corrections.lostZeros
                  << " ZIP codes given back their leading zeros, "
                  << (corrections.cells > 0 ? std::to_string(corrections.cells)
                                                  + " read from spreadsheet cells' "
                                                    "forms, "
                                            : std::string())
                  << corrections.states << " states written as their codes)";
    if (built.repeated > 0)
        std::cout << "; " << built.repeated << " repeated rows left out";
    if (built.merged)
        std::cout << "; " << built.retired << " ZIP codes retired, " << built.added << " added; " << built.located
                  << " located, " << built.withCounty << " with their county";
    std::cout << "\n";
}

} // namespace

int main(int argc, char** argv) {
    BuildOptions options;
    if (const std::optional<int> ended = readOptions(argc, argv, options))
        return *ended;
    const std::string& input = options.input;
    const std::string& output = options.output;
    if (const std::string refused = refusedOutput(input, output); !refused.empty()) {
        std::cerr << "zipbase-build: " << refused << "\n";
        return Failed;
    }
    const std::string temporary = output + ".building-" + std::to_string(getpid());
    if (temporary.size() >= sizeof g_temporary) {
        std::cerr << "zipbase-build: the output's name is too long\n";
        return Failed;
    }
    removeWork(temporary);
    removeWorkOnTermination(temporary);
    try {
        Corrections corrections;
        const Built built = build(input, temporary, options.columns, options.sheet, options.sources, corrections);
        if (std::rename(temporary.c_str(), output.c_str()) != 0)
            throw Error(Error::Kind::Output,
                        "cannot rename " + temporary + " to " + output + ": " + std::strerror(errno));
        reportBuilt(input, output, built, corrections);
        return 0;
    } catch (const olvaris::ziplist::ReadError& error) {
        // A line of the list: said as the list's, INPUT:LINE.
        removeWork(temporary);
        std::cerr << located(input, error.line()) << ": " << error.what() << "\n";
    } catch (const Error& error) {
        // A source besides the list says which file, and which line of it.
        removeWork(temporary);
        std::cerr << "zipbase-build: "
                  << (error.where().empty() ? std::string() : located(error.where(), error.line()) + ": ")
                  << error.what() << "\n";
    } catch (const std::exception& error) {
        removeWork(temporary);
        std::cerr << "zipbase-build: " << error.what() << "\n";
    }
    // Whatever the trouble, nothing was written.
    return Failed;
}
