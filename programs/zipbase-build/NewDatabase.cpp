#include "NewDatabase.h"
#include "Error.h"
#include "ZipSchema.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

} // namespace

void check(sqlite3* db, int code, int expected) {
    if (code != expected)
        throw Error(Error::Kind::Output, sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw Error(Error::Kind::Output, text);
    }
}

void bindText(sqlite3* db, sqlite3_stmt* statement, int index, const std::string& text) {
    check(db, sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT));
}

void step(sqlite3* db, sqlite3_stmt* statement) {
    check(db, sqlite3_step(statement), SQLITE_DONE);
    check(db, sqlite3_reset(statement));
}

void insertRow(sqlite3* db, sqlite3_stmt* statement, const std::array<std::string, 3>& row) {
    for (int i = 0; i < 3; ++i)
        bindText(db, statement, i + 1, row[size_t(i)]);
    step(db, statement);
}

void insertMerged(sqlite3* db, Statements& statements, const Merged& merged) {
    for (const auto& row : merged.rows)
        insertRow(db, statements.row.get(), row);
    for (const auto& row : merged.retired)
        insertRow(db, statements.retired.get(), {row[2], row[0], row[1]});
    for (const auto& [zip, place] : merged.places) {
        bindText(db, statements.place.get(), 1, zip);
        if (place.point) {
            check(db, sqlite3_bind_double(statements.place.get(), 2, place.point->latitude));
            check(db, sqlite3_bind_double(statements.place.get(), 3, place.point->longitude));
            check(db, sqlite3_bind_int(statements.point.get(), 1, std::stoi(zip)));
            check(db, sqlite3_bind_double(statements.point.get(), 2, place.point->latitude));
            check(db, sqlite3_bind_double(statements.point.get(), 3, place.point->longitude));
            step(db, statements.point.get());
        } else {
            check(db, sqlite3_bind_null(statements.place.get(), 2));
            check(db, sqlite3_bind_null(statements.place.get(), 3));
        }
        for (const auto& [index, text] : {std::pair{4, &place.county}, std::pair{5, &place.countyFips}}) {
            if (text->empty())
                check(db, sqlite3_bind_null(statements.place.get(), index));
            else
                bindText(db, statements.place.get(), index, *text);
        }
        step(db, statements.place.get());
    }
}

void insertSource(sqlite3* db, sqlite3_stmt* statement, const std::string& role, const std::string& file, long lines,
                  const Sources& sources) {
    bindText(db, statement, 1, role);
    bindText(db, statement, 2, baseName(file));
    check(db, sqlite3_bind_int64(statement, 3, lines));
    const auto note = sources.notes.find(role);
    bindText(db, statement, 4, note == sources.notes.end() ? std::string() : note->second);
    step(db, statement);
}

void insertSourceRow(sqlite3* db, const std::string& role, const std::string& file, long lines,
                     const Sources& sources) {
    sqlite::Statement statement;
    check(db, sqlite::prepare(db, schema::InsertSource, statement));
    insertSource(db, statement.get(), role, file, lines, sources);
}

sqlite::Connection newDatabase(const std::string& output, const Sources& sources, Statements& statements) {
    sqlite::Connection db;
    if (sqlite::open(output.c_str(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db) != SQLITE_OK)
        throw Error(Error::Kind::Output,
                    "cannot create " + output + ": " + (db ? sqlite3_errmsg(db.get()) : "out of memory"));
    exec(db.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA page_size = 4096;");
    exec(db.get(), schema::Table);
    exec(db.get(), schema::Places);
    if (sources.timeZones)
        exec(db.get(), schema::TimeZones);
    exec(db.get(), "BEGIN");
    for (const auto& [sql, statement] :
         {std::pair{schema::Insert, &statements.row}, std::pair{schema::InsertPlace, &statements.place},
          std::pair{schema::InsertPoint, &statements.point}, std::pair{schema::InsertRetired, &statements.retired},
          std::pair{schema::InsertSource, &statements.source}})
        check(db.get(), sqlite::prepare(db.get(), sql, *statement));
    return db;
}

void finishDatabase(sqlite::Connection db, const std::string& output) {
    exec(db.get(), "COMMIT");
    exec(db.get(), schema::Indexes);
    db.reset();
    const int written = ::open(output.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = written >= 0 && ::fsync(written) == 0;
    if (written >= 0)
        ::close(written);
    if (!synced)
        throw Error(Error::Kind::Output, "cannot write " + output + " to the disk: " + std::strerror(errno));
}

} // namespace olvaris::zipdata
