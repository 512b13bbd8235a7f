#pragma once
#include <memory>
#include <sqlite3.h>

// Owning handles of the engine's objects, the one way the program, its
// tools, tests and benchmark hold them: a statement is finalized and a
// connection closed when its handle goes, on every path. Header-only and
// free of Qt, for the database builder too.
namespace olvaris::sqlite {

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
struct CloseConnection {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};

using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;
using Connection = std::unique_ptr<sqlite3, CloseConnection>;

// Prepares one statement; the code is the engine's, the handle empty unless it is SQLITE_OK.
inline int prepare(sqlite3* db, const char* sql, Statement& statement, const char** rest = nullptr) {
    sqlite3_stmt* prepared = nullptr;
    const int code = sqlite3_prepare_v2(db, sql, -1, &prepared, rest);
    statement.reset(prepared);
    return code;
}

// Opens a database file; the handle holds the connection even when the open
// failed, so its message can be read (and it is closed either way).
inline int open(const char* path, int flags, Connection& connection) {
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(path, &db, flags, nullptr);
    connection.reset(db);
    return code;
}

} // namespace olvaris::sqlite
