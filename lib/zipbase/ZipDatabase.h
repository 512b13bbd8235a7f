#pragma once
#include "Error.h"
#include "SqliteHandles.h"
#include <string>

namespace olvaris::zipbase {

// How long a reader waits for a file that another process holds locked.
inline constexpr int BusyTimeoutMilliseconds = 2000;
// The longest text a field (and a row the engine sorts) may hold: far
// beyond any place name (the longest is under 60 characters). At 1 MB a
// file of 300 such rows, which the engine sorts in steps no progress call
// interrupts, held the window for two seconds.
inline constexpr int LargestField = 64 << 10;

// Opens a database file read-only, given by its path's own bytes, and checks
// that it holds the table the queries read: an ordinary table (no view, no
// virtual table) without generated columns. The connection is for one
// thread. Throws olvaris::Error (Kind::Database) with the engine's message
// or what the file lacks.
sqlite::Connection openZipDatabase(const std::string& path);

// The engine's message for a connection, or for a code where there is none.
std::string engineMessage(sqlite3* db, int code = SQLITE_ERROR);
// What a failing statement throws: the engine's message as a database error.
inline Error databaseError(sqlite3* db) { return Error(Error::Kind::Database, engineMessage(db)); }

} // namespace olvaris::zipbase
