#include "ZipRowSet.h"
#include "ZipConnection.h"
#include "Failure.h"
#include <sqlite3.h>

namespace olvaris {

namespace {
constexpr int FieldCount = 3;

bool onlyBlanks(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n')
            return false;
    return true;
}
} // namespace

ZipRowSet::~ZipRowSet() { Close(); }

void ZipRowSet::Open(const char* query, ZipConnection* connection, const QStringList& parameters) {
    if (!connection)
        throw Failure(Error::Kind::Usage, QStringLiteral("Object variable not set"));
    if (m_statement)
        throw Failure(Error::Kind::Usage, QStringLiteral("Operation is not allowed when the object is open."));
    sqlite3* db = connection->handle();
    m_stopped = false;

    sqlite::Statement statement;
    const char* rest = nullptr;
    int prepared = SQLITE_OK;
    {
        const ZipConnection::StatementScope working(*connection);
        prepared = sqlite::prepare(db, query, statement, &rest);
    }
    if (prepared == SQLITE_INTERRUPT) {
        m_stopped = true;
        return;
    }
    if (prepared != SQLITE_OK)
        throw Failure(Error::Kind::Database, QString::fromUtf8(sqlite3_errmsg(db)));
    // One read statement and nothing else, whatever the query holds.
    if (!statement || (rest && !onlyBlanks(rest)) || !sqlite3_stmt_readonly(statement.get()))
        throw Failure(Error::Kind::Usage, QStringLiteral("Only a single read statement can be run."));
    for (int i = 0; i < parameters.size(); ++i) {
        const QByteArray value = parameters.at(i).toUtf8();
        if (sqlite3_bind_text(statement.get(), i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT)
            != SQLITE_OK)
            throw Failure(Error::Kind::Database, QString::fromUtf8(sqlite3_errmsg(db)));
    }
    if (sqlite3_column_count(statement.get()) < FieldCount)
        throw Failure(Error::Kind::Usage, QStringLiteral("The query does not give city, state and zip."));
    m_statement = std::move(statement);
    m_connection = connection;
    try {
        step();
    } catch (...) {
        Close();
        throw;
    }
}

void ZipRowSet::Close() {
    m_statement.reset();
    m_connection = nullptr;
    m_eof = true;
}

bool ZipRowSet::isEOF() const {
    requireOpen();
    return m_eof;
}

void ZipRowSet::MoveNext() {
    requireOpen();
    if (m_eof)
        throw Failure(Error::Kind::Usage,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    step();
}

bool ZipRowSet::fieldIsNull(int item) const {
    requireRow(item);
    return sqlite3_column_type(m_statement.get(), item) == SQLITE_NULL;
}

QByteArrayView ZipRowSet::fieldUtf8(int item) const {
    requireRow(item);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), item));
    return QByteArrayView(text ? text : "", sqlite3_column_bytes(m_statement.get(), item));
}

QByteArrayView ZipRowSet::fieldTextUtf8(int item) const {
    requireRow(item);
    // The engine gives no text for a missing value (and for a failed
    // conversion, which the type then tells apart).
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), item));
    if (!text && sqlite3_column_type(m_statement.get(), item) == SQLITE_NULL)
        throw Failure(Error::Kind::Database, QStringLiteral("Invalid use of Null"));
    return QByteArrayView(text ? text : "", sqlite3_column_bytes(m_statement.get(), item));
}

void ZipRowSet::requireOpen() const {
    if (!m_statement)
        throw Failure(Error::Kind::Usage, QStringLiteral("Operation is not allowed when the object is closed."));
}

void ZipRowSet::requireRow(int item) const {
    requireOpen();
    if (m_eof)
        throw Failure(Error::Kind::Usage,
                      QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    if (item < 0 || item >= FieldCount)
        throw Failure(
            Error::Kind::Usage,
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
}

// A failed or stopped step leaves the row set without a current row, so a
// run that reports it then finds the end.
void ZipRowSet::step() {
    int stepped = SQLITE_OK;
    {
        const ZipConnection::StatementScope working(*m_connection);
        stepped = sqlite3_step(m_statement.get());
    }
    if (stepped == SQLITE_ROW) {
        m_eof = false;
        return;
    }
    m_eof = true;
    if (stepped == SQLITE_INTERRUPT) {
        m_stopped = true;
        return;
    }
    if (stepped != SQLITE_DONE)
        throw Failure(Error::Kind::Database, QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement.get()))));
}

} // namespace olvaris
