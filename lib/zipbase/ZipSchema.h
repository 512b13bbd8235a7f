#pragma once

// The shape of zipbase.mdb, defined once: the builder makes it, the tests'
// databases take it so queries take the same plans. No Qt, no SQLite here,
// so the builder can use it as it is.
namespace olvaris::schema {

// All text (ZIP codes keep their leading zeros), compared without regard to
// letter case, so LIKE prefixes and the list's order can use the indexes.
inline constexpr const char* Table =
    "CREATE TABLE zip_codes (city TEXT COLLATE NOCASE, state TEXT COLLATE NOCASE, zip TEXT COLLATE NOCASE);";

inline constexpr const char* Insert = "INSERT INTO zip_codes (city, state, zip) VALUES (?1, ?2, ?3)";

// The list is read in city, state, zip order, and the search matches a
// prefix of any one of the three columns. Each index holds all three, so a
// search reads its index ranges only, never the table's rows one by one.
// Made after the rows are in, then the planner's statistics.
inline constexpr const char* Indexes = "CREATE INDEX zip_codes_by_place ON zip_codes (city, state, zip);"
                                       "CREATE INDEX zip_codes_by_state ON zip_codes (state, city, zip);"
                                       "CREATE INDEX zip_codes_by_zip ON zip_codes (zip, city, state);"
                                       "ANALYZE;";

// Beside the list, what the window does not read: where each ZIP is and in
// which county (county_fips: the state's two digits and the county's
// three), the points again in an R*Tree keyed by the ZIP as a number (a
// radius reads the box around it, never every ZIP), the ZIPs retired since
// the list was made with their last town, and where the data came from.
inline constexpr const char* Places =
    "CREATE TABLE zip_places (zip TEXT PRIMARY KEY COLLATE NOCASE, latitude REAL, longitude REAL, county TEXT, "
    "county_fips TEXT) WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE zip_points USING rtree(zip_number, south, north, west, east);"
    "CREATE TABLE retired_zips (zip TEXT PRIMARY KEY COLLATE NOCASE, city TEXT, state TEXT) WITHOUT ROWID;"
    "CREATE TABLE data_sources (role TEXT, file TEXT, lines INTEGER, note TEXT);";

// Each ZIP's time zone as the tz database names it, where a source gave one
// (a ZIP with no point, or a military one, has none).
inline constexpr const char* TimeZones =
    "CREATE TABLE zip_time_zones (zip TEXT PRIMARY KEY COLLATE NOCASE, time_zone TEXT) WITHOUT ROWID;";
inline constexpr const char* InsertTimeZone = "INSERT INTO zip_time_zones (zip, time_zone) VALUES (?1, ?2)";

// The names people use for where they live, beside each ZIP's own, each
// with its key (ziplist::cityKey) by which the check finds it: the census
// places a ZIP's area overlaps, and populated places (neighbourhoods among
// them) with their points.
inline constexpr const char* PlaceNames =
    "CREATE TABLE zip_census_places (zip TEXT COLLATE NOCASE, state TEXT COLLATE NOCASE, place TEXT, place_key TEXT);"
    "CREATE TABLE named_places (place TEXT, state TEXT COLLATE NOCASE, place_key TEXT, latitude REAL, longitude REAL);";
inline constexpr const char* PlaceNameIndexes =
    "CREATE INDEX zip_census_places_by_zip ON zip_census_places (zip, state);"
    "CREATE INDEX named_places_by_key ON named_places (state, place_key);";
inline constexpr const char* InsertCensusPlace =
    "INSERT INTO zip_census_places (zip, state, place, place_key) VALUES (?1, ?2, ?3, ?4)";
inline constexpr const char* InsertNamedPlace =
    "INSERT INTO named_places (place, state, place_key, latitude, longitude) VALUES (?1, ?2, ?3, ?4, ?5)";

inline constexpr const char* InsertPlace =
    "INSERT INTO zip_places (zip, latitude, longitude, county, county_fips) VALUES (?1, ?2, ?3, ?4, ?5)";
inline constexpr const char* InsertPoint =
    "INSERT INTO zip_points (zip_number, south, north, west, east) VALUES (?1, ?2, ?2, ?3, ?3)";
inline constexpr const char* InsertRetired =
    "INSERT OR IGNORE INTO retired_zips (zip, city, state) VALUES (?1, ?2, ?3)";
inline constexpr const char* InsertSource =
    "INSERT INTO data_sources (role, file, lines, note) VALUES (?1, ?2, ?3, ?4)";

} // namespace olvaris::schema
