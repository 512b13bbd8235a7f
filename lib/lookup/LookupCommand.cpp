#include "LookupCommand.h"
#include "Complaint.h"
#include "DatabaseFile.h"
#include "LocalTime.h"
#include "PlaceCommands.h"
#include "Places.h"
#include "PreparedLookups.h"
#include "RowsRun.h"
#include "RecordReader.h"
#include "Utf8.h"
#include "ZipQueries.h"
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

constexpr int RowsPrinted = 0;
constexpr int NothingMatched = 1;

// What a run needs of the database beyond the table: the places, made when
// first asked for.
class RunPlaces {
public:
    explicit RunPlaces(sqlite3* db) : m_db(db) {}
    Places& get() {
        if (!m_places)
            m_places.emplace(m_db);
        return *m_places;
    }
    // A ZIP that finds nothing may be one retired since: said, with its
    // town's ZIP now. "City, ST" may be a place people name that is no
    // ZIP code's name: said, with the ZIPs nearest it.
    void sayIfRetired(const std::string& pattern) {
        if (const std::string note = retiredNote(get(), pattern); !note.empty())
            complain(note);
        else if (const std::string place = placeNote(get(), pattern); !place.empty())
            complain(place);
    }

private:
    sqlite3* m_db;
    std::optional<Places> m_places;
};

long long writeOne(sqlite3* db, const LookupRequest& request, RowWriter& writer) {
    PreparedLookups lookup(db);
    return lookup.write(queryFor(request), writer);
}

// Patterns one a line, each at most a record long (a file that is not a
// list of patterns costs no more memory than that). Every pattern is
// accounted for: one that finds nothing has a line of its own, and is
// counted. Returns the number that found nothing.
long writeMany(sqlite3* db, LookupRequest request, RowWriter& writer, RunPlaces& places) {
    PreparedLookups lookups(db);
    ziplist::RecordReader lines = ziplist::RecordReader::patternLines(STDIN_FILENO);
    long patterns = 0, blank = 0, unmatched = 0, tooLong = 0;
    while (nextInputLine(lines, tooLong)) {
        const std::string& line = lines.fields().front();
        if (query::isBlankFilter(line)) {
            ++blank;
            continue;
        }
        ++patterns;
        writer.setPattern(line);
        long long found = 0;
        if (!text::isValidUtf8(line)) {
            complain("standard input:" + std::to_string(lines.recordLine()), "the pattern is not UTF-8");
        } else {
            request.pattern = line;
            found = lookups.write(queryForMany(request), writer);
        }
        if (found == 0) {
            ++unmatched;
            writer.nothingFound();
            places.sayIfRetired(line);
        }
    }
    // No pattern is that long: each such line counts as one that found nothing.
    patterns += tooLong;
    unmatched += tooLong;
    std::string blanks;
    if (blank > 0)
        blanks = "; " + std::to_string(blank) + (blank == 1 ? " blank line" : " blank lines") + " passed over";
    std::fprintf(stderr, "olvaris-lookup: standard input: %ld %s, %ld found nothing%s\n", patterns,
                 patterns == 1 ? "pattern" : "patterns", unmatched, blanks.c_str());
    return unmatched;
}

} // namespace

int runLookup(const LookupCommand& command, const std::string& database) {
    const sqlite::Connection db = openDatabaseFile(database);
    RowWriter writer(stdout, command.format, command.many);
    RunPlaces places(db.get());
    return runWritingRows(writer, database, [&] {
        // The county and the time zone where asked for, and in JSON always,
        // where the data knows them; with --zone, the time there now.
        const bool json = command.format == RowWriter::Format::JsonLines;
        std::optional<ZoneColumns> zones;
        if (command.county || command.zone || json) {
            Places& known = places.get();
            if ((command.county || json) && known.located())
                writer.addColumn("county", [&known](const std::string& zip) { return known.countyOf(zip); });
            if ((command.zone || json) && known.zoned()) {
                ZoneColumns& columns = zones.emplace(known);
                writer.addColumn("time_zone", [&columns](const std::string& zip) { return columns.zoneOf(zip); });
                if (command.zone)
                    writer.addColumn("local_time",
                                     [&columns](const std::string& zip) { return columns.localTimeOf(zip); });
            } else if (command.zone) {
                throw Error(Error::Kind::Database, "the database records no time zones (it was built without them)");
            }
        }
        writer.header();
        // A time asked for that could not be told is an answer not given.
        const auto answered = [&zones](int status) { return zones && zones->timeMissing() ? NothingMatched : status; };
        if (command.many)
            return answered(writeMany(db.get(), command.request, writer, places) == 0 ? RowsPrinted : NothingMatched);
        if (writeOne(db.get(), command.request, writer) != 0)
            return answered(RowsPrinted);
        if (command.request.pattern)
            places.sayIfRetired(*command.request.pattern);
        return NothingMatched;
    });
}

} // namespace olvaris::lookup
