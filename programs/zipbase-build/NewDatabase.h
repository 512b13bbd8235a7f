#pragma once
#include "BuildOptions.h"
#include "SqliteHandles.h"
#include "ZipMerge.h"
#include <array>
#include <string>

namespace olvaris::zipdata {

// The database file as the build writes it. Every failure of the engine
// throws olvaris::Error (Output) with its message.

// The inserts the build runs again and again, prepared once.
struct Statements {
    sqlite::Statement row, place, point, retired, source, timeZone;
};

void check(sqlite3* db, int code, int expected = SQLITE_OK);
void exec(sqlite3* db, const char* sql);
void bindText(sqlite3* db, sqlite3_stmt* statement, int index, const std::string& text);
// The statement run to its end, and made ready to run again.
void step(sqlite3* db, sqlite3_stmt* statement);
void insertRow(sqlite3* db, sqlite3_stmt* statement, const std::array<std::string, 3>& row);
// Rows of a merge: the list made current, where each ZIP is, the retired.
void insertMerged(sqlite3* db, Statements& statements, const Merged& merged);
// What a source is, recorded: its role, file, lines and the note given for its role.
void insertSource(sqlite3* db, sqlite3_stmt* statement, const std::string& role, const std::string& file, long lines,
                  const Sources& sources);
// A source recorded with a statement of its own.
void insertSourceRow(sqlite3* db, const std::string& role, const std::string& file, long lines, const Sources& sources);

// A new database file with the tables the sources fill, in one
// transaction. The file is new and is thrown away on any failure, so it
// needs no journal while it is built, and is synced once, whole, before it
// is renamed into place. Its journal mode stays a rollback journal (only
// WAL would be recorded in the file), so it is read in a folder no one may
// write.
sqlite::Connection newDatabase(const std::string& output, const Sources& sources, Statements& statements);
// The transaction committed, the indexes made after the rows (so the file is
// as compact as a VACUUM would make it), the file synced whole.
void finishDatabase(sqlite::Connection db, const std::string& output);

} // namespace olvaris::zipdata
