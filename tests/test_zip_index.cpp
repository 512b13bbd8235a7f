// The table in memory behind the list check, over the shipped database:
// the near spellings it finds against a scan of every name, and the
// verdicts of a table read whole or a piece at a time.
#include "NearSpellings.h"
#include "RowVerdict.h"
#include "SqliteHandles.h"
#include "ZipDatabase.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include <QtTest>
#include <algorithm>
#include <map>
#include <random>
#include <set>

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

// Insertions, deletions, substitutions and swaps of neighbours, the whole
// table worked out.
int editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        for (size_t j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = int(i + j);
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

} // namespace

class ZipIndexTest : public QObject {
    Q_OBJECT
    std::vector<Row> m_rows;
    olvaris::sqlite::Connection m_connection;

private slots:
    void initTestCase() {
        m_rows = shippedRows();
        m_connection = olvaris::zipbase::openZipDatabase(OLVARIS_SHIPPED_DATABASE);
    }

    // Names misspelt by up to three edits (and a few not at all), each
    // against every key of its state: the nearest found are the nearest there.
    void nearSpellingsAreTheNearestOfAll() {
        std::map<std::string, std::set<std::string>> keysOf;
        for (const Row& row : m_rows)
            keysOf[row.state].insert(olvaris::ziplist::cityKey(row.city));
        const ZipIndex whole(m_connection.get()), pieces(m_connection.get(), 0);
        std::mt19937 random(7);
        const std::string letters = "abcdefghijklmnopqrstuvwxyz ";
        for (int asked = 0; asked < 3000; ++asked) {
            const Row& row = m_rows[random() % m_rows.size()];
            std::string key = olvaris::ziplist::cityKey(row.city);
            for (int edits = int(random() % 4); edits > 0 && key.size() > 1; --edits) {
                const size_t at = random() % key.size();
                switch (random() % 4) {
                case 0:
                    key.insert(at, 1, letters[random() % letters.size()]);
                    break;
                case 1:
                    key.erase(at, 1);
                    break;
                case 2:
                    key[at] = letters[random() % letters.size()];
                    break;
                default:
                    std::swap(key[at], key[(at + 1) % key.size()]);
                }
            }
            const int limit = 1 + asked % 3;
            std::vector<std::string> expected;
            int best = limit + 1;
            for (const std::string& other : keysOf[row.state]) {
                const int distance = editDistance(key, other);
                if (distance < best) {
                    expected.clear();
                    best = distance;
                }
                if (distance == best && best <= limit)
                    expected.push_back(other);
            }
            for (const ZipIndex* index : {&whole, &pieces}) {
                std::vector<std::string> found = index->nearSpellings().nearest(row.state, key, limit);
                std::sort(found.begin(), found.end());
                QVERIFY2(found == expected, qPrintable(QStringLiteral("\"%1\" in %2 within %3: %4 found, %5 expected")
                                                           .arg(QString::fromStdString(key))
                                                           .arg(QString::fromStdString(row.state))
                                                           .arg(limit)
                                                           .arg(found.size())
                                                           .arg(expected.size())));
            }
        }
    }

    // A table of more rows than are read at the start is read a ZIP code, a
    // place or a state's cities at a time: every verdict the same.
    void aLargeTableGivesTheSameVerdictsReadAPieceAtATime() {
        const ZipIndex whole(m_connection.get()), pieces(m_connection.get(), 0);
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
