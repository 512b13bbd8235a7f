// Tens of thousands of generated filters against the real search, each
// result checked against an independent matcher: quotes, wildcards anywhere,
// statement text, control characters, NUL, other scripts, 0 to 10,000
// characters. The filter is only ever a pattern; nothing else runs.
#include "support/RunStatements.h"
#include "support/TestWindow.h"
#include "support/ZipTable.h"
#include "PointerShape.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QtTest>
#include <random>

using namespace olvaris;
using namespace olvaris::test;

namespace {

constexpr unsigned Seed = 20261207;
constexpr int GeneratedFilters = 30'000;

// Rows of the shipped table plus rows whose texts hold what filters are made of.
std::vector<ZipRow> makeTable() {
    const std::vector<ZipRow> shipped = readShippedRows();
    std::vector<ZipRow> table;
    for (size_t i = 0; i < shipped.size(); i += 20)
        table.push_back(shipped[i]);
    const std::vector<ZipRow> special = {
        {"O'Neil", "NE", "99901"},
        {"O''Neil", "NE", "99902"},
        {"100% Town", "TX", "99903"},
        {"Under_Score", "UT", "99904"},
        {"[Bracket]", "BR", "99905"},
        {"Semi;Colon", "SC", "99906"},
        {QStringLiteral("Montréal"), "QC", "99907"},
        {QStringLiteral("Straße"), "DE", "99908"},
        {QStringLiteral("ירושלים"), "IL", "99909"},
        {QStringLiteral("القاهرة"), "EG", "99910"},
        {QStringLiteral("東京"), "JP", "99911"},
        {QStringLiteral("😀 Smile"), "EM", "99912"},
        {"Quote \"Town\"", "QT", "99913"},
        {"-- Dash", "DA", "99914"},
        {" Leading Blank", "LB", "99915"},
        {"Tab\tCity", "TB", "99916"},
        {"Back\\slash", "BS", "99917"},
        {"ab", "AB", "99918"},
    };
    table.insert(table.end(), special.begin(), special.end());
    return table;
}

class FilterGenerator {
public:
    FilterGenerator(unsigned seed, const std::vector<ZipRow>& table) : m_random(seed), m_table(table) {}

    QString next() {
        const int shape = pick(100);
        if (shape < 2)
            return QString();
        if (shape < 4) // very long
            return repeat(pick(10'001));
        QString filter;
        const int pieces = 1 + pick(3);
        for (int i = 0; i < pieces; ++i)
            filter += piece();
        return filter;
    }

private:
    int pick(int below) { return int(m_random() % unsigned(below)); }

    QString repeat(int length) {
        static const QString alphabet = QStringLiteral("aS%_' é;\x01");
        QString text;
        text.reserve(length);
        for (int i = 0; i < length; ++i)
            text += alphabet[pick(int(alphabet.size()))];
        return text;
    }

    // The start of a real value, in random letter case, so filters find rows.
    QString realPrefix() {
        const ZipRow& row = m_table[size_t(pick(int(m_table.size())))];
        const QString& value = pick(3) == 0 ? row.city : pick(2) ? row.state : row.zip;
        QString prefix = value.left(1 + pick(int(value.size()) + 1));
        for (QChar& c : prefix)
            if (pick(3) == 0)
                c = c.isUpper() ? c.toLower() : c.toUpper();
        return prefix;
    }

    QString piece() {
        static const QStringList pieces = {
            "%",
            "_",
            "'",
            "''",
            "\"",
            "[",
            "]",
            ";",
            " ",
            "--",
            "/*",
            "*/",
            "\\",
            "'; DROP TABLE zip_codes; --",
            "\" OR 1=1 --",
            "%' OR '1'='1",
            "); DELETE FROM zip_codes; (",
            QString(QChar(0)),
            "\t",
            "\n",
            "\r",
            QString(QChar(1)),
            QString(QChar(0x7F)),
            QStringLiteral("é"),
            QStringLiteral("ß"),
            QStringLiteral("Ω"),
            QStringLiteral("ירו"),
            QStringLiteral("القا"),
            QStringLiteral("東"),
            QStringLiteral("😀"),
            QString(QChar(0x202E)),
            QString(QChar(0xD800)),
            "a",
            "S",
            "9",
            "0",
        };
        return pick(3) ? realPrefix() : pieces[pick(int(pieces.size()))];
    }

    std::mt19937 m_random;
    const std::vector<ZipRow>& m_table;
};

std::vector<ZipRow> searchWith(ZipConnection& connection, const QString& filter) {
    ZipRowSet rows;
    rows.Open(query::searchFor(filter + QLatin1Char('%')), &connection, {filter + QLatin1Char('%')});
    std::vector<ZipRow> found;
    while (!rows.isEOF()) {
        found.push_back({rows.fieldText(0), rows.fieldText(1), rows.fieldText(2)});
        rows.MoveNext();
    }
    return found;
}

QString printable(const QString& filter) {
    QString shown;
    for (const QChar c : filter.left(60))
        shown += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
    return shown + (filter.size() > 60 ? QStringLiteral("... (%1 characters)").arg(filter.size()) : QString());
}

} // namespace

class FilterPropertyTest : public QObject {
    Q_OBJECT
    std::vector<ZipRow> m_table;
    std::unique_ptr<IndependentSearch> m_matcher;
    QTemporaryDir m_folder;
    QString m_database;

private slots:
    void initTestCase() {
        m_table = makeTable();
        m_matcher = std::make_unique<IndependentSearch>(m_table);
        m_database = m_folder.filePath(QStringLiteral("zipbase.mdb"));
        writeDatabase(m_database, m_table);
    }

    void generatedFiltersMatchTheIndependentMatcher() {
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(m_database));
        FilterGenerator generate(Seed, m_table);
        QElapsedTimer timer;
        timer.start();
        int withRows = 0;
        for (int i = 0; i < GeneratedFilters; ++i) {
            const QString filter = generate.next();
            const std::vector<ZipRow> found = searchWith(connection, filter);
            const std::vector<ZipRow> expected = m_matcher->search(filter);
            if (found != expected)
                QFAIL(qPrintable(QStringLiteral("filter #%1 \"%2\": %3 rows, expected %4")
                                     .arg(i)
                                     .arg(printable(filter))
                                     .arg(found.size())
                                     .arg(expected.size())));
            withRows += found.empty() ? 0 : 1;
        }
        qInfo("%d filters, %d with rows, %.1f s", GeneratedFilters, withRows, timer.elapsed() / 1000.0);
        // The generator is meant to find rows too, not only nothing.
        QVERIFY2(withRows > GeneratedFilters / 4, qPrintable(QString::number(withRows)));
    }

    void theTableIsNeverChanged() {
        QFile file(m_database);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        ZipConnection connection;
        connection.Open(ZipConnection::connectionStringFor(m_database));
        for (const char* filter : {"'; DROP TABLE zip_codes; --", "x'); DELETE FROM zip_codes; --", "%' OR 1=1 --"})
            searchWith(connection, QString::fromUtf8(filter));
        file.seek(0);
        QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256), before);
        QCOMPARE(searchWith(connection, QStringLiteral("%")).size(), m_table.size());
    }

    void generatedFiltersThroughTheWindow() {
        TestWindow w(TestFolders::WithoutDatabase,
                     [&](TestFolders& folders) { writeDatabase(folders.databasePath(), m_table); });
        Form1& form = w.form;
        FilterGenerator generate(Seed + 1, m_table);
        for (int i = 0; i < 300; ++i) {
            const QString typed = generate.next();
            form.results().clear();
            form.Text1->setText(typed);
            // A one-line box keeps what comes before a line break; the search
            // takes the box's text exactly.
            const QString filter = form.Text1->text();
            QVERIFY2(typed.left(filter.size()) == filter && !filter.contains(QLatin1Char('\n'))
                         && !filter.contains(QLatin1Char('\r')),
                     qPrintable(printable(typed)));
            form.PushButton1->click();
            if (query::isBlankFilter(filter))
                continue; // nothing starts for an empty filter
            QVERIFY2(w.rows() == expectedSearch(m_table, filter), qPrintable(printable(filter)));
            QCOMPARE(form.PushButton1->text(), QStringLiteral("Start Search"));
            QCOMPARE(form.mousePointer(), pointer::Default);
        }
        QVERIFY(w.platform.reportedStatements().empty());
    }

    void aPatternTheEngineRefusesIsReportedAndTheWindowRecovers() {
        TestWindow w(TestFolders::WithoutDatabase,
                     [&](TestFolders& folders) { writeDatabase(folders.databasePath(), m_table); });
        Form1& form = w.form;
        // Longer than the engine's pattern limit (50,000 bytes of UTF-8), and
        // led by a wildcard so that the engine has to read it.
        form.Text1->setText(QLatin1Char('%') + QString(17'000, QChar(0x20AC)));
        form.PushButton1->click();
        QCOMPARE(w.platform.reportedStatements(), reportsOfAFailedOpen(RunButton::Search));
        const QStringList reports = w.platform.errorTexts();
        QVERIFY2(reports[0].startsWith(QLatin1String("LIKE or GLOB pattern too complex")), qPrintable(reports[0]));
        QCOMPARE(form.PushButton1->text(), QStringLiteral("Start Search"));
        QCOMPARE(form.mousePointer(), pointer::Default);
        QCOMPARE(form.results().count(), 0);
    }
};

QTEST_MAIN(FilterPropertyTest)
#include "test_filter_property.moc"
