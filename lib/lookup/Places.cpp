#include "Places.h"
#include "ZipDatabase.h"

namespace olvaris::lookup {

namespace {

constexpr const char* HasPoints = "select count(*) from sqlite_schema where name in ('zip_places', 'zip_points', "
                                  "'retired_zips', 'data_sources')";
constexpr const char* ZipRows = "select city, state, zip from zip_codes where zip = ?1 order by city, state";
constexpr const char* TownRows = "select city, state, zip from zip_codes where city = ?1 and state = ?2 order by zip";
constexpr const char* PointOf = "select latitude, longitude from zip_places where zip = ?1 and latitude is not null";
constexpr const char* CountyOf = "select county from zip_places where zip = ?1";
constexpr const char* RetiredZip = "select city, state from retired_zips where zip = ?1";
// The box's candidates from the R*Tree, then each one's exact point and
// rows: a few index lookups per ZIP near the centre, never a scan.
constexpr const char* InBox = "select z.city, z.state, z.zip, p.latitude, p.longitude "
                              "from zip_points r join zip_places p on p.zip = printf('%05d', r.zip_number) "
                              "join zip_codes z on z.zip = p.zip "
                              "where r.north >= ?1 and r.south <= ?2 and r.east >= ?3 and r.west <= ?4";
constexpr const char* HasZones = "select count(*) from sqlite_schema where name = 'zip_time_zones'";
constexpr const char* TimeZoneOf = "select time_zone from zip_time_zones where zip = ?1";
constexpr const char* HasPlaceNames =
    "select count(*) from sqlite_schema where name in ('zip_census_places', 'named_places')";
constexpr const char* CensusPlacesOf = "select place, place_key from zip_census_places where zip = ?1 and state = ?2";
constexpr const char* NamedPlacesOf =
    "select place, latitude, longitude from named_places where state = ?1 and place_key = ?2";
constexpr const char* Sources = "select role, file, lines, note from data_sources order by rowid";

std::string textOf(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(statement, column))) : std::string();
}

} // namespace

Places::Places(sqlite3* db) : m_db(db) {
    sqlite3_stmt* count = statement(HasPoints);
    m_located = sqlite3_step(count) == SQLITE_ROW && sqlite3_column_int(count, 0) == 4;
    sqlite3_stmt* zones = statement(HasZones);
    m_zoned = sqlite3_step(zones) == SQLITE_ROW && sqlite3_column_int(zones, 0) == 1;
    sqlite3_stmt* names = statement(HasPlaceNames);
    m_placeNames = sqlite3_step(names) == SQLITE_ROW && sqlite3_column_int(names, 0) == 2;
}

sqlite3_stmt* Places::statement(const char* sql) {
    sqlite3* db = m_db;
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite::Statement prepared;
        if (sqlite::prepare(db, sql, prepared) != SQLITE_OK || !prepared)
            throw zipbase::databaseError(db);
        found = m_statements.emplace(sql, std::move(prepared)).first;
    }
    sqlite3_reset(found->second.get());
    sqlite3_clear_bindings(found->second.get());
    return found->second.get();
}

namespace {
void bind(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}
void done(sqlite3* db, int stepped) {
    if (stepped != SQLITE_DONE)
        throw zipbase::databaseError(db);
}
} // namespace

std::vector<Places::Row> Places::rowsOfZip(const std::string& zip) {
    sqlite3_stmt* select = statement(ZipRows);
    bind(select, 1, zip);
    std::vector<Row> rows;
    int stepped;
    while ((stepped = sqlite3_step(select)) == SQLITE_ROW)
        rows.push_back({textOf(select, 0), textOf(select, 1), textOf(select, 2)});
    done(m_db, stepped);
    return rows;
}

std::vector<Places::Row> Places::rowsOfTown(const std::vector<std::string>& spellings, const std::string& state) {
    std::vector<Row> rows;
    for (const std::string& spelling : spellings) {
        sqlite3_stmt* select = statement(TownRows);
        bind(select, 1, spelling);
        bind(select, 2, state);
        int stepped;
        while ((stepped = sqlite3_step(select)) == SQLITE_ROW)
            rows.push_back({textOf(select, 0), textOf(select, 1), textOf(select, 2)});
        done(m_db, stepped);
        if (!rows.empty())
            break;
    }
    return rows;
}

std::optional<geo::GeoPoint> Places::pointOf(const std::string& zip) {
    if (!m_located)
        return std::nullopt;
    sqlite3_stmt* select = statement(PointOf);
    bind(select, 1, zip);
    if (sqlite3_step(select) != SQLITE_ROW)
        return std::nullopt;
    return geo::GeoPoint{sqlite3_column_double(select, 0), sqlite3_column_double(select, 1)};
}

std::string Places::countyOf(const std::string& zip) {
    if (!m_located)
        return {};
    sqlite3_stmt* select = statement(CountyOf);
    bind(select, 1, zip);
    return sqlite3_step(select) == SQLITE_ROW ? textOf(select, 0) : std::string();
}

std::string Places::timeZoneOf(const std::string& zip) {
    if (!m_zoned)
        return {};
    sqlite3_stmt* select = statement(TimeZoneOf);
    bind(select, 1, zip);
    return sqlite3_step(select) == SQLITE_ROW ? textOf(select, 0) : std::string();
}

std::vector<Places::PlaceName> Places::censusPlacesOf(const std::string& zip, const std::string& state) {
    std::vector<PlaceName> found;
    if (!m_placeNames)
        return found;
    sqlite3_stmt* select = statement(CensusPlacesOf);
    bind(select, 1, zip);
    bind(select, 2, state);
    int stepped;
    while ((stepped = sqlite3_step(select)) == SQLITE_ROW)
        found.push_back({textOf(select, 0), textOf(select, 1)});
    done(m_db, stepped);
    return found;
}

std::vector<Places::NamedPoint> Places::namedPlaces(const std::string& state, const std::string& key) {
    std::vector<NamedPoint> found;
    if (!m_placeNames)
        return found;
    sqlite3_stmt* select = statement(NamedPlacesOf);
    bind(select, 1, state);
    bind(select, 2, key);
    int stepped;
    while ((stepped = sqlite3_step(select)) == SQLITE_ROW)
        found.push_back({textOf(select, 0), {sqlite3_column_double(select, 1), sqlite3_column_double(select, 2)}});
    done(m_db, stepped);
    return found;
}

std::optional<Places::Retired> Places::retired(const std::string& zip) {
    if (!m_located)
        return std::nullopt;
    sqlite3_stmt* select = statement(RetiredZip);
    bind(select, 1, zip);
    if (sqlite3_step(select) != SQLITE_ROW)
        return std::nullopt;
    Retired retired{zip, textOf(select, 0), textOf(select, 1), {}};
    for (const Row& row : rowsOfTown({retired.city}, retired.state))
        retired.nowZips.push_back(row.zip);
    return retired;
}

std::vector<Places::Located> Places::inBox(const geo::Box& box) {
    sqlite3_stmt* select = statement(InBox);
    sqlite3_bind_double(select, 1, box.south);
    sqlite3_bind_double(select, 2, box.north);
    sqlite3_bind_double(select, 3, box.west);
    sqlite3_bind_double(select, 4, box.east);
    std::vector<Located> found;
    int stepped;
    while ((stepped = sqlite3_step(select)) == SQLITE_ROW)
        found.push_back({{textOf(select, 0), textOf(select, 1), textOf(select, 2)},
                         {sqlite3_column_double(select, 3), sqlite3_column_double(select, 4)}});
    done(m_db, stepped);
    return found;
}

std::vector<Places::Source> Places::sources() {
    std::vector<Source> found;
    if (!m_located)
        return found;
    sqlite3_stmt* select = statement(Sources);
    while (sqlite3_step(select) == SQLITE_ROW)
        found.push_back({textOf(select, 0), textOf(select, 1), textOf(select, 3), sqlite3_column_int64(select, 2)});
    return found;
}

} // namespace olvaris::lookup
