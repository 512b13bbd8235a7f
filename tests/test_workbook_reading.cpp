// The workbook library on its own: the cells of sheets made here part by
// part as it reads them, the workbooks it refuses and why, memory running
// out while it reads, and the names it makes for sheets.
#include "support/FailingAllocations.h"
#include "support/WorkbookParts.h"
#include "OpenSheet.h"
#include "RecordReader.h"
#include "SheetTitle.h"
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using namespace olvaris::test;
using namespace olvaris::workbook;

namespace {

// The list read to its end as the check opens it: the refusal as "line:
// message", or empty where it is read whole.
QString refusal(const QString& path, const std::optional<std::string>& choice) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QString refused;
    try {
        const OpenedList list = openList(descriptor, path.toStdString(), choice);
        while (list.sheet && list.sheet->next()) {
        }
    } catch (const olvaris::ziplist::ReadError& error) {
        refused = QString::number(error.line()) + ": " + QString::fromUtf8(error.what());
    }
    ::close(descriptor);
    return refused;
}

} // namespace

class WorkbookReadingTest : public QObject {
    Q_OBJECT

private slots:
    // A cell read as the sheet holds it: a string shared or inline (a
    // rich text's runs joined, its phonetic run left out, references
    // resolved), a number with what its format shows, a formula by its
    // cached value, an error, a date, a boolean.
    void cellsAreReadAsTheSheetHoldsThem_data() {
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("strings");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* city, const char* cell, const char* strings, Cell::Kind kind,
                            const char* text, const char* shown) {
            QTest::newRow(name) << city << cell << strings << int(kind) << text << shown;
        };
        row("shared string", "Boston", R"(<c r="D2" t="s"><v>0</v></c>)", "<si><t>02108</t></si>", Cell::Kind::Text,
            "02108", "");
        row("shared rich text, phonetic run left out", "Boston", R"(<c r="D2" t="s"><v>0</v></c>)",
            "<si><r><t>021</t></r><r><t>08</t></r><rPh><t>x</t></rPh></si>", Cell::Kind::Text, "02108", "");
        row("number, zeros lost", "Boston", R"(<c r="D2"><v>2108</v></c>)", "", Cell::Kind::Number, "2108", "");
        row("number shown as 00000", "Boston", R"(<c r="D2" s="1"><v>2108</v></c>)", "", Cell::Kind::Number, "2108",
            "02108");
        row("ZIP+4 as a number shown as 00000-0000", "Boston", R"(<c r="D2" s="2"><v>21081234</v></c>)", "",
            Cell::Kind::Number, "21081234", "02108-1234");
        row("formula by its cached value", "Boston", R"(<c r="D2" t="str"><f>TEXT(2108,"00000")</f><v>02108</v></c>)",
            "", Cell::Kind::Text, "02108", "");
        row("error", "Boston", R"(<c r="D2" t="e"><f>NA()</f><v>#N/A</v></c>)", "", Cell::Kind::Error, "#N/A", "");
        row("date", "Boston", R"(<c r="D2" s="3"><v>44240</v></c>)", "", Cell::Kind::Date, "2021-02-13", "");
        row("boolean", "Boston", R"(<c r="D2" t="b"><v>1</v></c>)", "", Cell::Kind::Boolean, "TRUE", "");
        row("escaped text", "Boston &amp; Co", R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)", "",
            Cell::Kind::Text, "02108", "");
    }
    void cellsAreReadAsTheSheetHoldsThem() {
        QFETCH(QString, city);
        QFETCH(QString, cell);
        QFETCH(QString, strings);
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("list.xlsx"));
        writeZip(book, xlsx(oneRow(city.toStdString(), cell.toStdString()), strings.toStdString()));
        const auto sheet = openSheet(book.toStdString(), FileKind::Zip, std::nullopt);
        QVERIFY(sheet->next() && sheet->next());
        QCOMPARE(sheet->recordLine(), 2L);
        QCOMPARE(sheet->cells().size(), size_t(4));
        QCOMPARE(QString::fromStdString(sheet->cells()[0].text),
                 city.replace(QLatin1String("&amp;"), QLatin1String("&")));
        const Cell& zip = sheet->cells()[3];
        QTEST(int(zip.kind), "kind");
        QTEST(QString::fromStdString(zip.text), "text");
        QTEST(QString::fromStdString(zip.shown), "shown");
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
        std::unique_ptr<Sheet> sheet;
        std::optional<Failing> failing;
        try {
            if (!opened)
                failing.emplace(where);
            sheet = openSheet(book.toStdString(), FileKind::Zip, std::nullopt);
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
        const auto sheet = openSheet(book.toStdString(), FileKind::Zip, std::nullopt);
        QVERIFY(sheet->next() && sheet->next());
        QCOMPARE(sheet->fields(), (std::vector<std::string>{"Boston", "MA", "", "02108"}));
    }

    // Each refused with its reason, at its line where it has one.
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
                                                         << "1048577: data past row 1048576";
        QTest::newRow("ods cells repeated past the last") << "odscolumns"
                                                          << "2: data past column XFD";
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
        QTest::newRow("unknown sheet") << "sheet"
                                       << "no sheet \"Nine\": the workbook has 1 sheet, \"List\"";
    }
    void badWorkbooksAreRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString book = dir.filePath("bad.xlsx");
        writeBadWorkbook(book, kind);
        const QString refused = refusal(book, kind == "sheet" ? std::optional<std::string>("Nine") : std::nullopt);
        QVERIFY2(refused.contains(message), qPrintable(refused));
    }

    // A name a spreadsheet takes for a sheet, made from a list's name.
    void sheetNamesAreWhatSpreadsheetsTake_data() {
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
    void sheetNamesAreWhatSpreadsheetsTake() {
        QFETCH(QString, list);
        QTEST(QString::fromStdString(sheetTitle(list.toStdString())), "sheet");
    }
};

QTEST_GUILESS_MAIN(WorkbookReadingTest)
#include "test_workbook_reading.moc"
