#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace olvaris {
class ZipConnection;
}

namespace olvaris::lookup {

// The whole table in memory, looked up by ZIP code, by city and state, and
// by the key of a city's name (see ziplist::cityKey): a list of a million
// rows is checked with a few hash lookups a row.
class ZipIndex {
public:
    struct Place {
        std::string city, state, zip;
    };
    using Rows = std::span<const std::uint32_t>;

    // Reads every row; throws Failure as the database does.
    explicit ZipIndex(ZipConnection& connection);

    const Place& place(std::uint32_t row) const { return m_places[row]; }
    // Empty when nothing is there.
    Rows withZip(std::string_view zip) const;
    // The city as written, in any letter case.
    Rows inState(std::string_view state, std::string_view city) const;
    // The city under any spelling of the same key.
    Rows withKey(std::string_view state, std::string_view key) const;
    // One row for each city key of a state.
    Rows citiesOf(std::string_view state) const;

private:
    using RowList = std::vector<std::uint32_t>;
    std::vector<Place> m_places;
    // Five-digit ZIP codes, the table's own, by number: the rows of ZIP n
    // are m_fiveDigitRows[m_firstOfZip[n] .. m_firstOfZip[n + 1]).
    std::vector<std::uint32_t> m_firstOfZip, m_fiveDigitRows;
    std::unordered_map<std::string, RowList> m_otherZips, m_byCity, m_byKey, m_cities;
};

// Equal but for the letter case of ASCII letters.
bool sameText(std::string_view a, std::string_view b);

} // namespace olvaris::lookup
