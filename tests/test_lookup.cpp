// olvaris-lookup from the outside, as scripts run it: its rows against an
// independent reading of the CSV, its CSV, its exit statuses and messages,
// and the database left as it was.
#include "support/TestFolders.h"
#include "support/ZipTable.h"
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtMath>
#include <cmath>
#include <QtTest>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace olvaris::test;

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
};

// Standard input the bytes given, or the file named.
Run lookup(const QStringList& arguments, const QByteArray& input = {}, const QString& inputFile = {}) {
    QProcess process;
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(QStringLiteral(LOOKUP_PROGRAM), arguments);
    if (inputFile.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
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

// The JSON objects of a check's output, one a row.
QList<QJsonObject> checked(const QByteArray& out) {
    QList<QJsonObject> rows;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            rows << QJsonDocument::fromJson(line).object();
    return rows;
}

QString text(const QJsonObject& object, const char* key) { return object[QLatin1String(key)].toString(); }

} // namespace

class LookupTest : public QObject {
    Q_OBJECT
    std::vector<ZipRow> m_table;
    QByteArray m_shipped;

private slots:
    void initTestCase() {
        m_table = readShippedRows();
        m_shipped = checksum(TestFolders::shippedDatabase());
    }
    void cleanupTestCase() { QCOMPARE(checksum(TestFolders::shippedDatabase()), m_shipped); }

    void rowsAreTheWindowsRowsInOrder() {
        for (const char* pattern : {"spring", "S", "9", "%ville", "_o", "st"}) {
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
            QCOMPARE(object.size(), 5); // city, state, zip, county and time zone
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

    // Lists as spreadsheets export them: the columns found by name, every
    // field kept, in order.
    void aListIsReadAsSpreadsheetsWriteIt_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("fields");
        // The checked CSV: the list's own bytes, the verdict's columns added.
        QTest::addColumn<QByteArray>("checked");
        QTest::newRow("BOM, CRLF, quotes")
            << QByteArray("\xEF\xBB\xBFName,Street,City,State,ZIP\r\n\"A \"\"B\"\"\",\"1st St, Apt 2\nBack\","
                          "Boston,MA,02108\r\n")
            << QStringList{"A \"B\"", "1st St, Apt 2\nBack", "Boston", "MA", "02108"}
            << QByteArray("\xEF\xBB\xBFName,Street,City,State,ZIP,verdict,suggested_zip,note\r\n\"A \"\"B\"\"\",\"1st "
                          "St, Apt 2\nBack\",Boston,MA,02108,ok,,\r\n");
        QTest::newRow("semicolons, any order and case")
            << QByteArray("zip code;STATE;Town\n02108;MA;Boston\n") << QStringList{"02108", "MA", "Boston"}
            << QByteArray("zip code;STATE;Town;verdict;suggested_zip;note\n02108;MA;Boston;ok;;\n");
        QTest::newRow("tabs, Windows-1252")
            << QByteArray("Name\tPostal Code\tCity\tST\r\nJos\xE9\t00680\tMayaguez\tPR\r\n")
            << QStringList{"Jos\u00E9", "00680", "Mayaguez", "PR"}
            << QByteArray(
                   "Name\tPostal Code\tCity\tST\tverdict\tsuggested_zip\tnote\r\nJos\xE9\t00680\tMayaguez\tPR\tok"
                   "\t\t\r\n");
        QTest::newRow("mailing columns, every field quoted, no last line end")
            << QByteArray("\"Mailing City\",\"Mailing State\",\"Mailing Zip\"\n\"Boston\",\"MA\",\"02108\"")
            << QStringList{"Boston", "MA", "02108"}
            << QByteArray("\"Mailing City\",\"Mailing State\",\"Mailing Zip\",\"verdict\",\"suggested_zip\",\"note\"\n"
                          "\"Boston\",\"MA\",\"02108\",\"ok\",\"\",\"\"");
        const auto utf16 = [](const QString& text, bool big) {
            QByteArray bytes(big ? "\xFE\xFF" : "\xFF\xFE");
            for (const QChar c : text) {
                const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
                bytes += big ? QByteArray{&high, 1} + QByteArray{&low, 1} : QByteArray{&low, 1} + QByteArray{&high, 1};
            }
            return bytes;
        };
        const QString unicodeText =
            QStringLiteral("Name\tCity\tState\tZIP\r\nRen\u00e9e \U0001F600\tBoston\tMA\t02108\r\n");
        const QString unicodeChecked = QStringLiteral("Name\tCity\tState\tZIP\tverdict\tsuggested_zip\tnote\r\n"
                                                      "Ren\u00e9e \U0001F600\tBoston\tMA\t02108\tok\t\t\r\n");
        const QStringList renee{QStringLiteral("Ren\u00e9e \U0001F600"), "Boston", "MA", "02108"};
        QTest::newRow("UTF-16, little endian") << utf16(unicodeText, false) << renee << utf16(unicodeChecked, false);
        QTest::newRow("UTF-16, big endian") << utf16(unicodeText, true) << renee << utf16(unicodeChecked, true);
        QTest::newRow("CR line ends") << QByteArray("City,State,ZIP\rBoston,MA,02108\r")
                                      << QStringList{"Boston", "MA", "02108"}
                                      << QByteArray(
                                             "City,State,ZIP,verdict,suggested_zip,note\rBoston,MA,02108,ok,,\r");
        QTest::newRow("State/Province")
            << QByteArray("Mailing City,Mailing State/Province,Mailing Zip/Postal Code\nBoston,MA,02108")
            << QStringList{"Boston", "MA", "02108"}
            << QByteArray("Mailing City,Mailing State/Province,Mailing Zip/Postal Code,verdict,suggested_zip,note\n"
                          "Boston,MA,02108,ok,,");
    }
    void aListIsReadAsSpreadsheetsWriteIt() {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, fields);
        const Run run = lookup({"--check", "-", "--json"}, list);
        QCOMPARE(run.status, 0);
        const QList<QJsonObject> rows = checked(run.out);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][QLatin1String("fields")].toVariant().toStringList(), fields);
        const Run csv = lookup({"--check", "-"}, list);
        QCOMPARE(csv.status, 0);
        QTEST(csv.out, "checked");
        QVERIFY(csv.err.contains(": 1 row read: 1 ok"));
    }

    // Lists as the tools that make them write them: every customer a row,
    // each field as written, no row that is none.
    void listsAsToolsWriteThem_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("verdicts"); // of every row, in order
        QTest::addColumn<QString>("firstCity");
        const QByteArray mayaguez = "Mayag\xC3\xBC"
                                    "ez,PR,00680,";
        QByteArray far = "City,State,ZIP,Name\n";
        for (int i = 0; far.size() < 70000; ++i)
            far += mayaguez + "Ana\n";
        const int before = int(far.count('\n')) - 1;
        QTest::newRow("stray byte early") << "City,State,ZIP,Name\n" + mayaguez + "Jos\xE9\n" + mayaguez + "Ana\n"
                                          << QStringList{} << "ok ok"
                                          << "Mayag\u00FCez";
        QTest::newRow("stray byte far in")
            << far + mayaguez + "Jos\xE9\n"
            << QStringList{} << QStringList(before + 1, "ok").join(' ') << "Mayag\u00FCez";
        QTest::newRow("BOM, stray byte first") << "\xEF\xBB\xBF"
                                                  "City,State,ZIP,Name\n"
                                                      + mayaguez + "Jos\xE9\n"
                                               << QStringList{} << "ok"
                                               << "Mayag\u00FCez";
        QTest::newRow("Windows-1252, a UTF-8 field further on")
            << "City,State,ZIP,Name\nBoston,MA,02108,Jos\xE9\nBoston,MA,02108,Ren\xE9\n" + mayaguez + "Ana\n"
            << QStringList{} << "ok ok ok"
            << "Boston";
        QTest::newRow("separator-only lines")
            << QByteArray("City,State,ZIP,Phone\r\n,,,\r\nBoston,MA,02108,\r\n,,,\r\n") << QStringList{} << "ok"
            << "Boston";
        QTest::newRow("title rows") << QByteArray("\"Customers, December\";;;\n;;;\nName;City;State;Zip Code\n"
                                                  "A;Boston;MA;\" 02108\n\"\nB;Boston;MA;#N/A\n")
                                    << QStringList{"--columns", "City,State,Zip Code"} << "ok incomplete"
                                    << "Boston";
        QTest::newRow("title rows, columns by name")
            << QByteArray("Customers\n\nCity,State,ZIP\nBoston,MA,02108\n") << QStringList{} << "ok"
            << "Boston";
        QTest::newRow("no header") << QByteArray("Ana,Boston,MA,02108\nBo,Bostn,MA,02108\n") << QStringList{}
                                   << "ok unknown-city"
                                   << "Boston";
        QTest::newRow("no header, columns by number")
            << QByteArray("Ana,Boston,MA,02108\nBo,Boston,MA,02108\n") << QStringList{"--columns", "2,3,4"} << "ok ok"
            << "Boston";
        QTest::newRow("whole addresses") << QByteArray(
            "Email Address,Address\na@x,\"12 Main St, Boston, MA 02108\"\nb@x,1 Elm  Boston  "
            "Massachusetts  02108-1234  US\nc@x,12 Main St Boston\n")
                                         << QStringList{} << "ok format incomplete"
                                         << "Boston";
        QTest::newRow("whole addresses named") << QByteArray("Where,Other Address\n\"1 A St, Boston, MA 02108\",x\n")
                                               << QStringList{"--address", "Where"} << "ok"
                                               << "Boston";
        QTest::newRow("one address group a row")
            << QByteArray("Home City,Home State,Home ZipCode,Work City,Work State,Work ZipCode\n"
                          "Boston,MA,02108,,,\n,,,Boston,NH,02108\n")
            << QStringList{} << "ok mismatch"
            << "Boston";
    }
    void listsAsToolsWriteThem() {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, options);
        const Run run = lookup(QStringList{"--check", "-", "--json"} + options, list);
        QVERIFY2(run.status == 0 || run.status == 1, run.err.constData());
        const QList<QJsonObject> rows = checked(run.out);
        QStringList verdicts;
        for (const QJsonObject& row : rows)
            verdicts << text(row, "verdict");
        QTEST(verdicts.join(' '), "verdicts");
        QTEST(text(rows[0], "city"), "firstCity");
        // A field that is not UTF-8 is Windows-1252; every other keeps its bytes.
        QStringList names;
        for (const QJsonObject& row : rows)
            names << row[QLatin1String("fields")].toArray().last().toString();
        QCOMPARE(names.contains(QStringLiteral("Jos\u00E9")), list.contains("Jos\xE9"));
        // A UTF-8 list's CSV starts as the list did: no mark added.
        if (list.contains("Jos\xE9") && !list.contains("Ren\xE9"))
            QVERIFY(lookup({"--check", "-"}, list).out.startsWith(list.left(list.indexOf('\n'))));
    }

    // The cleaned copy, a checked list checked again, contacts without an address.
    void aCheckedListIsCleanedAndCheckedAgain() {
        // --apply: every certain correction made in the row's own fields, the
        // verdict then on what remains; nothing uncertain changed.
        const Run applied = lookup({"--check", "-", "--apply"},
                                   "Name,City,State,ZIP\nA,Holtsville,NY,501\nB,St. Louis,missouri,63101\n"
                                   "C,Allston,MA,2134-1234\nD,Boston,MA,02108-1234\nE,Springfield,IL,02134\n");
        QCOMPARE(applied.out.split('\n').mid(1, 5),
                 (QList<QByteArray>{"A,Holtsville,NY,00501,ok,,corrected: ZIP 501 lost its leading zeros: 00501",
                                    QByteArray("B,St. Louis,MO,63101,ok,,corrected: state missouri is MO; the "
                                               "data writes it Saint Louis"),
                                    "C,Allston,MA,02134-1234,ok,,corrected: ZIP+4 2134-1234 is ZIP 02134",
                                    "D,Boston,MA,02108-1234,format,02108,ZIP+4 02108-1234 is ZIP 02108",
                                    QByteArray("E,Springfield,IL,02134,mismatch,,\"02134 is Allston, MA, 971.7 mi "
                                               "from Springfield; Springfield, IL has 62701, 62702, 62703 and 32 "
                                               "more\"")}));
        // A checked list checked again: its verdict columns replaced, not three more.
        QVERIFY(lookup({"--check", "-"}, applied.out)
                    .out.startsWith("Name,City,State,ZIP,verdict,suggested_zip,note\n"
                                    "A,Holtsville,NY,00501,ok,,\n"));
        // A contact with no address at all is nothing to look at.
        const Run contacts =
            lookup({"--check", "-", "--problems"}, "Name,City,State,ZIP\nAna,,,\nBo,Boston,MA,02108\n");
        QCOMPARE(contacts.status, 0);
        QVERIFY2(contacts.out == "Name,City,State,ZIP,verdict,suggested_zip,note,line\n"
                     && contacts.err.contains("0 incomplete, 1 with no address"),
                 contacts.out + contacts.err);
    }

    void aListThatCannotBeReadIsOneLineAndStatusTwo() {
        TestFolders folders(TestFolders::WithoutDatabase);
        const auto file = [&](const char* name, const QByteArray& content) {
            folders.writeFile(QString::fromLatin1(name), content);
            return folders.filePath(QString::fromLatin1(name));
        };
        const QString fifo = folders.filePath(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const std::vector<std::pair<QStringList, QByteArray>> bad = {
            {{"--check", folders.appFolder()}, ": is a folder"},
            {{"--check", fifo}, ": not an ordinary file"},
            {{"--check", file("nul.csv", QByteArray("city,state,zip\nA\0,MA,1\n", 24))}, "nul.csv:2: a NUL byte"},
            {{"--check", file("long.csv", "city,state,zip\n" + QByteArray(1000000, 'a'))}, "long.csv:2: the line is"},
            {{"--check", file("columns.csv", "Town;Postcode\nA;1\n")},
             "columns.csv:1: no State column (found Town in column 1, Postcode in column 2)"},
            {{"--check", file("empty.csv", "")}, "empty.csv: empty file"},
            {{"--check", file("orders.csv", "Billing City,Billing State,Billing Zip,Shipping City,Shipping State,"
                                            "Shipping Zip\nA,MA,1,B,MA,2\n")},
             "2 address groups (Billing and Shipping): name one with --columns \"Billing City,Billing State,Billing "
             "Zip\" or --columns \"Shipping City,Shipping State,Shipping Zip\""},
            {{"--check", file("twice.csv", "City,State,ZIP,City\nA,MA,1,B\n")}, "columns 1 and 4"},
            {{"--check", file("same.csv", "City,State,ZIP\nA,MA,1\n"), "--columns", "City,City,ZIP"},
             "names column 1 (City) as both the City and the State column"},
            {{"--check", file("record.csv", "city,state,zip\n\"" + QByteArray(70000, 'a') + "\",MA,02108\n")},
             "record.csv:2: the record that starts on this line is longer than 64 KiB"},
            {{"--check", file("ok.csv", "a,b,c\n"), "--columns", "a,b,d"}, "the header has no column \"d\""},
            {{"--check", file("titled.csv", "Orders\n\nBilling City,Billing State,Billing Zip,Shipping City,"
                                            "Shipping State,Shipping Zip\nA,MA,1,B,MA,2\n")},
             "titled.csv:3: no City, State or ZIP columns; the list has 2 address groups (Billing and Shipping)"},
            {{"--check", file("two.csv", "Address,Home Address\nx,y\n")},
             "two.csv:1: no City, State or ZIP columns; columns 1 (Address) and 2 (Home Address) may each hold whole "
             "addresses: name the one to check with --address"},
            {{"--check", file("bare.csv", "Ana,Boston\n"), "--no-header"},
             "no header, and no ZIP code after a state in the first row: name the columns with --columns"},
            {{"--check", file("ok2.csv", "City,State,ZIP\n"), "--output", file("out.xls", "")},
             "--output: a .xls file cannot be written: name it .xlsx or .ods for a workbook, or .csv"},
            {{"--check", file("ok3.csv", "City,State,ZIP\n"), "--output", file("mine.csv", "Name,City\nAna,Boston\n")},
             "mine.csv: not replaced: a file that is not an earlier check's output"},
            {{"--columns", "1,2,3", "spring"}, "--columns goes with --check"},
            {{"--check", "-", "spring"}, "--check does not go with a PATTERN"},
            {{"--stdin", "spring"}, "give a PATTERN, --all"},
        };
        // A quote that never closes is text in a list people type: no row is swallowed.
        const Run unclosed = lookup({"--check", file("quote.csv", "city,state,zip\n\"A,MA,02108\nB,MA,02108\n")});
        QVERIFY2(unclosed.out.contains("\n\"A,MA,02108,unknown-city,") && unclosed.err.contains(": 2 rows read"),
                 unclosed.out.constData());
        for (const auto& [arguments, message] : bad) {
            const Run run = lookup(arguments, QByteArray(100000, 'x'));
            QVERIFY2(run.status == 2 && run.err.count('\n') <= 2 && run.err.contains(message), run.err.constData());
        }
        // A ragged row keeps every field, and its verdict stays under the
        // verdict's header: the fields beyond the header's follow the note.
        // A Windows-1252 list's output stays in its code page.
        const Run ragged =
            lookup({"--check", file("ragged.csv", "City,State,ZIP\nBoston,MA,02108,extra,\nCaf\xE9,MA\n")});
        QCOMPARE(ragged.status, 1);
        const QList<QByteArray> lines = ragged.out.split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("City,State,ZIP,verdict,suggested_zip,note"));
        QCOMPARE(lines[1].split(','), (QList<QByteArray>{"Boston", "MA", "02108", "ok", "", "", "extra", ""}));
        QCOMPARE(lines[2], QByteArray("Caf\xE9,MA,,incomplete,,empty: ZIP"));
        // Only the rows to look at, each with its line in the list.
        const Run problems = lookup(
            {"--check", file("problems.csv", "City,State,ZIP\n\nBoston,MA,02108\nBostn,MA,02108\n"), "--problems"});
        QVERIFY2(problems.out.startsWith("City,State,ZIP,verdict,suggested_zip,note,line\nBostn,MA,02108,unknown-city,")
                     && problems.out.endsWith(",4\n") && problems.out.count('\n') == 2,
                 problems.out.constData());
        // Rows before the trouble stand, in order.
        const Run cut = lookup({"--check", file("cut.csv", QByteArray("city,state,zip\nBoston,MA,02108\nx\0y\n", 35))});
        QCOMPARE(cut.status, 2);
        QCOMPARE(cut.out, QByteArray("city,state,zip,verdict,suggested_zip,note\nBoston,MA,02108,ok,,\n"));
    }

    // --output writes where it is told and changes nothing else there: a
    // pipe or a device is written to; a link stays a link and its file is
    // replaced, keeping its mode (and owner); a folder and the files the
    // check reads are refused and left as they were, with no file beside.
    void anOutputKeepsWhatIsThere_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("suffix");
        for (const char* target : {"pipe", "device", "link", "mode", "database", "list on standard input", "folder"})
            for (const char* suffix : {".csv", ".xlsx"})
                QTest::newRow((QByteArray(target) + suffix).constData()) << target << suffix;
    }
    void anOutputKeepsWhatIsThere() {
        QFETCH(QString, target);
        QFETCH(QString, suffix);
        TestFolders folders(TestFolders::WithoutDatabase);
        const QByteArray rows = "City,State,ZIP\nBoston,MA,02108\n";
        folders.writeFile(QStringLiteral("list.csv"), rows);
        const QString list = folders.filePath(QStringLiteral("list.csv"));
        QString output = folders.filePath("out" + suffix);
        const QByteArray name = QFile::encodeName(output);
        QStringList arguments{"--check", list};
        QString input;
        QByteArray before;
        QProcess reader;
        struct stat old {};
        const bool root = ::geteuid() == 0;
        if (target == "pipe") {
            QVERIFY(::mkfifo(name.constData(), 0600) == 0);
            reader.start(QStringLiteral("cat"), {output});
        } else if (target == "device") {
            // Root writes a null device of the test's own, never the machine's.
            if (!root && suffix == ".xlsx")
                QSKIP("no device named .xlsx without root");
            if (root)
                QVERIFY(::mknod(name.constData(), S_IFCHR | 0666, ::makedev(1, 3)) == 0);
            else
                output = QStringLiteral("/dev/null");
        } else if (target == "link" || target == "mode") {
            const QString file = target == "link" ? folders.filePath("file" + suffix) : output;
            // Empty: a file the check may replace (it replaces no one else's).
            folders.writeFile(QFileInfo(file).fileName(), "");
            QVERIFY(::chmod(QFile::encodeName(file).constData(), target == "link" ? 0640 : 0600) == 0);
            if (root)
                QVERIFY(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0);
            if (target == "link")
                QVERIFY(QFile::link(QFileInfo(file).fileName(), output));
            QVERIFY(::stat(QFile::encodeName(file).constData(), &old) == 0);
        } else if (target == "database") {
            output = folders.filePath("zips" + suffix);
            QVERIFY(QFile::copy(TestFolders::shippedDatabase(), output));
            arguments << "--database" << output;
        } else if (target == "list on standard input") {
            output = folders.filePath("list" + suffix);
            folders.writeFile(QFileInfo(output).fileName(), rows);
            arguments[1] = QStringLiteral("-");
            input = output;
        } else if (target == "folder") {
            QVERIFY(QDir().mkdir(output));
        }
        QFile readBack(output);
        if (QFileInfo(output).isFile() && readBack.open(QIODevice::ReadOnly))
            before = readBack.readAll();
        readBack.close();
        const QStringList inFolder = QDir(folders.appFolder()).entryList(QDir::AllEntries | QDir::System);
        const Run run = lookup(arguments + QStringList{"--output", output}, {}, input);
        const QByteArray start = suffix == ".csv" ? QByteArray("City,State,ZIP,verdict") : QByteArray("PK\3\4");

        struct stat now {};
        QVERIFY(::lstat(QFile::encodeName(output).constData(), &now) == 0);
        QCOMPARE(QDir(folders.appFolder()).entryList(QDir::AllEntries | QDir::System), inFolder);
        if (target == "database" || target == "list on standard input" || target == "folder") {
            QCOMPARE(run.status, 2);
            const char* why = target == "database" ? ": is the database being read: name another file"
                              : target == "folder" ? ": is a folder"
                                                   : ": is the list being checked: name another file";
            QVERIFY2(run.err == "olvaris-lookup: " + QFile::encodeName(output) + why + "\n", run.err.constData());
            if (target != "folder") {
                QVERIFY(readBack.open(QIODevice::ReadOnly));
                QCOMPARE(readBack.readAll(), before);
            }
            return;
        }
        QVERIFY2(run.status == 0, run.err.constData());
        if (target == "pipe") {
            QVERIFY(reader.waitForFinished(10000));
            QVERIFY(reader.readAllStandardOutput().startsWith(start));
            QVERIFY(S_ISFIFO(now.st_mode));
        } else if (target == "device") {
            QVERIFY(S_ISCHR(now.st_mode));
        } else {
            QCOMPARE(S_ISLNK(now.st_mode), target == "link");
            struct stat file {};
            QVERIFY(::stat(QFile::encodeName(output).constData(), &file) == 0);
            QVERIFY(file.st_ino != old.st_ino); // replaced, not written over
            QCOMPARE(file.st_mode, old.st_mode);
            QCOMPARE(file.st_uid, old.st_uid);
            QCOMPARE(file.st_gid, old.st_gid);
            QVERIFY(readBack.open(QIODevice::ReadOnly));
            QVERIFY(readBack.readAll().startsWith(start));
        }
    }

    // Many patterns in one run give each one's rows, led by the pattern; the
    // spellings of a city and "City, ST" find what the data writes.
    void manyPatternsInOneRun() {
        const QList<QByteArray> patterns = {"spring", "02134-1234", "St Louis", "Boston, MA", "%ville", "zzzz"};
        QByteArray expected;
        for (const QByteArray& pattern : patterns) {
            const QByteArray rows = lookup({QString::fromUtf8(pattern)}).out;
            for (const QByteArray& line : rows.split('\n'))
                if (!line.isEmpty())
                    expected += pattern + '\t' + line + '\n';
            // A pattern that finds nothing has a line of its own.
            if (rows.isEmpty())
                expected += pattern + "\t\t\t\n";
        }
        const Run many = lookup({"--stdin"}, patterns.join("\r\n") + "\n\n");
        QCOMPARE(many.status, 1);
        QCOMPARE(many.out, expected);
        QVERIFY(expected.endsWith("zzzz\t\t\t\n"));
        QVERIFY2(many.err.contains("6 patterns, 1 found nothing; 1 blank line passed over"), many.err.constData());
        // Every pattern found: status 0; a pattern that is not UTF-8 is named by its line.
        QCOMPARE(lookup({"--stdin"}, "spring\n02134\n").status, 0);
        const Run latin1 = lookup({"--stdin", "--json"}, "spring\nS\xE9vres\n");
        QCOMPARE(latin1.status, 1);
        QVERIFY(latin1.err.contains("standard input:2: the pattern is not UTF-8"));
        QVERIFY(latin1.out.endsWith("{\"pattern\":\"S\\ufffdvres\"}\n"));
        QVERIFY(expected.contains("St Louis\tSaint Louis\tMO\t63101\n"));
        QVERIFY(expected.contains("02134-1234\tAllston\tMA\t02134\n"));
        QVERIFY(!expected.contains("Boston, MA\tBoston\tVA") && expected.contains("Boston, MA\tBoston\tMA"));
        QCOMPARE(lookup({"--exact", "--city", "Boston"}).out.count('\n'),
                 qsizetype(std::count_if(m_table.begin(), m_table.end(),
                                         [](const ZipRow& row) { return row.city == QLatin1String("Boston"); })));
    }

    // Distances against known pairs: a degree of latitude on the mean
    // earth, and two ZIPs by a haversine over the shipped points worked here.
    void distancesAreGreatCircles() {
        const Run degree = lookup({"--distance", "0,10", "1,10", "--json"});
        QCOMPARE(degree.status, 0);
        QCOMPARE(QJsonDocument::fromJson(degree.out).object()["kilometres"].toDouble(), 111.20);
        const Run zips = lookup({"--distance", "02134", "10001"});
        QCOMPARE(zips.status, 0);
        QCOMPARE(zips.out, QByteArray("02134 Allston, MA\t10001 New York, NY\t184.99\t297.71\n"));
    }

    // A radius holds its centre and its boundary, nearest first; a place
    // that is no place is status 2, a radius with nothing in it status 1.
    void aRadiusHoldsItsCentreAndItsBoundary() {
        const Run centre = lookup({"--near", "02134", "--within", "0km"});
        QCOMPARE(centre.status, 0);
        QCOMPARE(centre.out, QByteArray("Allston\tMA\t02134\t0.00\n"));
        // 02446 Brookline: exactly at the radius, then just beyond it.
        const double a = qDegreesToRadians(42.3535), b = qDegreesToRadians(42.3431);
        const double h = std::pow(std::sin((b - a) / 2), 2)
                         + std::cos(a) * std::cos(b) * std::pow(std::sin(qDegreesToRadians(-71.123 + 71.1329) / 2), 2);
        const double km = 2 * 6371.0088 * std::asin(std::sqrt(h));
        for (const auto& [radius, within] : {std::pair{km * (1 + 1e-9), true}, std::pair{km * (1 - 1e-6), false}}) {
            const Run run = lookup({"--near", "02134", "--within", QString::number(radius, 'f', 12) + "km"});
            QCOMPARE(run.out.contains("\t02446\t"), within);
            QVERIFY(run.out.startsWith("Allston\tMA\t02134\t0.00\n"));
        }
        const Run boston = lookup({"--near", "Boston, MA", "--within", "1mi", "--json", "--limit", "2"});
        QCOMPARE(boston.out.count('\n'), 2);
        QVERIFY(boston.out.contains("\"distance_mi\":0.00,\"county\":\"Suffolk\""));

        const QList<std::pair<QStringList, QByteArray>> noPlaces = {
            {{"--near", "09002"}, "09002 Apo, AE has no known place"},
            {{"--near", "85247"}, "85247 is retired (it was Sacaton, AZ; Sacaton's ZIP code is now 85147)"},
            {{"--near", "99999"}, "99999 is not a ZIP code in the data"},
            {{"--near", "Nowhere, MA"}, "\"Nowhere, MA\" is not a town in the data"},
            {{"--near", "91,10"}, "\"91,10\" is no place"},
            {{"--distance", "02134", "0,0"}, "\"0,0\" is no place"}};
        for (const auto& [arguments, said] : noPlaces) {
            const Run run = lookup(arguments);
            QCOMPARE(run.status, 2);
            QVERIFY(run.out.isEmpty());
            QVERIFY2(run.err.contains(said), run.err.constData());
        }
        QCOMPARE(lookup({"--near", "30,-150", "--within", "5mi"}).status, 1);
        // A line too long to be a place is said and passed over; the places after it are answered.
        const Run longLine =
            lookup({"--near", "-", "--stdin", "--within", "0.1mi"}, "02134\n" + QByteArray(70000, 'x') + "\r\n02108\n");
        QCOMPARE(longLine.status, 2);
        QVERIFY(longLine.out.startsWith("02134\tAllston") && longLine.out.contains("\n02108\tBoston"));
        QVERIFY2(longLine.err == "olvaris-lookup: standard input:2: the line is longer than 64 KiB: passed over\n",
                 longLine.err.constData());
        // A name people use that is no ZIP code's: where it is, and --near takes its point.
        const Run hollywood = lookup({"Hollywood, CA"});
        QVERIFY(hollywood.status == 1
                && hollywood.err.contains("Hollywood, CA is a place, not a ZIP code's name: near 90028, 90038"));
        QVERIFY(
            lookup({"--near", "Hollywood, CA", "--within", "1mi"}).out.startsWith("Los Angeles\tCA\t90028\t0.17\n"));
        // A retired ZIP looked up is said as such.
        const Run retired = lookup({"85247"});
        QCOMPARE(retired.status, 1);
        QVERIFY(retired.err.contains("85247 is retired (it was Sacaton, AZ; Sacaton's ZIP code is now 85147)"));
        // A lookup gives the county where asked, and in JSON always.
        QCOMPARE(lookup({"02134", "--county"}).out, QByteArray("Allston\tMA\t02134\tSuffolk\n"));
        QVERIFY(lookup({"02134", "--json"})
                    .out.contains("\"zip\":\"02134\",\"county\":\"Suffolk\",\"time_zone\":\"America/New_York\"}"));

        // The time zone and the time there now, as date(1) prints it; a ZIP
        // with no zone says so, and a zone the system lacks gives no time.
        const QRegularExpression bostonNow(QStringLiteral(
            "^Allston\tMA\t02134\tAmerica/New_York\t\\w{3} \\w{3} [ \\d]\\d \\d\\d:\\d\\d:\\d\\d E[SD]T \\d{4}\n$"));
        QVERIFY(bostonNow.match(QString::fromUtf8(lookup({"--zone", "02134"}).out)).hasMatch());
        QVERIFY(lookup({"--zone", "96950"}).out.contains("Saipan\tMP\t96950\tPacific/Guam\t"));
        const Run military = lookup({"--zone", "09002"});
        QVERIFY(military.out.startsWith("Apo\tAE\t09002\t\t\n") && military.err.contains("09002: no time zone"));
        // A time asked for and not told is status 1, whether the zone file
        // is missing or something else lies at its name.
        TestFolders empty(TestFolders::WithoutDatabase);
        qputenv("TZDIR", empty.appFolder().toUtf8());
        const Run noZoneFiles = lookup({"--zone", "02134"});
        QVERIFY(QDir(empty.appFolder()).mkpath(QStringLiteral("America")));
        QFile notZoneFile(empty.appFolder() + QStringLiteral("/America/New_York"));
        QVERIFY(notZoneFile.open(QIODevice::WriteOnly) && notZoneFile.write("not a zone\n") > 0);
        notZoneFile.close();
        const Run notZone = lookup({"--near", "02134", "--within", "0.1mi", "--zone"});
        qunsetenv("TZDIR");
        QVERIFY(noZoneFiles.status == 1 && noZoneFiles.out.endsWith("America/New_York\t\n")
                && noZoneFiles.err.contains("America/New_York: not in this system's time-zone database"));
        QVERIFY2(notZone.status == 1 && notZone.out.endsWith("America/New_York\t\n")
                     && notZone.err.contains("America/New_York is not a zone file"),
                 notZone.err.constData());
        QVERIFY(lookup({"--near", "02134", "--within", "1mi", "--zone", "--limit", "1"})
                    .out.startsWith("Allston\tMA\t02134\t0.00\tAmerica/New_York\t"));
    }

    // The lookups and the place commands alike: rows that cannot be
    // written are status 2, said once; a line of standard input too long to
    // be a pattern or a place is said by its line and passed over.
    void troubleWithRowsIsSaidWhereItIs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("full");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        const QByteArray tooLong = "02108\n" + QByteArray(70000, 'x') + "\n02134\n";
        const QByteArray cannotWrite = "olvaris-lookup: standard output: the rows could not be written\n";
        QTest::newRow("lookup, full disk") << QStringList{"spring"} << QByteArray() << true << 2 << cannotWrite;
        QTest::newRow("near, full disk") << QStringList{"--near", "02134"} << QByteArray() << true << 2 << cannotWrite;
        QTest::newRow("distance, full disk")
            << QStringList{"--distance", "02134", "10001"} << QByteArray() << true << 2 << cannotWrite;
        QTest::newRow("patterns, a line too long")
            << QStringList{"--stdin"} << tooLong << false << 1
            << QByteArray("olvaris-lookup: standard input:2: the line is longer than 64 KiB: passed over\n"
                          "olvaris-lookup: standard input: 3 patterns, 1 found nothing\n");
        QTest::newRow("places, a line too long")
            << QStringList{"--near", "-", "--stdin", "--within", "0.1mi"} << tooLong << false << 2
            << QByteArray("olvaris-lookup: standard input:2: the line is longer than 64 KiB: passed over\n");
    }
    void troubleWithRowsIsSaidWhereItIs() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(bool, full);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QProcess process;
        if (full)
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(LOOKUP_PROGRAM), arguments);
        process.write(input);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(120000));
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(err, said);
        QCOMPARE(process.exitCode(), status);
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

        // A field no place name comes near (the engine would sort rows of it
        // in steps no progress call interrupts) is refused at its row; one
        // of 60 KB is still read.
        const QString wide = folders.filePath(QStringLiteral("wide.mdb"));
        runSql(wide, "CREATE TABLE zip_codes (city TEXT, state TEXT, zip TEXT);"
                     "INSERT INTO zip_codes VALUES (printf('%.60000c', 'a'), 'ST', '00001');"
                     "INSERT INTO zip_codes VALUES (printf('%.70000c', 'b'), 'ST', '00002');");
        const Run wideRun = lookup({"--database", wide, "--zip", "0000"});
        QCOMPARE(wideRun.status, 2);
        QVERIFY2(wideRun.err.contains("string or blob too big"), wideRun.err.constData());
        QCOMPARE(lookup({"--database", wide, "--zip", "00001"}).out.size(),
                 60000 + 10); // the city, a tab, ST, a tab, the ZIP, a line end

        // A list's check: 0 where no row has anything to mend (a name people
        // use and a contact with no address among them), 1 where one has.
        const QByteArray fine = "Name,City,State,ZIP\nA,Boston,MA,02108\nB,Hollywood,CA,90028\nC,,,\n";
        QCOMPARE(lookup({"--check", "-"}, fine).status, 0);
        const Run problem = lookup({"--check", "-", "--json"}, fine + "D,Boston,NH,02108\n");
        QCOMPARE(problem.status, 1);
        const QList<QJsonObject> rows = checked(problem.out);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(text(rows[1], "verdict"), QStringLiteral("local-name"));
        QCOMPARE(text(rows[3], "verdict"), QStringLiteral("mismatch"));
        QVERIFY(text(rows[3], "note").contains(QStringLiteral("02108 is Boston, MA")));
        QVERIFY(lookup({"spring", "--all"}).err.contains("--all and a PATTERN do not go together"));
        // A negative coordinate is a value, not options; "--" ends the options.
        QVERIFY(lookup({"--distance", "90,0", "-90,0"}).out.startsWith("90,0\t-90,0\t12436.82\t"));
        QCOMPARE(lookup({"--near", "30,-150", "--within=5mi"}).status, 1);
        QCOMPARE(lookup({"--", "-x"}).status, 1);
        // What a file's name or a list holds never reaches the terminal as
        // control characters.
        const Run escaped = lookup({"--check", QStringLiteral("a\x1b[2Jb\x85.csv")});
        QVERIFY2(escaped.err.contains("a\\x1b[2Jb\\xc2\\x85.csv: ") && !escaped.err.contains('\x1b'),
                 escaped.err.constData());
        const Run help = lookup({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("--city <TEXT>"));
        // Every option the help offers works.
        QVERIFY(!help.out.contains("--help-all"));
        const Run version = lookup({"--version"});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith("olvaris-lookup " OLVARIS_VERSION "\n"));
        // The data's licence asks for its attribution.
        QVERIFY(version.out.contains("Contains GeoNames postal-code data, CC BY 4.0"));
    }
};

QTEST_GUILESS_MAIN(LookupTest)
#include "test_lookup.moc"
