#include "ZipConnection.h"
#include "ZipQueries.h"
#include "Failure.h"
#include "SystemPath.h"
#include <QFile>
#include <sqlite3.h>

namespace olvaris {

namespace {
constexpr const char* ProviderPrefix = "Provider=SQLite;";
constexpr const char* DataSourceKey = "Data Source=";

QString engineMessage(sqlite3* db, int code) {
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// The database path from a connection string; the blank after "=" is not part of it.
QString dataSource(const QString& connectionString) {
    if (!connectionString.startsWith(QLatin1String(ProviderPrefix), Qt::CaseInsensitive))
        throw Failure(QStringLiteral("Provider cannot be found. It may not be properly installed."));
    const qsizetype key = connectionString.indexOf(QLatin1String(DataSourceKey), 0, Qt::CaseInsensitive);
    if (key < 0)
        throw Failure(QStringLiteral("The connection string names no data source."));
    QString path = connectionString.mid(key + qsizetype(qstrlen(DataSourceKey)));
    while (path.startsWith(QLatin1Char(' ')))
        path.remove(0, 1);
    if (path.isEmpty())
        throw Failure(QStringLiteral("The connection string names no data source."));
    return path;
}
// The queries must read an ordinary table and its indexes, nothing else: a
// view (a recursive one can run for ever while it fills the temporary
// folder) or a virtual table is refused as a database without the table is.
// Returns the engine's code; a refusal sets the connection's message.
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

QString ZipConnection::connectionStringFor(const QString& databasePath) {
    return QLatin1String(ProviderPrefix) + QLatin1String(DataSourceKey) + QLatin1Char(' ') + databasePath;
}

void ZipConnection::Open(const QString& connectionString) {
    if (m_db)
        throw Failure(QStringLiteral("Operation is not allowed when the object is open."));
    const QByteArray path = toSystemBytes(dataSource(connectionString));

    sqlite::Connection opened;
    // The connection is used by the window's thread alone, so the engine
    // need not lock it on every call (a lock per field read was an eighth
    // of a list-all's time).
    int checked = sqlite::open(path.constData(), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, opened);
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
        throw Failure(QStringLiteral("zip_codes is not a table"));
    if (checked == SQLITE_CONSTRAINT)
        throw Failure(QStringLiteral("zip_codes has generated columns"));
    if (checked != SQLITE_OK)
        throw Failure(engineMessage(db, checked));
    m_db = std::move(opened);
}

void ZipConnection::setProgressHandler(Progress progress) {
    m_progress = std::move(progress);
    if (m_db)
        sqlite3_progress_handler(m_db.get(), m_progress ? StepsPerProgressCall : 0, m_progress ? &onProgress : nullptr,
                                 this);
}

int ZipConnection::onProgress(void* connection) {
    auto* self = static_cast<ZipConnection*>(connection);
    // Nothing may unwind through the engine.
    try {
        return self->m_progress && self->m_progress() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

ZipConnection::StatementScope::StatementScope(ZipConnection& connection) : m_connection(connection) {
    if (connection.m_inStatement)
        throw Failure(QStringLiteral("Operation is not allowed while another statement is running."));
    connection.m_inStatement = true;
}

void ZipConnection::Close() {
    if (m_inStatement)
        throw Failure(QStringLiteral("Operation is not allowed while another statement is running."));
    m_db.reset();
}

sqlite3* ZipConnection::handle() const {
    if (!m_db)
        throw Failure(QStringLiteral("Operation is not allowed when the object is closed."));
    return m_db.get();
}

} // namespace olvaris
