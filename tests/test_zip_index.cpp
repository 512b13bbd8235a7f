// The table in memory behind the list check, over the shipped database:
// the verdicts of a table read whole or a piece at a time.
#include "RowVerdict.h"
#include "SqliteHandles.h"
#include "ZipConnection.h"
#include "ZipIndex.h"
#include <QtTest>
#include <random>

using olvaris::ZipConnection;
using olvaris::lookup::judge;
using olvaris::lookup::RowVerdict;
using olvaris::lookup::ZipIndex;

namespace {

struct Row {
    std::string city, state, zip;
};

// The rows as the engine holds them, none of the program's queries.
std::vector<Row> shippedRows() {
    olvaris::sqlite::Connection db;
    olvaris::sqlite::Statement select;
    if (olvaris::sqlite::open(OLVARIS_SHIPPED_DATABASE, SQLITE_OPEN_READONLY, db) != SQLITE_OK
        || olvaris::sqlite::prepare(db.get(), "select city, state, zip from zip_codes order by rowid", select)
               != SQLITE_OK)
        qFatal("cannot read the shipped database");
    std::vector<Row> rows;
    const auto text = [&](int column) {
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), column)));
    };
    while (sqlite3_step(select.get()) == SQLITE_ROW)
        rows.push_back({text(0), text(1), text(2)});
    return rows;
}

} // namespace

class ZipIndexTest : public QObject {
    Q_OBJECT
    std::vector<Row> m_rows;
    ZipConnection m_connection;

private slots:
    void initTestCase() {
        m_rows = shippedRows();
        m_connection.Open(ZipConnection::connectionStringFor(OLVARIS_SHIPPED_DATABASE));
    }

    // A table of more rows than are read at the start is read a ZIP code, a
    // place or a state's cities at a time: every verdict the same.
    void aLargeTableGivesTheSameVerdictsReadAPieceAtATime() {
        const ZipIndex whole(m_connection), pieces(m_connection, 0);
        std::mt19937 random(3);
        int judged = 0;
        for (const Row& row : m_rows) {
            if (random() % 40 != 0)
                continue;
            const Row& other = m_rows[random() % m_rows.size()];
            std::string city = row.city, state = row.state, zip = row.zip;
            switch (judged++ % 6) {
            case 1:
                zip = other.zip;
                break;
            case 2:
                city = other.city;
                break;
            case 3:
                city.erase(city.size() / 2, 1);
                break;
            case 4:
                zip.erase(0, 1);
                state = other.state;
                break;
            case 5:
                zip = "00000";
                break;
            }
            const RowVerdict a = judge(whole, city, state, zip), b = judge(pieces, city, state, zip);
            QVERIFY2(a.kind == b.kind && a.suggestedZip == b.suggestedZip && a.note == b.note,
                     qPrintable(QStringLiteral("%1, %2, %3: %4 / %5")
                                    .arg(QString::fromStdString(city), QString::fromStdString(state),
                                         QString::fromStdString(zip), QString::fromStdString(a.note),
                                         QString::fromStdString(b.note))));
        }
        QVERIFY(judged > 1000);
    }
};

QTEST_GUILESS_MAIN(ZipIndexTest)
#include "test_zip_index.moc"
