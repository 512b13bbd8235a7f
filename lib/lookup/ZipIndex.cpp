#include "ZipIndex.h"
#include "NearSpellings.h"
#include "AsciiCase.h"
#include "ZipRules.h"
#include "ZipDatabase.h"
#include "SqliteHandles.h"
#include <sqlite3.h>

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

// The statements that read the table a piece at a time, prepared once.
struct ZipIndex::Reader {
    sqlite3* db;
    sqlite::Statement byZip, byPlace, citiesOfState;

    explicit Reader(sqlite3* to) : db(to) {
        prepare("select rowid, [city], [state], [zip] from [zip_codes] where [zip] = ?1", byZip);
        prepare("select rowid, [city], [state], [zip] from [zip_codes] where [state] = ?1 and [city] = ?2", byPlace);
        // One row for each city of the state (the index's first of it).
        prepare("select rowid, [city], [state], [zip] from [zip_codes] where [state] = ?1 group by [city]",
                citiesOfState);
    }
    void prepare(const char* sql, sqlite::Statement& statement) {
        if (sqlite::prepare(db, sql, statement) != SQLITE_OK || !statement)
            throw zipbase::databaseError(db);
    }
    // Each row the statement gives for the value, as rowid, city, state, ZIP.
    template <typename Take>
    void rows(sqlite3_stmt* statement, std::initializer_list<std::string_view> values, Take take) {
        sqlite3_reset(statement);
        int parameter = 0;
        for (const std::string_view value : values)
            sqlite3_bind_text(statement, ++parameter, value.data(), int(value.size()), SQLITE_TRANSIENT);
        int stepped;
        const auto text = [statement](int column) {
            const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            return std::string_view(bytes ? bytes : "", size_t(sqlite3_column_bytes(statement, column)));
        };
        while ((stepped = sqlite3_step(statement)) == SQLITE_ROW)
            take(sqlite3_column_int64(statement, 0), text(1), text(2), text(3));
        if (stepped != SQLITE_DONE)
            throw zipbase::databaseError(db);
    }
};

ZipIndex::ZipIndex(sqlite3* db, std::int64_t eagerRows) {
    sqlite::Statement last;
    sqlite::prepare(db, "select max(rowid) from [zip_codes]", last);
    if (last && sqlite3_step(last.get()) == SQLITE_ROW && sqlite3_column_int64(last.get(), 0) > eagerRows) {
        m_reader = std::make_unique<Reader>(db);
        return;
    }
    sqlite::Statement all;
    if (sqlite::prepare(db, "select [city],[state],[zip] from [zip_codes]", all) != SQLITE_OK || !all)
        throw zipbase::databaseError(db);
    int stepped;
    while ((stepped = sqlite3_step(all.get())) == SQLITE_ROW) {
        const auto text = [&](int field) {
            const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(all.get(), field));
            return std::string_view(bytes ? bytes : "", size_t(sqlite3_column_bytes(all.get(), field)));
        };
        const std::uint32_t row = placeOf(0, text(0), text(1), text(2));
        if (zipNumber(m_places[row].zip) == ZipNumbers)
            m_zips[m_places[row].zip].push_back(row);
        addToState(row);
    }
    if (stepped != SQLITE_DONE)
        throw zipbase::databaseError(db);
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

ZipIndex::~ZipIndex() = default;

std::uint32_t ZipIndex::placeOf(std::int64_t rowid, std::string_view city, std::string_view state,
                                std::string_view zip) const {
    // Rows read whole (rowid 0) are read once; rows read a piece at a time
    // may come again with another piece.
    if (m_reader) {
        const auto known = m_rowOfRowid.find(rowid);
        if (known != m_rowOfRowid.end())
            return known->second;
    }
    // States are compared as codes in capitals, whatever the table holds.
    m_places.push_back({std::string(city), text::asciiUpper(state), std::string(zip)});
    const auto row = std::uint32_t(m_places.size() - 1);
    if (m_reader)
        m_rowOfRowid.emplace(rowid, row);
    return row;
}

void ZipIndex::addToState(std::uint32_t row) const {
    const Place& place = m_places[row];
    m_byCity[joinedKey(place.state, text::asciiLower(place.city))].push_back(row);
    RowList& sameKey = m_byKey[joinedKey(place.state, ziplist::cityKey(place.city))];
    if (sameKey.empty())
        m_cities[place.state].push_back(row);
    sameKey.push_back(row);
}

ZipIndex::Rows ZipIndex::withZip(std::string_view zip) const {
    const std::uint32_t number = zipNumber(zip);
    if (!m_reader && number < ZipNumbers)
        return Rows(m_fiveDigitRows).subspan(m_firstOfZip[number], m_firstOfZip[number + 1] - m_firstOfZip[number]);
    if (!m_reader)
        return found(m_zips, std::string(zip));
    return readOnce(m_zips, std::string(zip), m_reader->byZip.get(), {zip});
}

ZipIndex::Rows ZipIndex::inState(std::string_view state, std::string_view city) const {
    const std::string key = joinedKey(state, text::asciiLower(city));
    if (!m_reader)
        return found(m_byCity, key);
    return readOnce(m_byCity, key, m_reader->byPlace.get(), {state, city});
}

ZipIndex::Rows ZipIndex::withKey(std::string_view state, std::string_view key) const {
    if (!m_reader)
        return found(m_byKey, joinedKey(state, key));
    const auto [entry, added] = m_byKey.try_emplace(joinedKey(state, key));
    if (added)
        for (const std::uint32_t city : citiesOf(state))
            if (ziplist::cityKey(m_places[city].city) == key)
                for (const std::uint32_t row : inState(state, m_places[city].city))
                    entry->second.push_back(row);
    return entry->second;
}

const NearSpellings& ZipIndex::nearSpellings() const {
    if (!m_nearSpellings)
        m_nearSpellings = std::make_unique<NearSpellings>(*this);
    return *m_nearSpellings;
}

ZipIndex::Rows ZipIndex::citiesOf(std::string_view state) const {
    if (!m_reader)
        return found(m_cities, std::string(state));
    return readOnce(m_cities, std::string(state), m_reader->citiesOfState.get(), {state});
}

ZipIndex::Rows ZipIndex::readOnce(std::unordered_map<std::string, RowList>& map, std::string key,
                                  sqlite3_stmt* statement, std::initializer_list<std::string_view> values) const {
    const auto [entry, added] = map.try_emplace(std::move(key));
    RowList& rows = entry->second;
    if (added)
        m_reader->rows(statement, values,
                       [&](std::int64_t rowid, std::string_view city, std::string_view state, std::string_view zip) {
                           rows.push_back(placeOf(rowid, city, state, zip));
                       });
    return rows;
}

} // namespace olvaris::lookup
