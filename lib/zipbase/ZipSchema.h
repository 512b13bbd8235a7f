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

} // namespace olvaris::schema
