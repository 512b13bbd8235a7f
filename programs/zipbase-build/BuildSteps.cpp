#include "BuildSteps.h"
#include "Error.h"
#include "NewDatabase.h"
#include "OpenSheet.h"
#include "PlaceNames.h"
#include "ReadError.h"
#include "TimeZones.h"
#include "ZipRecords.h"
#include "ZipRules.h"
#include "ZipSchema.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

constexpr long CorrectionsSaid = 20;

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

// The row as it is stored: five-digit ZIP, state code, trimmed city. Throws
// ReadError for what cannot be stored.
std::array<std::string, 3> storedForm(const std::array<std::string, 3>& row, long line, Corrections& corrections,
                                      const std::string& input) {
    const std::string_view city = ziplist::trimmed(row[0]);
    if (city.empty())
        throw ziplist::ReadError(line, "the city is empty");
    if (const std::string trouble = placeNameTrouble(city); !trouble.empty())
        throw ziplist::ReadError(line, "the city " + trouble);
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(row[2]);
    if (!zip)
        throw ziplist::ReadError(line, "\"" + row[2] + "\" is not a ZIP code");
    const std::optional<ziplist::State> state = ziplist::stateFrom(row[1]);
    if (!state)
        throw ziplist::ReadError(line, "\"" + row[1] + "\" is not a US state");
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

// Lines of a source left out, the first few said; lines that only gave
// again what another did, counted.
void sayLeftOut(const std::string& file, const std::vector<LeftOut>& leftOut, long repeated = 0) {
    for (size_t i = 0; i < leftOut.size() && i < size_t(CorrectionsSaid); ++i)
        std::cerr << file << ":" << leftOut[i].line << ": " << leftOut[i].why << "\n";
    if (leftOut.size() > size_t(CorrectionsSaid))
        std::cerr << file << ": " << leftOut.size() - size_t(CorrectionsSaid) << " more left out, not shown\n";
    if (repeated > 0)
        std::cerr << file << ": " << repeated << " repeated rows kept once\n";
}

// The names people use for their places, from the sources that give them.
void insertPlaceNames(sqlite3* db, const Sources& sources) {
    exec(db, schema::PlaceNames);
    sqlite::Statement statement;
    if (sources.censusPlaces) {
        check(db, sqlite::prepare(db, schema::InsertCensusPlace, statement));
        const CensusPlaces places = readCensusPlaces(*sources.censusPlaces);
        sayLeftOut(*sources.censusPlaces, places.leftOut, places.repeated);
        for (const CensusPlace& place : places.rows) {
            bindText(db, statement.get(), 1, place.zip);
            bindText(db, statement.get(), 2, place.state);
            bindText(db, statement.get(), 3, place.place);
            bindText(db, statement.get(), 4, ziplist::cityKey(place.place));
            step(db, statement.get());
        }
        insertSourceRow(db, "census-places", *sources.censusPlaces, places.lines, sources);
    }
    if (sources.namedPlaces) {
        check(db, sqlite::prepare(db, schema::InsertNamedPlace, statement));
        const NamedPlaces places = readNamedPlaces(*sources.namedPlaces);
        sayLeftOut(*sources.namedPlaces, places.leftOut, places.repeated);
        for (const NamedPlace& place : places.rows) {
            bindText(db, statement.get(), 1, place.place);
            bindText(db, statement.get(), 2, place.state);
            bindText(db, statement.get(), 3, ziplist::cityKey(place.place));
            check(db, sqlite3_bind_double(statement.get(), 4, place.point.latitude));
            check(db, sqlite3_bind_double(statement.get(), 5, place.point.longitude));
            step(db, statement.get());
        }
        insertSourceRow(db, "named-places", *sources.namedPlaces, places.lines, sources);
    }
    exec(db, schema::PlaceNameIndexes);
}

void insertTimeZones(sqlite3* db, Statements& statements, const Sources& sources) {
    check(db, sqlite::prepare(db, schema::InsertTimeZone, statements.timeZone));
    const TimeZones zones = readTimeZones(*sources.timeZones);
    sayLeftOut(*sources.timeZones, zones.leftOut, zones.repeated);
    for (const auto& [zip, zone] : zones.zones) {
        bindText(db, statements.timeZone.get(), 1, zip);
        bindText(db, statements.timeZone.get(), 2, zone);
        step(db, statements.timeZone.get());
    }
    insertSource(db, statements.source.get(), "time-zones", *sources.timeZones, zones.lines, sources);
}

// The list made current and located: the other sources read, merged with
// the rows held, and stored.
Built mergeSources(sqlite3* db, Statements& statements, std::vector<ListRow> held, std::optional<Locations> listPoints,
                   const std::string& input, const Sources& sources, long repeated) {
    std::optional<Locations> locations;
    std::optional<CurrentExport> current;
    if (sources.locations) {
        locations = readLocations(*sources.locations);
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
        current = readCurrentExport(*sources.current);
        sayLeftOut(*sources.current, current->leftOut);
        insertSource(db, statements.source.get(), "current", *sources.current, current->lines, sources);
    }
    const Merged merged =
        mergeCurrent(std::move(held), locations ? &*locations : nullptr, current ? &*current : nullptr);
    for (const std::string& said : merged.said)
        std::cerr << sources.current.value_or(input) << ": " << said << "\n";
    insertMerged(db, statements, merged);
    return Built{long(merged.rows.size()), repeated, long(merged.retired.size()), merged.added, merged.located,
                 merged.withCounty,        true};
}

} // namespace

Built build(const std::string& input, const std::string& output, const std::optional<std::string>& columns,
            const std::optional<std::string>& sheetChoice, const Sources& sources, Corrections& corrections) {
    const int descriptor = openInput(input);
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    workbook::OpenedList list = workbook::openList(descriptor, input, sheetChoice);
    std::optional<ziplist::ZipRecords> text;
    if (!list.sheet)
        text.emplace(descriptor, columns);
    ziplist::ZipRecords& records =
        list.sheet ? text.emplace(*list.sheet, columns, "the sheet \"" + list.sheet->name() + "\" is empty") : *text;

    Statements statements;
    sqlite::Connection db = newDatabase(output, sources, statements);
    // A list with latitude and longitude columns gives its ZIPs' points.
    std::optional<Locations> listPoints = list.sheet ? std::nullopt : readListPoints(input);
    // A list alone goes to the table as it is read; one made current or
    // located is held until the other sources are read.
    const bool merging = sources.locations || sources.current || listPoints;
    std::vector<ListRow> held;
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

} // namespace olvaris::zipdata
