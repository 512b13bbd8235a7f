#pragma once
#include "SqliteHandles.h"
#include "Places.h"
#include "RowJudge.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include <optional>

struct sqlite3;

namespace olvaris::check {

class VerdictLog;

// What a list's rows are judged against: the table, and where the database
// knows them, retired ZIPs and distances. With a log, each verdict is also
// written down, for a save that must not judge again.
struct Judges : RowJudge {
    explicit Judges(sqlite3* db, VerdictLog* log = nullptr) : index(db), places(db), log(log) {
        if (places.located())
            facts.emplace(places);
    }
    lookup::ZipFacts* factsOrNull() { return facts ? &*facts : nullptr; }
    RowVerdict verdictOn(const std::array<workbook::Cell, 3>& place, bool formulasReadEmpty) override;

    lookup::ZipIndex index;
    lookup::Places places;
    std::optional<lookup::ZipFacts> facts;
    VerdictLog* log;
};

// The rules with the database they read, opened for them. Throws
// olvaris::Error (Database) where it cannot be read.
class DatabaseJudges : public RowJudge {
public:
    explicit DatabaseJudges(const std::string& database, VerdictLog* log = nullptr);
    RowVerdict verdictOn(const std::array<workbook::Cell, 3>& place, bool formulasReadEmpty) override {
        return m_judges.verdictOn(place, formulasReadEmpty);
    }

private:
    sqlite::Connection m_db;
    Judges m_judges;
};

} // namespace olvaris::check
