#pragma once
#include "ZipDatabase.h"
#include <QString>
#include <functional>

namespace olvaris {

// The one database connection of the process: read-only, over the SQLite
// file zipbase.mdb. Every failure throws Failure with the engine's message.
class ZipConnection {
public:
    ZipConnection() = default;
    ZipConnection(const ZipConnection&) = delete;
    ZipConnection& operator=(const ZipConnection&) = delete;

    // 0 when closed, 1 when open.
    int state() const { return m_db ? 1 : 0; }
    // Opens from a connection string "Provider=SQLite;Data Source= <path>".
    // Checks that the file is a database holding the table the program reads.
    void Open(const QString& connectionString);
    void Close();

    // The engine's handle; fails when the connection is closed.
    sqlite3* handle() const;

    static QString connectionStringFor(const QString& databasePath);

    // Called every few thousand engine steps while a statement works; when it
    // answers true the statement is interrupted. An empty one removes it.
    using Progress = std::function<bool()>;
    void setProgressHandler(Progress progress);
    static constexpr int StepsPerProgressCall = 1000;

    // Invariant: nothing may use the connection while the engine is inside a
    // statement (the progress handler runs window events there). A row set
    // marks that time, and refuses to start another statement within it.
    bool inStatement() const { return m_inStatement; }
    class StatementScope {
    public:
        explicit StatementScope(ZipConnection& connection);
        ~StatementScope() { m_connection.m_inStatement = false; }
        StatementScope(const StatementScope&) = delete;
        StatementScope& operator=(const StatementScope&) = delete;

    private:
        ZipConnection& m_connection;
    };

    static constexpr int BusyTimeoutMilliseconds = zipbase::BusyTimeoutMilliseconds;
    static constexpr int LargestField = zipbase::LargestField;

private:
    static int onProgress(void* connection);

    sqlite::Connection m_db;
    Progress m_progress;
    bool m_inStatement = false;
};

} // namespace olvaris
