#pragma once
#include <QString>
#include <array>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace bench {

struct Place {
    std::string city, state, zip;
};

inline std::vector<Place> tableOf(const QString& database) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select city, state, zip from zip_codes", -1, &statement, nullptr);
    std::vector<Place> places;
    const auto text = [&](int i) {
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
    };
    while (sqlite3_step(statement) == SQLITE_ROW)
        places.push_back({text(0), text(1), text(2)});
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return places;
}

// Row i of an export (name, street, city, state, ZIP), one in ten with a
// planted fault: a ZIP+4, a lost zero, another place's ZIP; and one in
// forty with its city misspelt (a letter left out), as real lists have
// them. With misspeltOnly every row's city is misspelt and its ZIP another
// place's, the dearest row there is.
inline std::array<std::string, 5> exportRow(long i, const std::vector<Place>& places, bool misspeltOnly = false) {
    const Place& place = places[size_t(i * 7919) % places.size()];
    std::string zip = place.zip;
    if (i % 30 == 1)
        zip += "-1234";
    else if (i % 30 == 2 && zip[0] == '0')
        zip.erase(0, 1);
    else if (i % 30 == 3 || misspeltOnly)
        zip = places[size_t(i * 104729 + 17) % places.size()].zip;
    std::string city = place.city;
    if ((i % 40 == 5 || misspeltOnly) && city.size() > 4)
        city.erase(size_t(i) % city.size(), 1);
    return {"Person " + std::to_string(i), std::to_string(i) + " Main St, Apt 2", city, place.state, zip};
}

} // namespace bench
