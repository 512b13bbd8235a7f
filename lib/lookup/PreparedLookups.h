#pragma once
#include "LookupQuery.h"
#include "SqliteHandles.h"
#include <map>
#include <string>

namespace olvaris::lookup {

class RowWriter;

// Runs many lookups on one connection, each statement prepared once: a
// loop over ten thousand patterns costs a start and ten thousand reads.
class PreparedLookups {
public:
    explicit PreparedLookups(sqlite3* db);
    // Writes the rows of a query; the number written. Throws olvaris::Error.
    long long write(const LookupQuery& query, RowWriter& writer);

private:
    sqlite3* m_db;
    std::map<std::string, sqlite::Statement, std::less<>> m_statements;
};

} // namespace olvaris::lookup
