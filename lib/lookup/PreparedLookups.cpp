#include "PreparedLookups.h"
#include "RowWriter.h"
#include "ZipDatabase.h"

namespace olvaris::lookup {

PreparedLookups::PreparedLookups(sqlite3* db) : m_db(db) {}

long long PreparedLookups::write(const LookupQuery& query, RowWriter& writer) {
    sqlite3* db = m_db;
    const auto fail = [db] { return zipbase::databaseError(db); };
    auto found = m_statements.find(query.statement);
    if (found == m_statements.end()) {
        sqlite::Statement statement;
        if (sqlite::prepare(db, query.statement.c_str(), statement) != SQLITE_OK || !statement)
            throw fail();
        found = m_statements.emplace(query.statement, std::move(statement)).first;
    }
    sqlite3_stmt* statement = found->second.get();
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (size_t i = 0; i < query.parameters.size(); ++i) {
        const std::string& value = query.parameters[i];
        if (sqlite3_bind_text(statement, int(i) + 1, value.data(), int(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            throw fail();
    }
    long long rows = 0;
    const auto column = [statement](int item) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, item));
        return std::string_view(text ? text : "", size_t(sqlite3_column_bytes(statement, item)));
    };
    int stepped;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW) {
        writer.row(column(0), column(1), column(2));
        ++rows;
    }
    if (stepped != SQLITE_DONE)
        throw fail();
    return rows;
}

} // namespace olvaris::lookup
