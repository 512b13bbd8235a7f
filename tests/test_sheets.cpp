// The workbook library directly: what a number format shows, and sheets
// read from parts made here.
#include "support/ZipParts.h"
#include "NumberFormat.h"
#include "OpenSheet.h"
#include <QTemporaryDir>
#include <QtTest>

using olvaris::test::writeZip;

class SheetsTest : public QObject {
    Q_OBJECT

private slots:
    // What a number format shows: zeros in front for ZIP codes (with the
    // conditional sections of Excel's "ZIP Code + 4"), nothing for others.
    void numberFormatsShowZeros_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ZIP") << "00000" << 2134.0 << "02134";
        QTest::newRow("ZIP+4 escaped") << "00000\\-0000" << 21341234.0 << "02134-1234";
        QTest::newRow("ZIP+4 quoted") << "00000\"-\"0000" << 21341234.0 << "02134-1234";
        QTest::newRow("conditional, five") << "[<=99999]00000;00000-0000" << 2134.0 << "02134";
        QTest::newRow("conditional, nine") << "[<=99999]00000;00000-0000" << 21341234.0 << "02134-1234";
        QTest::newRow("too many digits") << "00000" << 1234567.0 << "";
        QTest::newRow("a fraction") << "00000" << 2134.5 << "";
        QTest::newRow("thousands") << "#,##0" << 2134.0 << "";
        QTest::newRow("General") << "General" << 2134.0 << "";
    }
    void numberFormatsShowZeros() {
        QFETCH(QString, code);
        QFETCH(double, number);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(workbook::zeroPadded(code.toStdString(), number)), shown);
    }

    // An .ods says a row or cell once with how often it repeats; a comment
    // and a merged cell's hidden part are no text of the sheet. Empty cells
    // and rows repeated past the sheet's last, as Calc writes a formatted
    // area, are no data past it.
    void odsRepeatsAndComments() {
        QTemporaryDir dir;
        const QString book = dir.filePath("list.ods");
        const std::string cell = R"(<table:table-cell office:value-type="string"><text:p>)";
        const std::string content =
            R"(<office:document-content xmlns:office="o" xmlns:table="t" xmlns:text="x"><office:body>)"
            R"(<office:spreadsheet><table:table table:name="Hidden"/><table:table table:name="Places">)"
            "<table:table-row>"
            + cell + "City</text:p></table:table-cell>" + cell
            + "State</text:p>"
              "</table:table-cell>"
            + cell
            + "Zip</text:p></table:table-cell></table:table-row>"
              R"(<table:table-row table:number-rows-repeated="3">)"
            + cell
            + "Boston<office:annotation><text:p>"
              "a note</text:p></office:annotation></text:p></table:table-cell>"
            + cell
            + R"(MA</text:p></table:table-cell><table:table-cell table:number-columns-repeated="2" )"
              R"(office:value-type="string"><text:p>02108</text:p></table:table-cell><table:table-cell )"
              R"(table:number-columns-repeated="20000"/></table:table-row>)"
              R"(<table:table-row table:number-rows-repeated="1048570"><table:table-cell )"
              R"(table:number-columns-repeated="1024"/></table:table-row><table:table-row )"
              R"(table:number-rows-repeated="1048576"><table:table-cell/></table:table-row>)"
              R"(</table:table></office:spreadsheet>)"
              "</office:body></office:document-content>";
        writeZip(book, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
        const auto sheet = workbook::openSheet(book.toStdString(), workbook::FileKind::Zip, "Places");
        QVERIFY(sheet->next());
        std::vector<long> lines;
        while (sheet->next()) {
            lines.push_back(sheet->recordLine());
            QCOMPARE(sheet->fields(), (std::vector<std::string>{"Boston", "MA", "02108", "02108"}));
        }
        QCOMPARE(lines, (std::vector<long>{2, 3, 4}));
    }
};

QTEST_GUILESS_MAIN(SheetsTest)
#include "test_sheets.moc"
