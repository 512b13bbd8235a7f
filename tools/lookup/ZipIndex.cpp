#include "ZipIndex.h"
#include "ZipRules.h"
#include "data/ZipConnection.h"
#include "data/ZipRowSet.h"

namespace olvaris::lookup {

namespace {

constexpr std::uint32_t ZipNumbers = 100000;

// The number of a five-digit ZIP code, or ZipNumbers for any other text.
std::uint32_t zipNumber(std::string_view zip) {
    if (zip.size() != 5)
        return ZipNumbers;
    std::uint32_t number = 0;
    for (const char c : zip) {
        if (c < '0' || c > '9')
            return ZipNumbers;
        number = number * 10 + std::uint32_t(c - '0');
    }
    return number;
}

std::string joinedKey(std::string_view state, std::string_view text) {
    std::string key;
    key.reserve(state.size() + 1 + text.size());
    key.append(state);
    key += '\n';
    key.append(text);
    return key;
}

ZipIndex::Rows found(const std::unordered_map<std::string, std::vector<std::uint32_t>>& map, const std::string& key) {
    const auto at = map.find(key);
    return at == map.end() ? ZipIndex::Rows() : ZipIndex::Rows(at->second);
}

} // namespace

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = a[i], y = b[i];
        if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z'))
            return false;
    }
    return true;
}

ZipIndex::ZipIndex(ZipConnection& connection) {
    ZipRowSet set;
    set.Open("select [city],[state],[zip] from [zip_codes]", &connection);
    for (; !set.isEOF(); set.MoveNext()) {
        const QByteArrayView city = set.fieldUtf8(0), state = set.fieldUtf8(1), zip = set.fieldUtf8(2);
        m_places.push_back({std::string(city.data(), size_t(city.size())),
                            ziplist::lowerCase(std::string_view(state.data(), size_t(state.size()))),
                            std::string(zip.data(), size_t(zip.size()))});
        // States are compared as codes in capitals, whatever the table holds.
        Place& place = m_places.back();
        for (char& c : place.state)
            c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        const auto row = std::uint32_t(m_places.size() - 1);
        if (zipNumber(place.zip) == ZipNumbers)
            m_otherZips[place.zip].push_back(row);
        m_byCity[joinedKey(place.state, ziplist::lowerCase(place.city))].push_back(row);
        RowList& sameKey = m_byKey[joinedKey(place.state, ziplist::cityKey(place.city))];
        if (sameKey.empty())
            m_cities[place.state].push_back(row);
        sameKey.push_back(row);
    }
    // Counted, then placed: each ZIP's rows side by side, in table order.
    m_firstOfZip.assign(ZipNumbers + 1, 0);
    for (const Place& place : m_places)
        if (const std::uint32_t number = zipNumber(place.zip); number < ZipNumbers)
            ++m_firstOfZip[number + 1];
    for (std::uint32_t number = 0; number < ZipNumbers; ++number)
        m_firstOfZip[number + 1] += m_firstOfZip[number];
    m_fiveDigitRows.resize(m_firstOfZip[ZipNumbers]);
    std::vector<std::uint32_t> next(m_firstOfZip.begin(), m_firstOfZip.end() - 1);
    for (std::uint32_t row = 0; row < m_places.size(); ++row)
        if (const std::uint32_t number = zipNumber(m_places[row].zip); number < ZipNumbers)
            m_fiveDigitRows[next[number]++] = row;
}

ZipIndex::Rows ZipIndex::withZip(std::string_view zip) const {
    const std::uint32_t number = zipNumber(zip);
    if (number == ZipNumbers)
        return found(m_otherZips, std::string(zip));
    return Rows(m_fiveDigitRows).subspan(m_firstOfZip[number], m_firstOfZip[number + 1] - m_firstOfZip[number]);
}

ZipIndex::Rows ZipIndex::inState(std::string_view state, std::string_view city) const {
    return found(m_byCity, joinedKey(state, ziplist::lowerCase(city)));
}

ZipIndex::Rows ZipIndex::withKey(std::string_view state, std::string_view key) const {
    return found(m_byKey, joinedKey(state, key));
}

ZipIndex::Rows ZipIndex::citiesOf(std::string_view state) const { return found(m_cities, std::string(state)); }

} // namespace olvaris::lookup
