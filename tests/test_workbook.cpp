// Workbooks as address lists, from the outside: olvaris-lookup checking
// sheets as spreadsheets save them (made here part by part, and by
// LibreOffice Calc in tests/data), the workbook it writes back read again,
// and workbooks that must be refused.
#include "support/FailingAllocations.h"
#include "support/Files.h"
#include "support/ZipParts.h"
#include "OpenSheet.h"
#include "ReadError.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <tuple>
#include <zip.h>

using olvaris::test::Parts;
using olvaris::test::readFile;
using olvaris::test::writeZip;

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

const char* const Main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// An .xlsx laid out as Excel lays it out: one sheet of the given rows, with
// styles (cellXfs 0 General, 1 "00000", 2 "00000-0000", 3 a date) and the
// shared strings given.
Parts xlsx(const std::string& rows, const std::string& strings = {}) {
    const std::string relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\""
                            + relations
                            + "/officeDocument\" "
                              "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", std::string("<workbook xmlns=\"") + Main + "\" xmlns:r=\"" + relations
                                + "\"><sheets>"
                                  "<sheet name=\"List\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\""
             + relations
             + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
               "<Relationship Id=\"rId2\" Type=\""
             + relations
             + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
               "<Relationship Id=\"rId3\" Type=\""
             + relations + "/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/styles.xml", std::string("<styleSheet xmlns=\"") + Main
                              + "\"><numFmts count=\"2\">"
                                "<numFmt numFmtId=\"164\" formatCode=\"00000\"/>"
                                "<numFmt numFmtId=\"165\" formatCode=\"00000\\-0000\"/></numFmts><cellXfs count=\"4\">"
                                "<xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"14\"/>"
                                "</cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", std::string("<sst xmlns=\"") + Main + "\">" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + Main
                                         + "\"><sheetData>" + rows + "</sheetData></worksheet>"},
    };
}

// An .ods of one sheet, "List", of the given rows; a row or a cell of text
// repeated as often as asked.
Parts ods(const std::string& rows) {
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
            {"content.xml", R"(<office:document-content xmlns:office="o" xmlns:table="t" xmlns:text="x">)"
                            R"(<office:body><office:spreadsheet><table:table table:name="List">)"
                                + rows
                                + "</table:table></office:spreadsheet></office:body></office:document-content>"}};
}
std::string odsRow(const std::string& cells, long repeats = 1) {
    return R"(<table:table-row table:number-rows-repeated=")" + std::to_string(repeats) + "\">" + cells
           + "</table:table-row>";
}
std::string odsCell(const std::string& text, long repeats = 1) {
    return R"(<table:table-cell office:value-type="string" table:number-columns-repeated=")" + std::to_string(repeats)
           + "\"><text:p>" + text + "</text:p></table:table-cell>";
}
const std::string OdsHeader = odsRow(odsCell("City") + odsCell("State") + odsCell("ZIP"));
const std::string OdsBoston = odsCell("Boston") + odsCell("MA") + odsCell("02108");

// A header row and one row whose ZIP cell (D2) is as given.
std::string oneRow(const std::string& city, const std::string& zipCell) {
    return "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>City</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><t>State"
           "</t></is></c><c r=\"D1\" t=\"inlineStr\"><is><t>ZIP</t></is></c></row><row r=\"2\"><c r=\"A2\" "
           "t=\"inlineStr\"><is><t>"
           + city + "</t></is></c><c r=\"B2\" t=\"inlineStr\"><is><t>MA</t></is></c>" + zipCell + "</row>";
}

// Sets a field of the part's local and central headers alike: at the
// offsets given in each, little-endian.
void setHeaderField(const QString& path, const QByteArray& part, int local, int central, const QByteArray& value) {
    QByteArray bytes = readFile(path);
    for (int at = bytes.indexOf(part); at >= 0; at = bytes.indexOf(part, at + 1)) {
        for (const auto& [signature, header, field] :
             {std::tuple{"PK\x03\x04", 30, local}, std::tuple{"PK\x01\x02", 46, central}})
            if (at >= header && bytes.mid(at - header, 4) == signature)
                bytes.replace(at - header + field, value.size(), value);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Says the part expands to a few bytes, whatever it really holds.
void understate(const QString& path, const QByteArray& part) {
    setHeaderField(path, part, 22, 24, QByteArray("\x0A\0\0\0", 4));
}

// Changes one byte of what the archive stores of the part: in `text`
// where given (a stored part's own text), else in the middle.
void changeStoredByte(const QString& path, const QByteArray& part, const QByteArray& text = {}) {
    QByteArray bytes = readFile(path);
    int name = bytes.indexOf(part);
    while (name >= 0 && (name < 30 || bytes.mid(name - 30, 4) != "PK\x03\x04"))
        name = bytes.indexOf(part, name + 1);
    QVERIFY(name >= 0);
    const auto field = [&](int at) {
        return int(uchar(bytes[name - 30 + at])) | int(uchar(bytes[name - 29 + at])) << 8;
    };
    const int begin = name + int(part.size()) + field(28), size = field(18);
    const int at = text.isEmpty() ? begin + size / 2 : int(bytes.indexOf(text, begin));
    QVERIFY(at >= begin && at < begin + size);
    bytes[at] = char(bytes[at] ^ 0x01);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
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

    // The list's sheet is named after the list, as far as a spreadsheet
    // takes the name; whatever the list's name, the workbook is written and
    // read back with both its sheets.
    void everyListNameGivesASheetName_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("plain") << "customers"
                               << "customers";
        QTest::newRow("the summary's name") << "summary"
                                            << "Checked";
        QTest::newRow("the summary's name in capitals") << "SUMMARY"
                                                        << "Checked";
        QTest::newRow("a name Excel keeps") << "history"
                                            << "Checked";
        QTest::newRow("apostrophes at the ends") << "'q1'"
                                                 << "q1";
        QTest::newRow("only apostrophes") << "'''"
                                          << "Checked";
        QTest::newRow("characters a sheet name cannot hold") << "a[b]c:d*e?f\\g\th"
                                                             << "abcdefgh";
        QTest::newRow("long, cut between characters") << QString(40, QChar(0xE9)) << QString(31, QChar(0xE9));
        QTest::newRow("a character of two UTF-16 units at the cut")
            << QString(30, 'a') + QString::fromUtf8("\xF0\x9F\x98\x80") << QString(30, 'a');
        QTest::newRow("an apostrophe at the cut") << QString(30, 'a') + "'b" << QString(30, 'a');
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

    // Memory running out, on the thread that inflates a part ahead or on
    // the reader's, is a workbook refused like any other, not an end.
    void memoryRunningOutIsARefusal_data() {
        QTest::addColumn<bool>("inflating");
        QTest::addColumn<bool>("opened");
        QTest::newRow("inflating, as the workbook is opened") << true << false;
        QTest::newRow("inflating, as the rows are read") << true << true;
        QTest::newRow("reading, as the workbook is opened") << false << false;
    }
    void memoryRunningOutIsARefusal() {
        QFETCH(bool, inflating);
        QFETCH(bool, opened);
        QTemporaryDir dir;
        const QString book = dir.filePath("big.xlsx");
        // Rows enough (8 MiB) for the sheet's part to be inflated piece after
        // piece as they are read, more than the pieces read ahead.
        std::string rows = oneRow("Boston", R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)");
        for (int row = 3; row < 150000; ++row)
            rows += "<row r=\"" + std::to_string(row) + "\"><c t=\"inlineStr\"><is><t>Boston</t></is></c></row>";
        writeZip(book, xlsx(rows, "<si><t>02108</t></si>"));
        using Failing = olvaris::test::FailingAllocations;
        const Failing::Where where = inflating ? Failing::Where::OtherThreads : Failing::Where::ThisThread;
        std::unique_ptr<olvaris::workbook::Sheet> sheet;
        std::optional<Failing> failing;
        try {
            if (!opened)
                failing.emplace(where);
            sheet = olvaris::workbook::openSheet(book.toStdString(), olvaris::workbook::FileKind::Zip, std::nullopt);
            failing.emplace(where);
            while (sheet->next()) {
            }
            failing.reset();
            QFAIL("read whole without memory");
        } catch (const olvaris::ziplist::ReadError& error) {
            failing.reset();
            QCOMPARE(QString(error.what()), QStringLiteral("out of memory reading the workbook"));
            QCOMPARE(sheet != nullptr, opened);
        }
    }

    // The workbook's main part is where the package's relationships say,
    // by a name relative to the package or from its root.
    void theMainPartIsWhereThePackageSays_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("relative") << "xl/book.xml";
        QTest::newRow("from the root") << "/xl/book.xml";
    }
    void theMainPartIsWhereThePackageSays() {
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("list.xlsx"));
        Parts parts = xlsx(oneRow("Boston", R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)"));
        for (auto& [name, text] : parts) {
            if (name == "_rels/.rels")
                text.replace(text.find("xl/workbook.xml"), 15, target.toStdString());
            else if (name == "xl/workbook.xml" || name == "xl/_rels/workbook.xml.rels")
                name.replace(name.find("workbook"), 8, "book");
        }
        writeZip(book, parts);
        const Run run = lookup({"--check", book, "--json"});
        QVERIFY2(run.status == 0, run.err.constData());
        QCOMPARE(::verdicts(run.out), QStringList{"ok"});
    }

    // Each refused with its reason, status 2, and no output file begun.
    void badWorkbooksAreRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut short") << "truncated"
                                   << "the workbook is damaged";
        QTest::newRow("zip bomb") << "bomb"
                                  << "refused as a zip bomb";
        QTest::newRow("cell longer than a cell holds") << "longcell"
                                                       << "the cell A2 holds more than 32767 characters";
        QTest::newRow("cell long in UTF-16 units") << "widecell"
                                                   << "the cell A2 holds more than 32767 characters";
        QTest::newRow("shared string too long") << "longstring"
                                                << "shared string 2 holds more than 32767 characters";
        QTest::newRow("shared strings no cell can name") << "manystrings"
                                                         << "more shared strings than the workbook's sheets have cells";
        QTest::newRow("row past the last") << "farrow"
                                           << "a row past 1048576";
        QTest::newRow("part larger than it says") << "understated"
                                                  << "expands past the size the archive gives it";
        QTest::newRow("byte changed in a stored part") << "changedstored"
                                                       << "the workbook is damaged: xl/worksheets/sheet1.xml does not "
                                                          "match its checksum";
        QTest::newRow("checksum not the deflated part's") << "checksum"
                                                          << "the workbook is damaged: xl/worksheets/sheet1.xml does "
                                                             "not match its checksum";
        QTest::newRow("deflated part's bytes cut short") << "cut"
                                                         << "the workbook is damaged: xl/worksheets/sheet1.xml is cut "
                                                            "short";
        QTest::newRow("byte changed in a deflated part") << "changeddeflated"
                                                         << "the workbook is damaged: xl/worksheets/sheet1.xml";
        QTest::newRow("compression method") << "method"
                                            << "xl/worksheets/sheet1.xml is compressed with a method this program "
                                               "does not read (method 19)";
        QTest::newRow("ods rows repeated past the last") << "odsrows"
                                                         << ".xlsx:1048577: data past row 1048576";
        QTest::newRow("ods cells repeated past the last") << "odscolumns"
                                                          << ".xlsx:2: data past column XFD";
        QTest::newRow("ods full sheet of repeats") << "odsfull"
                                                   << "the sheet gives more than 2 GiB of text";
        QTest::newRow("ods spaces past a cell's length") << "odsspaces"
                                                         << "the cell A2 holds more than 32767 characters";
        QTest::newRow("entities") << "doctype"
                                  << "declares a document type";
        QTest::newRow("nesting") << "deep"
                                 << "nested more than 64 deep";
        QTest::newRow("tags crossed") << "crossed"
                                      << "</row> closes <c>";
        QTest::newRow("encrypted") << "encrypted"
                                   << "is encrypted: save a copy without a password";
        QTest::newRow("xlsb") << "xlsb"
                              << "binary workbook (.xlsb): save it as .xlsx or CSV";
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
        const std::string header = oneRow("Boston", R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)");
        QStringList extra;
        if (kind == "truncated") {
            const QByteArray whole = readFile(Data + "customers.xlsx");
            QFile file(book);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(whole.left(whole.size() / 2));
        } else if (kind == "bomb") {
            Parts parts = xlsx(header);
            parts.back().second = std::string(size_t(80) * 1024 * 1024, ' ') + parts.back().second;
            writeZip(book, parts);
        } else if (kind == "longcell" || kind == "widecell") {
            std::string text(32768, 'a');
            if (kind == "widecell") // 16,384 characters, each two UTF-16 units
                for (text.clear(); text.size() < 4 * size_t(16384);)
                    text += "\xF0\x9F\x98\x80";
            writeZip(book, xlsx(oneRow(text, R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)")));
        } else if (kind == "longstring") {
            writeZip(book, xlsx(header, "<si><t>Boston</t></si><si><t>" + std::string(32768, 'b') + "</t></si>"));
        } else if (kind == "manystrings") {
            std::string strings;
            for (int i = 0; i < 70000; ++i)
                strings += "<si/>";
            writeZip(book, xlsx(header, strings));
        } else if (kind == "farrow") {
            writeZip(book, xlsx(header + R"(<row r="1048577"><c r="A1048577"><v>1</v></c></row>)"));
        } else if (kind == "understated") {
            writeZip(book, xlsx(header));
            understate(book, "xl/worksheets/sheet1.xml");
        } else if (kind == "changedstored") {
            // The city read as "Coston" were the checksum not checked.
            writeZip(book, xlsx(header), ZIP_CM_STORE);
            changeStoredByte(book, "xl/worksheets/sheet1.xml", "Boston");
        } else if (kind == "checksum") {
            writeZip(book, xlsx(header));
            setHeaderField(book, "xl/worksheets/sheet1.xml", 14, 16, QByteArray("\x01\x02\x03\x04", 4));
        } else if (kind == "cut") {
            // The archive says the part is stored in ten bytes, fewer than
            // its deflate stream takes.
            writeZip(book, xlsx(header));
            setHeaderField(book, "xl/worksheets/sheet1.xml", 18, 20, QByteArray("\x0A\0\0\0", 4));
        } else if (kind == "changeddeflated") {
            writeZip(book, xlsx(header));
            changeStoredByte(book, "xl/worksheets/sheet1.xml");
        } else if (kind == "method") {
            writeZip(book, xlsx(header));
            setHeaderField(book, "xl/worksheets/sheet1.xml", 8, 10, QByteArray("\x13\0", 2));
        } else if (kind == "odsrows") {
            writeZip(book, ods(OdsHeader + odsRow(OdsBoston, 1000) + odsRow(OdsBoston, 1048576)));
        } else if (kind == "odscolumns") {
            writeZip(book, ods(OdsHeader + odsRow(OdsBoston + "<table:table-cell/>" + odsCell("x", 16381))));
        } else if (kind == "odsfull") {
            writeZip(book, ods(OdsHeader + odsRow(OdsBoston + odsCell("x", 16381), 1048575)));
        } else if (kind == "odsspaces") {
            std::string spaces;
            for (int i = 0; i < 33; ++i)
                spaces += R"(<text:s text:c="1000"/>)";
            writeZip(book, ods(OdsHeader + odsRow(odsCell(spaces) + odsCell("MA") + odsCell("02108"))));
        } else if (kind == "doctype") {
            Parts parts = xlsx(header);
            parts.back().second =
                "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" + parts.back().second;
            writeZip(book, parts);
        } else if (kind == "deep") {
            std::string nest;
            for (int i = 0; i < 100; ++i)
                nest.insert(0, "<x>").append("</x>");
            writeZip(book, xlsx(header + nest));
        } else if (kind == "crossed") {
            writeZip(book, xlsx(R"(<row r="1"><c r="A1"><v>1</v></row></c>)"));
        } else if (kind == "encrypted") {
            // A compound file as Office writes for a password: the package
            // is a stream named EncryptedPackage.
            QByteArray bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
            bytes += QByteArray(504, '\0');
            for (const char c : QByteArray("EncryptedPackage"))
                bytes += QByteArray(1, c) + QByteArray(1, '\0');
            QFile file(book);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes + QByteArray(4096, '\0'));
        } else if (kind == "xlsb") {
            writeZip(book, {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "binary"}});
        } else if (kind == "empty") {
            writeZip(book, xlsx(""));
        } else if (kind == "noheader") {
            writeZip(book, xlsx(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Name</t></is></c></row>)"));
        } else if (kind == "tips") {
            // A page of tips before the list, as accounting exports lead.
            Parts parts = xlsx(header);
            const std::string relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
            for (auto& [part, text] : parts) {
                if (part == "xl/workbook.xml")
                    text.insert(text.find("<sheet "), "<sheet name=\"Tips\" sheetId=\"2\" r:id=\"rId4\"/>");
                else if (part == "xl/_rels/workbook.xml.rels")
                    text.insert(text.find("</Relationships>"), "<Relationship Id=\"rId4\" Type=\"" + relations
                                                                   + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>");
            }
            parts.push_back({"xl/worksheets/sheet2.xml", std::string("<worksheet xmlns=\"") + Main
                                                             + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\">"
                                                               "<is><t>Filter by type</t></is></c></row></sheetData>"
                                                               "</worksheet>"});
            writeZip(book, parts);
        } else if (kind == "sheet") {
            writeZip(book, xlsx(header));
            extra = QStringList{"--sheet", "Nine"};
        }
        const Run run = lookup(QStringList{"--check", book, "--output", out} + extra);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(WorkbookTest)
#include "test_workbook.moc"
