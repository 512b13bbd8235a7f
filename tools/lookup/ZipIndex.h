#pragma once
#include <cstdint>
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
    using Rows = std::vector<std::uint32_t>;

    // Reads every row; throws Failure as the database does.
    explicit ZipIndex(ZipConnection& connection);

    const Place& place(std::uint32_t row) const { return m_places[row]; }
    // Empty when nothing is there.
    const Rows& withZip(std::string_view zip) const;
    // The city as written, in any letter case.
    const Rows& inState(std::string_view state, std::string_view city) const;
    // The city under any spelling of the same key.
    const Rows& withKey(std::string_view state, std::string_view key) const;
    // One row for each city key of a state.
    const Rows& citiesOf(std::string_view state) const;

private:
    std::vector<Place> m_places;
    std::unordered_map<std::string, Rows> m_byZip, m_byCity, m_byKey, m_cities;
};

// Equal but for the letter case of ASCII letters.
bool sameText(std::string_view a, std::string_view b);

} // namespace olvaris::lookup
