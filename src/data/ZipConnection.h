#pragma once
#include <QString>

struct sqlite3;

namespace olvaris {

// The one database connection of the process: read-only, over the SQLite
// file zipbase.mdb. Every failure throws Failure with the engine's message.
class ZipConnection {
public:
    ZipConnection() = default;
    ~ZipConnection();
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

    // How long a run waits for a file that another process holds locked.
    static constexpr int BusyTimeoutMilliseconds = 2000;

private:
    sqlite3* m_db = nullptr;
};

} // namespace olvaris
