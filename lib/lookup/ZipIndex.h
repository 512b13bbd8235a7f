#pragma once
#include <sqlite3.h>
#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;

namespace olvaris::lookup {

// The table in memory, looked up by ZIP code, by city and state, and by the
// key of a city's name (see ziplist::cityKey): a list of a million rows is
// checked with a few hash lookups a row. A table of up to eagerRows rows is
// read whole at the start; a larger one (a database of millions of rows
// built by the user) a ZIP code or a state at a time, as rows ask for them,
// each read once, so a short list is checked in moments at any table size.
// Rows are numbered in the order they are read; a row read again (by its
// ZIP code, then by its city) keeps its number.
class NearSpellings;

class ZipIndex {
public:
    struct Place {
        std::string city, state, zip;
    };
    using Rows = std::span<const std::uint32_t>;

    static constexpr std::int64_t EagerRows = 1000000;

    // Throws olvaris::Error as the database does, here and in the lookups.
    explicit ZipIndex(sqlite3* db, std::int64_t eagerRows = EagerRows);
    ~ZipIndex();

    const Place& place(std::uint32_t row) const { return m_places[row]; }
    // Empty when nothing is there.
    Rows withZip(std::string_view zip) const;
    // The city as written, in any letter case.
    Rows inState(std::string_view state, std::string_view city) const;
    // The city under any spelling of the same key.
    Rows withKey(std::string_view state, std::string_view key) const;
    // One row for each city key of a state.
    Rows citiesOf(std::string_view state) const;
    // The near spellings of the cities' names, made as they are asked for.
    const NearSpellings& nearSpellings() const;

private:
    using RowList = std::vector<std::uint32_t>;
    struct Reader;
    // The row of a table row (by its rowid), read now or before.
    std::uint32_t placeOf(std::int64_t rowid, std::string_view city, std::string_view state,
                          std::string_view zip) const;
    void addToState(std::uint32_t row) const;
    // The rows under the key, read through the reader's statement the first
    // time they are asked for.
    Rows readOnce(std::unordered_map<std::string, RowList>& map, std::string key, sqlite3_stmt* statement,
                  std::initializer_list<std::string_view> values) const;

    std::unique_ptr<Reader> m_reader; // none: the whole table is read
    mutable std::unique_ptr<NearSpellings> m_nearSpellings;
    // A deque, so a place once read stays where it is as more are read.
    mutable std::deque<Place> m_places;
    mutable std::unordered_map<std::int64_t, std::uint32_t> m_rowOfRowid;
    // Five-digit ZIP codes, the table's own, by number: the rows of ZIP n
    // are m_fiveDigitRows[m_firstOfZip[n] .. m_firstOfZip[n + 1]) once the
    // whole table is read.
    std::vector<std::uint32_t> m_firstOfZip, m_fiveDigitRows;
    // Other ZIP texts; every ZIP code asked for, when read a piece at a time.
    mutable std::unordered_map<std::string, RowList> m_zips;
    // Read whole: every place. Read a piece at a time: what rows asked for
    // (cities of a state: one row each, as the index gives them first).
    mutable std::unordered_map<std::string, RowList> m_byCity, m_byKey, m_cities;
};

} // namespace olvaris::lookup
