#include "ZipDatabase.h"
#include "Error.h"
#include "ZipQueries.h"

namespace olvaris::zipbase {

namespace {

// The queries must read an ordinary table and its indexes, nothing else: a
// view (a recursive one can run for ever while it fills the temporary
// folder) or a virtual table is refused as a database without the table is.
// Returns the engine's code; SQLITE_MISMATCH for a table of another kind.
int requireOrdinaryTable(sqlite3* db) {
    sqlite::Statement kind;
    int code = sqlite::prepare(db,
                               "select type = 'table' and sql not like 'create virtual%' from sqlite_schema "
                               "where name = 'zip_codes' collate nocase",
                               kind);
    if (code != SQLITE_OK)
        return code;
    code = sqlite3_step(kind.get());
    const bool ordinary = code == SQLITE_ROW && sqlite3_column_int(kind.get(), 0) == 1;
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        return code;
    return ordinary ? SQLITE_OK : SQLITE_MISMATCH;
}

// A generated column is computed as it is read, and its expression may
// build a text of gigabytes for every row from a file of a few kilobytes.
// Returns the engine's code; SQLITE_CONSTRAINT when the table has one.
int refuseGeneratedColumns(sqlite3* db) {
    sqlite::Statement hidden;
    int code = sqlite::prepare(db, "select count(*) from pragma_table_xinfo('zip_codes') where hidden != 0", hidden);
    if (code != SQLITE_OK)
        return code;
    code = sqlite3_step(hidden.get());
    if (code != SQLITE_ROW)
        return code;
    return sqlite3_column_int(hidden.get(), 0) == 0 ? SQLITE_OK : SQLITE_CONSTRAINT;
}

} // namespace

std::string engineMessage(sqlite3* db, int code) { return db ? sqlite3_errmsg(db) : sqlite3_errstr(code); }

sqlite::Connection openZipDatabase(const std::string& path) {
    sqlite::Connection opened;
    // A connection is used by one thread alone, so the engine need not lock
    // it on every call (a lock per field read was an eighth of a list-all's time).
    int checked = sqlite::open(path.c_str(), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, opened);
    sqlite3* db = opened.get();
    if (checked == SQLITE_OK) {
        // No field the queries read or make may pass what a city, state or
        // ZIP code can sensibly be: the engine refuses it at its row.
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, LargestField);
        sqlite3_busy_timeout(db, BusyTimeoutMilliseconds);
        // Functions named inside the file's schema run only if they cannot harm.
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        // The engine sorts a search's hits in runs of its page cache's size, each
        // run in one step that no progress call interrupts: a cache of 1 MB keeps
        // each such step to a few milliseconds, and the window responsive.
        checked = sqlite3_exec(db, "PRAGMA query_only=1; PRAGMA cache_size=-1024", nullptr, nullptr, nullptr);
    }
    // The file must be a database that holds the table and columns the
    // queries read; preparing the list-all query reads the schema and checks both.
    if (checked == SQLITE_OK) {
        sqlite::Statement probe;
        checked = sqlite::prepare(db, query::ListAll, probe);
    }
    if (checked == SQLITE_OK)
        checked = requireOrdinaryTable(db);
    if (checked == SQLITE_OK)
        checked = refuseGeneratedColumns(db);
    if (checked == SQLITE_MISMATCH)
        throw Error(Error::Kind::Database, "zip_codes is not a table");
    if (checked == SQLITE_CONSTRAINT)
        throw Error(Error::Kind::Database, "zip_codes has generated columns");
    if (checked != SQLITE_OK)
        throw Error(Error::Kind::Database, engineMessage(db, checked));
    return opened;
}

} // namespace olvaris::zipbase
