#pragma once
#include "Places.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include <optional>

struct sqlite3;

namespace olvaris::lookup {

// What a list's rows are judged against: the table, and where the database
// knows them, retired ZIPs and distances.
struct Judges {
    explicit Judges(sqlite3* db) : index(db), places(db) {
        if (places.located())
            facts.emplace(places);
    }
    ZipFacts* factsOrNull() { return facts ? &*facts : nullptr; }

    ZipIndex index;
    Places places;
    std::optional<ZipFacts> facts;
};

} // namespace olvaris::lookup
