#pragma once
#include "LookupQuery.h"
#include "SqliteHandles.h"
#include <map>

namespace olvaris {
class ZipConnection;
}

namespace olvaris::lookup {

class RowWriter;

// Runs many lookups on one connection, each statement prepared once: a
// loop over ten thousand patterns costs a start and ten thousand reads.
class PreparedLookups {
public:
    explicit PreparedLookups(ZipConnection& connection);
    // Writes the rows of a query; the number written. Throws Failure.
    long long write(const LookupQuery& query, RowWriter& writer);

private:
    ZipConnection& m_connection;
    std::map<QByteArray, sqlite::Statement> m_statements;
};

} // namespace olvaris::lookup
