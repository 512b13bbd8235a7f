#pragma once
#include "SqliteHandles.h"
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace olvaris {

class ZipConnection;

// One query's rows, read forward one at a time. Open, read-only, one
// statement only. On a closed row set every read fails and state() is 0.
class ZipRowSet {
public:
    ZipRowSet() = default;
    ~ZipRowSet();
    ZipRowSet(const ZipRowSet&) = delete;
    ZipRowSet& operator=(const ZipRowSet&) = delete;

    // Runs the query over the connection, binding the parameters as ?1, ?2 ...
    void Open(const char* query, ZipConnection* connection, const QStringList& parameters = {});
    int state() const { return m_statement ? 1 : 0; }
    void Close();

    // True when there is no current row.
    bool isEOF() const;
    // True when the progress handler stopped the engine: the row set then
    // has no current row, and no failure is raised.
    bool stopped() const { return m_stopped; }
    void MoveNext();

    // A field of the current row, by position (0 city, 1 state, 2 zip).
    bool fieldIsNull(int item) const;
    // The stored text, a missing value as empty text.
    QByteArrayView fieldUtf8(int item) const;
    // The value converted to text; a missing value cannot be converted and fails.
    QByteArrayView fieldTextUtf8(int item) const;
    QString fieldText(int item) const { return QString::fromUtf8(fieldTextUtf8(item)); }

private:
    void requireOpen() const;
    void requireRow(int item) const;
    void step();

    sqlite::Statement m_statement;
    ZipConnection* m_connection = nullptr;
    bool m_eof = true;
    bool m_stopped = false;
};

} // namespace olvaris
