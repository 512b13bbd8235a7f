#pragma once
#include "SqliteHandles.h"
#include <string>

namespace olvaris::lookup {

// The database named on the command line (its path's own bytes), checked to
// be a file, so a folder or a pipe is said to be one, and opened read-only.
// Throws olvaris::Error (Database) naming the file.
sqlite::Connection openDatabaseFile(const std::string& path);

} // namespace olvaris::lookup
