// Workbooks as address lists, from the outside: olvaris-lookup checking
// sheets as spreadsheets save them (made here part by part, and by
// LibreOffice Calc in tests/data), the workbook it writes back read again,
// and workbooks it refuses leaving nothing behind. How the workbook library
// reads and refuses them is test_workbook_reading's.
#include "support/Files.h"
#include "support/WorkbookParts.h"
#include "OpenSheet.h"
#include "ReadError.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace olvaris::test;

namespace {

const QString Data = QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data/");

struct Run {
    int status = -1;
    QByteArray out, err;
};

Run lookup(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(LOOKUP_PROGRAM), QStringList{"--database", OLVARIS_SHIPPED_DATABASE} + arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QStringList verdicts(const QByteArray& jsonLines) {
    QStringList found;
    for (const QByteArray& line : jsonLines.trimmed().split('\n'))
        found << QJsonDocument::fromJson(line).object().value("verdict").toString();
    return found;
}

} // namespace

class WorkbookTest : public QObject {
    Q_OBJECT

private slots:
    // What the sheet stores in the ZIP cell decides the verdict, and what
    // it shows decides the note.
    void zipCellsAreReadAsTheSheetHoldsThem_data() {
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("strings");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("note");
        QTest::newRow("shared string") << "Boston"
                                       << R"(<c r="D2" t="s"><v>0</v></c>)"
                                       << "<si><t>02108</t></si>"
                                       << "ok"
                                       << ""
                                       << "";
        QTest::newRow("shared rich text, phonetic run left out")
            << "Boston"
            << R"(<c r="D2" t="s"><v>0</v></c>)"
            << "<si><r><t>021</t></r><r><t>08</t></r><rPh><t>x</t></rPh></si>"
            << "ok"
            << ""
            << "";
        QTest::newRow("number, zeros lost") << "Boston"
                                            << R"(<c r="D2"><v>2108</v></c>)"
                                            << ""
                                            << "format"
                                            << "02108"
                                            << "lost its leading zeros";
        QTest::newRow("number shown as 00000") << "Boston"
                                               << R"(<c r="D2" s="1"><v>2108</v></c>)"
                                               << ""
                                               << "format"
                                               << "02108"
                                               << "the sheet shows 02108 but stores the number 2108";
        QTest::newRow("ZIP+4 as a number shown as 00000-0000") << "Boston"
                                                               << R"(<c r="D2" s="2"><v>21081234</v></c>)"
                                                               << ""
                                                               << "format"
                                                               << "02108"
                                                               << "shows 02108-1234";
        QTest::newRow("formula by its cached value") << "Boston"
                                                     << R"(<c r="D2" t="str"><f>TEXT(2108,"00000")</f><v>02108</v></c>)"
                                                     << ""
                                                     << "ok"
                                                     << ""
                                                     << "";
        QTest::newRow("error") << "Boston"
                               << R"(<c r="D2" t="e"><f>NA()</f><v>#N/A</v></c>)"
                               << ""
                               << "incomplete"
                               << ""
                               << "the ZIP cell holds the error #N/A";
        QTest::newRow("date") << "Boston"
                              << R"(<c r="D2" s="3"><v>44240</v></c>)"
                              << ""
                              << "incomplete"
                              << ""
                              << "holds a date (2021-02-13)";
        QTest::newRow("boolean") << "Boston"
                                 << R"(<c r="D2" t="b"><v>1</v></c>)"
                                 << ""
                                 << "unknown-zip"
                                 << ""
                                 << "";
        QTest::newRow("escaped text") << "Boston &amp; Co"
                                      << R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)"
                                      << ""
                                      << "unknown-city"
                                      << ""
                                      << "";
    }
    void zipCellsAreReadAsTheSheetHoldsThem() {
        QFETCH(QString, city);
        QFETCH(QString, cell);
        QFETCH(QString, strings);
        QFETCH(QString, verdict);
        QFETCH(QString, suggested);
        QFETCH(QString, note);
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("list.bin")); // told by content, not by name
        writeZip(book, xlsx(oneRow(city.toStdString(), cell.toStdString()), strings.toStdString()));
        const Run run = lookup({"--check", book, "--json"});
        QVERIFY2(run.status == 0 || run.status == 1, run.err.constData());
        const QJsonObject row = QJsonDocument::fromJson(run.out.trimmed()).object();
        QCOMPARE(row.value("verdict").toString(), verdict);
        QCOMPARE(row.value("suggested_zip").toString(), suggested);
        QVERIFY2(row.value("note").toString().contains(note), qPrintable(row.value("note").toString()));
        QCOMPARE(row.value("line").toInt(), 2);
    }

    // Saved by LibreOffice Calc from one sheet: a title above the header, a
    // hidden column and row, ZIPs as text, numbers, a ZIP format, a formula,
    // an error and a date. The .xls reader gets no formula's value.
    void workbooksSavedByCalcCheckAlike_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("verdicts");
        const QString all = "ok format format format incomplete incomplete ok mismatch ok";
        QTest::newRow("xlsx") << "customers.xlsx" << all;
        QTest::newRow("ods") << "customers.ods" << all;
        QTest::newRow("xls") << "customers.xls"
                             << "ok format format format incomplete incomplete incomplete mismatch ok";
    }
    void workbooksSavedByCalcCheckAlike() {
        QFETCH(QString, file);
        QFETCH(QString, verdicts);
        const Run run = lookup({"--check", Data + file, "--json"});
        QCOMPARE(run.status, 1);
        QCOMPARE(::verdicts(run.out).join(' '), verdicts);
        QVERIFY(run.err.contains("9 rows read"));
    }

    // The verdicts go back into a workbook: the sheet's cells as they were,
    // the three columns after them, a sheet of counts; the list untouched,
    // and never written over.
    void theCheckedWorkbookKeepsTheSheet_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << "checked.xlsx";
        QTest::newRow("ods") << "checked.ods";
    }
    void theCheckedWorkbookKeepsTheSheet() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString list = Data + QStringLiteral("customers.xlsx"), out = dir.filePath(name);
        const QByteArray before = readFile(list);
        const Run run = lookup({"--check", list, "--output", out});
        QCOMPARE(run.status, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(readFile(list), before);

        const auto sheet =
            olvaris::workbook::openSheet(out.toStdString(), olvaris::workbook::FileKind::Zip, std::nullopt);
        QVERIFY(sheet->next());
        QCOMPARE(sheet->fields().front(), std::string("Customer list, December 2026"));
        QVERIFY(sheet->next());
        QCOMPARE(sheet->fields().size(), size_t(9));
        QCOMPARE(sheet->fields()[6], std::string("verdict"));
        QVERIFY(sheet->columnHidden(5));
        QVERIFY(sheet->next());
        QCOMPARE(sheet->cells()[3].kind, olvaris::workbook::Cell::Kind::Text); // "02108" stays text
        QCOMPARE(sheet->cells()[3].text, std::string("02108"));
        QVERIFY(sheet->next());
        QVERIFY(sheet->next());
        QCOMPARE(sheet->cells()[3].kind, olvaris::workbook::Cell::Kind::Number);
        QCOMPARE(sheet->cells()[3].shown, std::string("02108")); // still shown with its zero
        QCOMPARE(sheet->fields()[7], std::string("02108"));
        long hidden = 0, rows = 0;
        while (sheet->next()) {
            ++rows;
            hidden += sheet->rowHidden() ? 1 : 0;
            // The #N/A cell is an error still, the date a date.
            if (rows == 2 || rows == 3)
                QCOMPARE(sheet->cells()[3].kind,
                         rows == 2 ? olvaris::workbook::Cell::Kind::Error : olvaris::workbook::Cell::Kind::Date);
        }
        QCOMPARE(rows, 6L);
        QCOMPARE(hidden, 1L);

        const auto summary =
            olvaris::workbook::openSheet(out.toStdString(), olvaris::workbook::FileKind::Zip, "Summary");
        std::vector<std::string> counts;
        while (summary->next())
            if (summary->fields().size() == 2)
                counts.push_back(summary->fields()[0] + "=" + summary->fields()[1]);
        QCOMPARE(counts, (std::vector<std::string>{"verdict=rows", "ok=3", "format=3", "local-name=0", "mismatch=1",
                                                   "unknown-city=0", "unknown-zip=0", "retired-zip=0", "incomplete=2",
                                                   "no-address=0", "all rows=9"}));

        // --apply makes the certain corrections in the cells themselves: the
        // ZIP a cell keeps as a number becomes its text with the zero.
        const QString applied = dir.filePath("applied" + name.mid(name.lastIndexOf('.')));
        QCOMPARE(lookup({"--check", list, "--apply", "--output", applied}).status, 1);
        const auto fixed =
            olvaris::workbook::openSheet(applied.toStdString(), olvaris::workbook::FileKind::Zip, std::nullopt);
        for (int row = 0; row < 5; ++row)
            QVERIFY(fixed->next());
        QCOMPARE(fixed->cells()[3].kind, olvaris::workbook::Cell::Kind::Text);
        QCOMPARE(fixed->cells()[3].text, std::string("02108"));
        QCOMPARE(fixed->fields()[6], std::string("ok"));

        // Written again over its own earlier output; never over a file of
        // the user's (the list itself, under another name).
        QCOMPARE(lookup({"--check", list, "--output", out}).status, 1);
        const QString foreign = dir.filePath("foreign" + name.mid(name.indexOf('.')));
        QVERIFY(QFile::copy(Data + (name.endsWith(".ods") ? "customers.ods" : "customers.xlsx"), foreign));
        const Run over = lookup({"--check", list, "--output", foreign});
        QCOMPARE(over.status, 2);
        QVERIFY2(over.err.contains("not replaced: a workbook that is not an earlier check's output"),
                 over.err.constData());

        // The list as the output, by another name: refused, nothing written.
        const QString linked = dir.filePath("same.xlsx");
        QVERIFY(QFile::link(list, linked));
        const Run same = lookup({"--check", list, "--output", linked});
        QCOMPARE(same.status, 2);
        QVERIFY(same.err.contains("is the list being checked"));
        QCOMPARE(readFile(list), before);
    }

    // The list's sheet is named after the list (the workbook library's test
    // has how a name is made one); whatever the list's name, the workbook is
    // written and read back with both its sheets.
    void everyListNameGivesASheetName_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("plain") << "customers"
                               << "customers";
        QTest::newRow("the summary's name in capitals") << "SUMMARY"
                                                        << "Checked";
        QTest::newRow("long, cut between characters") << QString(40, QChar(0xE9)) << QString(31, QChar(0xE9));
    }
    void everyListNameGivesASheetName() {
        QFETCH(QString, list);
        QFETCH(QString, sheet);
        QTemporaryDir dir;
        const QString file = dir.filePath(list + ".csv"), out = dir.filePath("checked.xlsx");
        QFile written(file);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write("City,State,ZIP\nBoston,MA,02108\n");
        written.close();
        const Run run = lookup({"--check", file, "--output", out});
        QVERIFY2(run.status == 0, run.err.constData());
        const auto first =
            olvaris::workbook::openSheet(out.toStdString(), olvaris::workbook::FileKind::Zip, std::nullopt);
        QCOMPARE(QString::fromStdString(first->name()), sheet);
        QVERIFY(olvaris::workbook::openSheet(out.toStdString(), olvaris::workbook::FileKind::Zip, "Summary")->next());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    // A list the writer refuses (more columns than a sheet has) is an
    // error, status 2, and no file is left.
    void aListTheWriterRefusesLeavesNothing() {
        QTemporaryDir dir;
        const QString file = dir.filePath("wide.csv"), out = dir.filePath("checked.xlsx");
        QFile written(file);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write("City,State,ZIP" + QByteArray(16400, ',') + "\nBoston,MA,02108\n");
        written.close();
        const Run run = lookup({"--check", file, "--output", out});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(("olvaris-lookup: " + out + ": the columns could not be set").toUtf8()),
                 run.err.constData());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"wide.csv"});
    }

    // libxlsxwriter does not notice its own writes failing: a workbook cut
    // short by the file-size limit must not be put in place as if whole.
    void aWorkbookCutShortIsNotKept() {
        QTemporaryDir dir;
        const QString list = dir.filePath("list.csv"), out = dir.filePath("checked.xlsx");
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("City,State,ZIP\n");
        for (int i = 0; i < 20000; ++i)
            file.write("Boston,MA,02108\n");
        file.close();
        QProcess shell;
        shell.start("/bin/sh", {"-c", "ulimit -f 100; exec \"$0\" \"$@\"", LOOKUP_PROGRAM, "--database",
                                OLVARIS_SHIPPED_DATABASE, "--check", list, "--output", out});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 2);
        QVERIFY(shell.readAllStandardError().contains("could not be written whole"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.csv"});
    }

    // Each refused with its reason, status 2, and no output file begun.
    void badWorkbooksAreRefused_data() {
        // The reader's refusals are the workbook library's test's; here a
        // few, at opening and in the rows, and those of the check itself.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut short") << "truncated"
                                   << "the workbook is damaged";
        QTest::newRow("row past the last") << "farrow"
                                           << "a row past 1048576";
        QTest::newRow("encrypted") << "encrypted"
                                   << "is encrypted: save a copy without a password";
        QTest::newRow("empty sheet") << "empty"
                                     << "the sheet \"List\" is empty";
        QTest::newRow("no header") << "noheader"
                                   << "no City, State or ZIP columns";
        QTest::newRow("first sheet not the list") << "tips"
                                                  << "the sheet \"Tips\", the first shown: no City, State or ZIP "
                                                     "columns; the workbook has 2 sheets, \"Tips\", \"List\": name "
                                                     "the list's with --sheet";
        QTest::newRow("unknown sheet") << "sheet"
                                       << "no sheet \"Nine\": the workbook has 1 sheet, \"List\"";
    }
    void badWorkbooksAreRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString book = dir.filePath("bad.xlsx"), out = dir.filePath("out.xlsx");
        writeBadWorkbook(book, kind);
        const QStringList extra = kind == "sheet" ? QStringList{"--sheet", "Nine"} : QStringList();
        const Run run = lookup(QStringList{"--check", book, "--output", out} + extra);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(WorkbookTest)
#include "test_workbook.moc"
