// olvaris-lookup from the outside, as scripts run it: its rows against an
// independent reading of the CSV, its CSV, its exit statuses and messages,
// and the database left as it was.
#include "support/TestFolders.h"
#include "support/ZipTable.h"
#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace olvaris::test;

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
};

Run lookup(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(LOOKUP_PROGRAM), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

std::vector<ZipRow> parseTabs(const QByteArray& out) {
    std::vector<ZipRow> rows;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        rows.push_back({QString::fromUtf8(fields.value(0)), QString::fromUtf8(fields.value(1)),
                        QString::fromUtf8(fields.value(2))});
    }
    return rows;
}

QByteArray checksum(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class LookupTest : public QObject {
    Q_OBJECT
    std::vector<ZipRow> m_table;
    QByteArray m_shipped;

private slots:
    void initTestCase() {
        m_table = readShippedCsv();
        m_shipped = checksum(TestFolders::shippedDatabase());
    }
    void cleanupTestCase() { QCOMPARE(checksum(TestFolders::shippedDatabase()), m_shipped); }

    void rowsAreTheWindowsRowsInOrder() {
        for (const char* pattern : {"spring", "S", "9", "%ville", "_o", "st t"}) {
            const Run run = lookup({QString::fromUtf8(pattern)});
            QCOMPARE(run.status, 0);
            QVERIFY2(parseTabs(run.out) == expectedSearch(m_table, QString::fromUtf8(pattern)), pattern);
        }
        std::vector<ZipRow> everything = m_table;
        sortLikeTheDatabase(everything);
        const Run all = lookup({"--all"});
        QCOMPARE(all.status, 0);
        QVERIFY(parseTabs(all.out) == everything);

        // The same rows as JSON Lines, read back by a JSON reader.
        const Run json = lookup({"--json", "%ville"});
        QCOMPARE(json.status, 0);
        std::vector<ZipRow> parsed;
        for (const QByteArray& line : json.out.split('\n')) {
            if (line.isEmpty())
                continue;
            QJsonParseError error{};
            const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(object.size(), 3);
            parsed.push_back({object[QLatin1String("city")].toString(), object[QLatin1String("state")].toString(),
                              object[QLatin1String("zip")].toString()});
        }
        QVERIFY(parsed == expectedSearch(m_table, QStringLiteral("%ville")));
    }

    void everyFieldGivenMustBeginWithItsText_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("city and state") << QStringList{"--city", "springfield", "--state", "il"};
        QTest::newRow("state") << QStringList{"--state", "AK"};
        QTest::newRow("zip") << QStringList{"--zip", "9950"};
        QTest::newRow("all three") << QStringList{"--zip", "9", "--city", "san", "--state", "c"};
    }
    void everyFieldGivenMustBeginWithItsText() {
        QFETCH(QStringList, arguments);
        std::vector<ZipRow> expected;
        for (const ZipRow& row : m_table) {
            bool keep = true;
            for (qsizetype i = 0; i + 1 < arguments.size(); i += 2) {
                const QString& value = arguments[i] == QLatin1String("--city")    ? row.city
                                       : arguments[i] == QLatin1String("--state") ? row.state
                                                                                  : row.zip;
                keep = keep && likeMatches(value, arguments[i + 1] + QLatin1Char('%'));
            }
            if (keep)
                expected.push_back(row);
        }
        sortLikeTheDatabase(expected);
        const Run run = lookup(arguments);
        QCOMPARE(run.status, 0);
        QVERIFY(!expected.empty());
        QVERIFY(parseTabs(run.out) == expected);
    }

    void csvQuotesWhatNeedsQuoting() {
        TestFolders folders(TestFolders::WithoutDatabase);
        writeDatabase(folders.databasePath(),
                      {{"Washington, D.C.", "DC", "20001"}, {"O\"Hare", "IL", "60666"}, {"Plain", "PA", "00001"}});
        const QByteArray before = checksum(folders.databasePath());
        const Run run = lookup({"--csv", "--all", "--database", folders.databasePath()});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QByteArray("city,state,zip\r\n\"O\"\"Hare\",IL,60666\r\nPlain,PA,00001\r\n"
                                     "\"Washington, D.C.\",DC,20001\r\n"));
        QCOMPARE(lookup({"--json", "--all", "--database", folders.databasePath()}).out,
                 QByteArray("{\"city\":\"O\\\"Hare\",\"state\":\"IL\",\"zip\":\"60666\"}\n"
                            "{\"city\":\"Plain\",\"state\":\"PA\",\"zip\":\"00001\"}\n"
                            "{\"city\":\"Washington, D.C.\",\"state\":\"DC\",\"zip\":\"20001\"}\n"));
        QCOMPARE(checksum(folders.databasePath()), before);
    }

    void exitStatusesAndMessages() {
        TestFolders folders(TestFolders::WithoutDatabase);
        const QString damaged = folders.filePath(QStringLiteral("damaged.mdb"));
        folders.writeFile(QStringLiteral("damaged.mdb"), TestFolders::randomBytes(8192, 3));
        const QString foreign = folders.filePath(QStringLiteral("foreign.mdb"));
        runSql(foreign, "CREATE TABLE places (city TEXT, state TEXT, zip TEXT);");
        const QString view = folders.filePath(QStringLiteral("view.mdb"));
        runSql(view, RecursiveView);
        const QString missing = folders.filePath(QStringLiteral("missing.mdb"));

        QCOMPARE(lookup({"spring"}).status, 0);
        const Run none = lookup({"zzzz"});
        QCOMPARE(none.status, 1);
        QVERIFY(none.out.isEmpty() && none.err.isEmpty());

        const QList<QStringList> usage = {{"--bogus"}, {"spring", "--all"},      {"a", "b"}, {},
                                          {"  "},      {"--city", "x", "spring"}};
        for (const QStringList& arguments : usage) {
            const Run run = lookup(arguments);
            QVERIFY2(run.status == 2 && run.out.isEmpty() && run.err.startsWith("olvaris-lookup: "),
                     qPrintable(arguments.join(' ')));
        }
        for (const QString& file : {missing, damaged, foreign, view}) {
            const Run run = lookup({"--database", file, "spring"});
            QCOMPARE(run.status, 2);
            QVERIFY(run.out.isEmpty());
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.startsWith(("olvaris-lookup: " + file + ": ").toUtf8()), run.err.constData());
        }
        QVERIFY(!QFile::exists(missing));

        QVERIFY(lookup({"spring", "--all"}).err.contains("--all and a PATTERN do not go together"));
        const Run help = lookup({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("--city <TEXT>"));
        // Every option the help offers works.
        QVERIFY(!help.out.contains("--help-all"));
        const Run version = lookup({"--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out.trimmed(), QByteArray("olvaris-lookup " OLVARIS_VERSION));
    }
};

QTEST_GUILESS_MAIN(LookupTest)
#include "test_lookup.moc"
