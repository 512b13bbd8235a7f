#pragma once
#include "GeoPoint.h"
#include "SqliteHandles.h"
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// What the database knows beside the window's table: where each ZIP is and
// in which county, the ZIPs retired since the list was made, and the data's
// sources. Statements are prepared once and kept.
class Places {
public:
    explicit Places(sqlite3* db);
    Places(const Places&) = delete;
    Places& operator=(const Places&) = delete;

    // Whether the database holds points (one built before them does not).
    bool located() const { return m_located; }

    struct Row {
        std::string city, state, zip;
    };
    // The rows of a ZIP in the window's table.
    std::vector<Row> rowsOfZip(const std::string& zip);
    // The rows of a town in a state, under any of the spellings given.
    std::vector<Row> rowsOfTown(const std::vector<std::string>& spellings, const std::string& state);
    std::optional<geo::GeoPoint> pointOf(const std::string& zip);
    std::string countyOf(const std::string& zip);
    // Whether the database holds time zones, and a ZIP's ("America/New_York";
    // empty where it has none: a military ZIP, one with no point).
    bool zoned() const { return m_zoned; }
    // The names people use for places, where the database holds them: the
    // census places a ZIP's area overlaps in a state (each with its key),
    // and the points of the populated places of a state with a key.
    bool knowsPlaceNames() const { return m_placeNames; }
    struct PlaceName {
        std::string place, key;
    };
    std::vector<PlaceName> censusPlacesOf(const std::string& zip, const std::string& state);
    struct NamedPoint {
        std::string place;
        geo::GeoPoint point;
    };
    std::vector<NamedPoint> namedPlaces(const std::string& state, const std::string& key);
    std::string timeZoneOf(const std::string& zip);

    // A retired ZIP's last town and state, and the ZIPs that town has now.
    struct Retired {
        std::string zip, city, state;
        std::vector<std::string> nowZips;
    };
    std::optional<Retired> retired(const std::string& zip);

    // The rows whose points lie within the box (the R*Tree's answer, each
    // with its exact point).
    struct Located {
        Row row;
        geo::GeoPoint point;
    };
    std::vector<Located> inBox(const geo::Box& box);

    struct Source {
        std::string role, file, note;
        long long lines;
    };
    std::vector<Source> sources();

private:
    sqlite3_stmt* statement(const char* sql);

    sqlite3* m_db;
    bool m_located = false;
    bool m_zoned = false;
    bool m_placeNames = false;
    std::map<const char*, sqlite::Statement> m_statements;
};

} // namespace olvaris::lookup
