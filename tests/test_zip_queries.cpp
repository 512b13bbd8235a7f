// The two queries over the shipped database, checked against an independent
// reading of the CSV; the row set's contract; nothing but reads ever runs.
#include "support/TestFolders.h"
#include "support/ZipTable.h"
#include "Failure.h"
#include "SqliteHandles.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include <QCryptographicHash>
#include <QFile>
#include <QtTest>
#include <stdexcept>

using namespace olvaris;
using namespace olvaris::test;

namespace {
QByteArray checksum(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The plan the engine runs for a statement with its pattern bound, one
// step a line.
QStringList queryPlan(sqlite3* db, const char* sql, const QString& pattern) {
    sqlite::Statement statement;
    const QByteArray explain = QByteArray("EXPLAIN QUERY PLAN ") + sql;
    const QByteArray bound = pattern.toUtf8();
    if (sqlite::prepare(db, explain.constData(), statement) != SQLITE_OK
        || sqlite3_bind_text(statement.get(), 1, bound.constData(), int(bound.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    QStringList plan;
    int code = SQLITE_OK;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW)
        plan << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 3)));
    if (code != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
    return plan;
}

std::vector<ZipRow> readAll(ZipRowSet& rows) {
    std::vector<ZipRow> read;
    while (!rows.isEOF()) {
        read.push_back({QString::fromUtf8(rows.fieldUtf8(0)), rows.fieldText(1), rows.fieldText(2)});
        rows.MoveNext();
    }
    return read;
}
} // namespace

class ZipQueriesTest : public QObject {
    Q_OBJECT
    std::vector<ZipRow> m_table;
    QByteArray m_shippedChecksum;
    ZipConnection m_connection;

    std::vector<ZipRow> search(const QString& filter) {
        ZipRowSet rows;
        rows.Open(query::searchFor(filter + QLatin1Char('%')), &m_connection, {filter + QLatin1Char('%')});
        return readAll(rows);
    }

private slots:
    void initTestCase() {
        m_table = readShippedRows();
        QCOMPARE(m_table.size(), size_t(42010));
        m_shippedChecksum = checksum(TestFolders::shippedDatabase());
        m_connection.Open(ZipConnection::connectionStringFor(TestFolders::shippedDatabase()));
    }
    void cleanup() { QCOMPARE(checksum(TestFolders::shippedDatabase()), m_shippedChecksum); }

    void listAllGivesEveryRowInOrder() {
        ZipRowSet rows;
        rows.Open(query::ListAll, &m_connection);
        std::vector<ZipRow> expected = m_table;
        sortLikeTheDatabase(expected);
        QVERIFY(readAll(rows) == expected);
    }

    void searchMatchesThePrefixOfAnyColumn_data() {
        QTest::addColumn<QString>("filter");
        QTest::newRow("two letters, small") << "sp";
        QTest::newRow("two letters, capitals") << "SP";
        QTest::newRow("state code") << "vt";
        QTest::newRow("city words") << "New Y";
        QTest::newRow("three digits") << "123";
        QTest::newRow("a whole zip") << "00501";
        QTest::newRow("underscore is one character") << "_ew";
        QTest::newRow("percent inside") << "s%ville";
        QTest::newRow("leading percent") << "%ville";
        QTest::newRow("leading blank") << " Spr";
        QTest::newRow("trailing blank") << "Red ";
        QTest::newRow("apostrophe") << "O'Neil";
        QTest::newRow("doubled apostrophe") << "O''Neil";
        QTest::newRow("statement text") << "x'; drop table zip_codes; --";
        QTest::newRow("nothing matches") << "qqqq";
    }
    void searchMatchesThePrefixOfAnyColumn() {
        QFETCH(QString, filter);
        const std::vector<ZipRow> found = search(filter);
        const std::vector<ZipRow> expected = expectedSearch(m_table, filter);
        QCOMPARE(found.size(), expected.size());
        QVERIFY(found == expected);
    }

    void twoLettersFindCitiesAndStatesOnce() {
        const std::vector<ZipRow> found = search(QStringLiteral("ne"));
        bool city = false, state = false;
        for (const ZipRow& row : found) {
            city = city || (row.city.startsWith(QLatin1String("Ne")) && row.state != QLatin1String("NE"));
            state = state || (row.state == QLatin1String("NE") && !row.city.startsWith(QLatin1String("Ne")));
        }
        QVERIFY(city && state);
        QCOMPARE(std::adjacent_find(found.begin(), found.end()), found.end());
    }

    void percentAloneGivesEveryRow() { QCOMPARE(search(QStringLiteral("%")).size(), m_table.size()); }

    // With the statistics of a million-row table the engine would rather walk
    // the whole (city, state, zip) index for the order; a search with a fixed
    // start must still read only its three ranges, and give the rows of the
    // plain query in the same order. A leading wildcard walks that index.
    void searchesReadOnlyTheirRangesWithLargeTableStatistics() {
        TestFolders folders(TestFolders::WithoutDatabase);
        writeDatabase(folders.databasePath(), m_table);
        runSql(folders.databasePath(),
               "DELETE FROM sqlite_stat1;"
               "INSERT INTO sqlite_stat1 VALUES ('zip_codes', 'zip_codes_by_zip', '1000000 24 2 1'),"
               " ('zip_codes', 'zip_codes_by_state', '1000000 16130 3 1'),"
               " ('zip_codes', 'zip_codes_by_place', '1000000 3 2 1');");
        for (const QString& database : {folders.databasePath(), TestFolders::shippedDatabase()}) {
            ZipConnection connection;
            connection.Open(ZipConnection::connectionStringFor(database));
            for (const char* filter : {"spring", "S", "9", "ab", "%ville", "_o", "%"}) {
                const QString pattern = QString::fromUtf8(filter) + QLatin1Char('%');
                const QString plan = queryPlan(connection.handle(), query::searchFor(pattern), pattern).join(u'\n');
                if (pattern.startsWith(QLatin1Char('%')) || pattern.startsWith(QLatin1Char('_'))) {
                    QVERIFY2(plan.startsWith(QLatin1String("SCAN zip_codes USING COVERING INDEX zip_codes_by_place"))
                                 && !plan.contains(QLatin1String("TEMP B-TREE")),
                             qPrintable(plan));
                } else {
                    // Three ranges, each read from its index alone.
                    QVERIFY2(plan.startsWith(QLatin1String("MERGE (UNION ALL)"))
                                 && !plan.contains(QLatin1String("SCAN"))
                                 && plan.count(QLatin1String("SEARCH zip_codes USING COVERING INDEX")) == 3,
                             qPrintable(plan));
                }
                ZipRowSet programs, plain;
                programs.Open(query::searchFor(pattern), &connection, {pattern});
                plain.Open(query::SearchWalk, &connection, {pattern});
                QVERIFY2(readAll(programs) == readAll(plain), filter);
            }
        }
    }

    void aQueryThatMatchesNothingIsAtItsEndAtOnce() {
        ZipRowSet rows;
        rows.Open(query::SearchRanges, &m_connection, {QStringLiteral("zzzzzz%")});
        QCOMPARE(rows.state(), 1);
        QVERIFY(rows.isEOF());
    }

    void aClosedRowSetFailsEveryRead() {
        ZipRowSet rows;
        QCOMPARE(rows.state(), 0);
        QVERIFY_THROWS_EXCEPTION(Failure, rows.isEOF());
        QVERIFY_THROWS_EXCEPTION(Failure, rows.fieldUtf8(0));
        QVERIFY_THROWS_EXCEPTION(Failure, rows.fieldText(1));
        QVERIFY_THROWS_EXCEPTION(Failure, rows.MoveNext());
        rows.Open(query::ListAll, &m_connection);
        rows.Close();
        QCOMPARE(rows.state(), 0);
        QVERIFY_THROWS_EXCEPTION(Failure, rows.isEOF());
    }

    void onlySingleReadStatementsRun_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("second statement") << "select city, state, zip from zip_codes; delete from zip_codes";
        QTest::newRow("write") << "delete from zip_codes";
        QTest::newRow("schema change") << "drop table zip_codes";
        QTest::newRow("attach") << "attach database ':memory:' as other";
    }
    void onlySingleReadStatementsRun() {
        QFETCH(QString, sql);
        const QByteArray text = sql.toUtf8();
        ZipRowSet rows;
        QVERIFY_THROWS_EXCEPTION(Failure, rows.Open(text.constData(), &m_connection));
        QCOMPARE(rows.state(), 0);
        QCOMPARE(search(QStringLiteral("%")).size(), m_table.size());
    }

    void openingNeedsAConnection() {
        ZipRowSet rows;
        ZipConnection closed;
        QVERIFY_THROWS_EXCEPTION(Failure, rows.Open(query::ListAll, nullptr));
        QVERIFY_THROWS_EXCEPTION(Failure, rows.Open(query::ListAll, &closed));
    }

    void nullStateOrZipCannotBeTurnedIntoText() {
        TestFolders folders(TestFolders::WithoutDatabase);
        writeDatabase(folders.databasePath(), {{QString(), "NY", "00001"}, {"B", QString(), QString()}});
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(folders.databasePath()));
        ZipRowSet rows;
        rows.Open(query::ListAll, &connection);
        QCOMPARE(rows.fieldUtf8(0), QByteArrayView("")); // a missing city is empty text
        rows.MoveNext();
        QVERIFY(rows.fieldIsNull(1));
        QVERIFY_THROWS_EXCEPTION(Failure, rows.fieldText(1));
        QVERIFY_THROWS_EXCEPTION(Failure, rows.fieldText(2));
    }

    void aFileThatIsNoDatabaseFailsToOpen_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("random bytes") << TestFolders::randomBytes(4096, 9);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text") << QByteArray("city,state,zip\nA,B,C\n");
    }
    void aFileThatIsNoDatabaseFailsToOpen() {
        QFETCH(QByteArray, bytes);
        TestFolders folders(TestFolders::WithoutDatabase);
        folders.writeFile(QStringLiteral("zipbase.mdb"), bytes);
        ZipConnection connection;
        QVERIFY_THROWS_EXCEPTION(Failure, connection.Open(ZipConnection::connectionStringFor(folders.databasePath())));
        QCOMPARE(connection.state(), 0);
    }

    void connectionStringKeepsTheBlankBeforeThePath() {
        QCOMPARE(ZipConnection::connectionStringFor(QStringLiteral("/opt/zip/zipbase.mdb")),
                 QStringLiteral("Provider=SQLite;Data Source= /opt/zip/zipbase.mdb"));
    }
};

QTEST_GUILESS_MAIN(ZipQueriesTest)
#include "test_zip_queries.moc"
