#include "ZipConnection.h"
#include "Error.h"
#include "ZipDatabase.h"
#include "Failure.h"
#include "SystemPath.h"

namespace olvaris {

namespace {
constexpr const char* ProviderPrefix = "Provider=SQLite;";
constexpr const char* DataSourceKey = "Data Source=";

// The database path from a connection string; the blank after "=" is not part of it.
QString dataSource(const QString& connectionString) {
    if (!connectionString.startsWith(QLatin1String(ProviderPrefix), Qt::CaseInsensitive))
        throw Failure(Error::Kind::Usage,
                      QStringLiteral("Provider cannot be found. It may not be properly installed."));
    const qsizetype key = connectionString.indexOf(QLatin1String(DataSourceKey), 0, Qt::CaseInsensitive);
    if (key < 0)
        throw Failure(Error::Kind::Usage, QStringLiteral("The connection string names no data source."));
    QString path = connectionString.mid(key + qsizetype(qstrlen(DataSourceKey)));
    while (path.startsWith(QLatin1Char(' ')))
        path.remove(0, 1);
    if (path.isEmpty())
        throw Failure(Error::Kind::Usage, QStringLiteral("The connection string names no data source."));
    return path;
}
} // namespace

QString ZipConnection::connectionStringFor(const QString& databasePath) {
    return QLatin1String(ProviderPrefix) + QLatin1String(DataSourceKey) + QLatin1Char(' ') + databasePath;
}

void ZipConnection::Open(const QString& connectionString) {
    if (m_db)
        throw Failure(Error::Kind::Usage, QStringLiteral("Operation is not allowed when the object is open."));
    const QByteArray path = toSystemBytes(dataSource(connectionString));

    try {
        m_db = zipbase::openZipDatabase(path.toStdString());
    } catch (const Error& error) {
        throw Failure(error.kind(), QString::fromUtf8(error.what()));
    }
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
        throw Failure(Error::Kind::Usage,
                      QStringLiteral("Operation is not allowed while another statement is running."));
    connection.m_inStatement = true;
}

void ZipConnection::Close() {
    if (m_inStatement)
        throw Failure(Error::Kind::Usage,
                      QStringLiteral("Operation is not allowed while another statement is running."));
    m_db.reset();
}

sqlite3* ZipConnection::handle() const {
    if (!m_db)
        throw Failure(Error::Kind::Usage, QStringLiteral("Operation is not allowed when the object is closed."));
    return m_db.get();
}

} // namespace olvaris
