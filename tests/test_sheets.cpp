// The workbook library directly: what a number format shows, sheets read
// from parts made here, and the quick reading of a sheet's rows against the
// general scanner's.
#include "support/SheetRows.h"
#include "support/WorkbookParts.h"
#include "NumberFormat.h"
#include "OpenSheet.h"
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using olvaris::test::writeZip;
using Reading = olvaris::workbook::XlsxSheet::Reading;

namespace {

// The part with SpreadsheetML's namespace declared on its root where the
// root is written bare ("<worksheet>"), as a spreadsheet declares it.
std::string declared(std::string part, const std::string& root) {
    const size_t at = part.find("<" + root + ">");
    if (at != std::string::npos)
        part.insert(at + root.size() + 1, std::string(" xmlns=\"") + olvaris::test::SpreadsheetMain + "\"");
    return part;
}

// A workbook of one sheet (its part given whole, or its rows), the shared
// strings given (whole, or their <si>s), and styles 1 "00000", 2
// "00000-0000", 3 a date.
void writeBook(const QString& path, const std::string& sheet, const std::string& strings) {
    const std::string relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const auto relation = [&](const char* id, const char* type, const char* target) {
        return std::string("<Relationship Id=\"") + id + "\" Type=\"" + relations + "/" + type + "\" Target=\"" + target
               + "\"/>";
    };
    const bool wholeSheet = sheet.find("sheetData") != std::string::npos;
    const bool wholeStrings = strings.find("sst") != std::string::npos;
    writeZip(
        QString(path),
        {{"xl/workbook.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels", "<Relationships>" + relation("rId1", "worksheet", "worksheets/sheet1.xml")
                                            + relation("rId2", "sharedStrings", "sharedStrings.xml")
                                            + relation("rId3", "styles", "styles.xml") + "</Relationships>"},
         {"xl/styles.xml", "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"00000\"/>"
                           "<numFmt numFmtId=\"165\" formatCode=\"00000\\-0000\"/></numFmts><cellXfs><xf/>"
                           "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"14\"/></cellXfs>"
                           "</styleSheet>"},
         {"xl/sharedStrings.xml", declared(wholeStrings ? strings : "<sst>" + strings + "</sst>", "sst")},
         {"xl/worksheets/sheet1.xml",
          declared(wholeSheet ? sheet : "<worksheet><sheetData>" + sheet + "</sheetData></worksheet>", "worksheet")}});
}

// Both readings of the workbook alike; a message naming the first
// difference.
QString readAlike(const std::string& path) {
    const auto quick = olvaris::test::sheetRows(path, Reading::Quick);
    const auto general = olvaris::test::sheetRows(path, Reading::General);
    const auto [q, g] = std::mismatch(quick.begin(), quick.end(), general.begin(), general.end());
    if (q == quick.end() && g == general.end())
        return {};
    return QStringLiteral("line %1: quickly \"%2\", by the scanner \"%3\"")
        .arg(q - quick.begin())
        .arg(QString::fromStdString(q == quick.end() ? "(end)" : *q),
             QString::fromStdString(g == general.end() ? "(end)" : *g));
}

QString readAlike(const std::string& sheet, const std::string& strings) {
    QTemporaryDir dir;
    const QString path = dir.filePath("book.xlsx");
    writeBook(path, sheet, strings);
    return readAlike(path.toStdString());
}

// Rows, cells, values and strings of other namespaces than the sheet's, in
// among its own.
const char* const OtherSpacesRows =
    R"(<row r="1" xmlns="urn:other"><c><v>1</v></c></row><o:row r="2" xmlns:o="urn:other"><c><v>2</v></c>)"
    R"(</o:row><row r="3"><o:c xmlns:o="urn:other"><v>3</v></o:c><c t="s"><o:v xmlns:o="urn:other">5)"
    R"(</o:v><v>1</v></c><c xmlns=""><v>4</v></c></row>)";
const char* const OtherSpacesStrings =
    R"(<o:si xmlns:o="urn:other"><t>a</t></o:si><si><t>b</t><t xmlns="urn:other">c</t></si><si><t>d</t></si>)";

} // namespace

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
        QCOMPARE(QString::fromStdString(olvaris::workbook::zeroPadded(code.toStdString(), number)), shown);
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
            std::string("<office:document-content") + olvaris::test::OdsNamespaces
            + "><office:body>"
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
        const auto sheet = olvaris::workbook::openSheet(book.toStdString(), olvaris::workbook::FileKind::Zip, "Places");
        QVERIFY(sheet->next());
        std::vector<long> lines;
        while (sheet->next()) {
            lines.push_back(sheet->recordLine());
            QCOMPARE(sheet->fields(), (std::vector<std::string>{"Boston", "MA", "02108", "02108"}));
        }
        QCOMPARE(lines, (std::vector<long>{2, 3, 4}));
        QCOMPARE(sheet->fractionRead(), 1.0); // what a progress bar shows at the end
    }

    // A sheet's rows and cells, and its strings, are read in its own
    // namespace only, quickly or not: an element of another (a prefix of
    // its own, the default namespace declared again or taken away) is
    // passed over with all it holds.
    void otherNamespacesAreNotTheSheets() {
        QTemporaryDir dir;
        const QString path = dir.filePath("book.xlsx");
        writeBook(path, OtherSpacesRows, OtherSpacesStrings);
        const std::vector<std::string> rows = {"3 | 1 \"d\" 0 \"\" \"\"", "hidden columns:"};
        QCOMPARE(olvaris::test::sheetRows(path.toStdString(), Reading::Quick), rows);
        QCOMPARE(olvaris::test::sheetRows(path.toStdString(), Reading::General), rows);

        using olvaris::test::odsCell;
        const QString book = dir.filePath("list.ods");
        writeZip(book,
                 olvaris::test::ods(olvaris::test::odsRow(odsCell("City") + odsCell("State"))
                                    + R"(<o:table-row xmlns:o="urn:other">)" + odsCell("Other")
                                    + "</o:table-row><text:table-row>" + odsCell("Text")
                                    + "</text:table-row><table:table-row>" + odsCell("Boston")
                                    + R"(<o:table-cell xmlns:o="urn:other"><text:p>z</text:p></o:table-cell>)"
                                    + R"(<table:table-cell office:value-type="string"><text:p>MA</text:p>)"
                                    + R"(<o:p xmlns:o="urn:other">y</o:p></table:table-cell></table:table-row>)"));
        const auto sheet = olvaris::workbook::openSheet(book.toStdString(), olvaris::workbook::FileKind::Zip, {});
        QVERIFY(sheet->next() && sheet->next());
        QCOMPARE(sheet->recordLine(), 2);
        QCOMPARE(sheet->fields(), (std::vector<std::string>{"Boston", "MA"}));
        QVERIFY(!sheet->next());
    }

    void aSheetTellsHowMuchOfItIsRead() {
        const auto sheet = olvaris::workbook::openSheet(OLVARIS_SOURCE_DIR "/tests/data/customers.xlsx",
                                                        olvaris::workbook::FileKind::Zip, std::nullopt);
        const double atStart = sheet->fractionRead();
        QVERIFY2(atStart >= 0 && atStart <= 1, qPrintable(QString::number(atStart)));
        while (sheet->next()) {
        }
        QCOMPARE(sheet->fractionRead(), 1.0);
    }

    // The sheet's rows and shared strings read straight from the bytes give
    // the same cells and the same refusals as the general scanner: on the
    // test workbooks, the fuzzer's seeds, and parts made for what the quick
    // reading leaves to the scanner.
    void quickReadingReadsAlike_data() {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QByteArray>("strings");
        const auto book = [](const char* name, const QByteArray& sheet, const QByteArray& strings = {}) {
            QTest::newRow(name) << sheet << strings;
        };
        const QByteArray two = "<si><t>a</t></si><si><t>b</t></si>";
        book("shared strings",
             R"(<row r="1" spans="1:2" x14ac:dyDescent="0.25"><c r="A1" t="s"><v>0</v></c>)"
             R"(<c r="B1" s="0" t="s"><v>1</v></c></row>)",
             two);
        book("kinds and formats", R"(<row r="2"><c r="A2" s="1"><v>2134</v></c><c r="B2" s="2"><v>21341234</v></c>)"
                                  R"(<c r="C2" s="3"><v>44240</v></c><c r="D2" t="b"><v>1</v></c><c r="E2" t="e">)"
                                  R"(<v>#N/A</v></c><c r="F2" t="d"><v>2021-02-13T00:00:00</v></c><c r="G2"><v>1e3</v>)"
                                  R"(</c><c r="H2"><v>12abc</v></c><c r="I2" s="9"><v>-0.5</v></c></row>)");
        book("inline strings, references, line ends",
             "<row><c t=\"inlineStr\"><is><t>a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos; &#65;&#x42;&#x1F600;"
             "&#233;&#0000000065;</t></is></c><c t=\"inlineStr\"><is><t xml:space=\"preserve\"> x\r\ny\rz\n</t>"
             "</is></c><c t=\"str\"><v>\xc3\xa9\xe2\x82\xac</v></c></row>");
        book("formulas", R"(<row r="2"><c r="A2" t="str"><f>TEXT(2108,"00000")</f><v>02108</v></c><c r="B2">)"
                         R"(<f t="shared" ref="B2:B3" si="0"/><v>3</v></c><c r="C2" t="e"><f aca="false">NA()</f>)"
                         R"(<v>#N/A</v></c><c r="D2"><f>1&lt;2</f></c></row>)");
        book("rich and phonetic text",
             "<row><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t>Bos</t></r><r><t>ton</t></r>"
             "<rPh><t>x</t></rPh></is></c><c t=\"s\"><v>1</v></c></row>",
             "<si><r><t>ri</t></r><r><rPr/><t>ch</t></r></si><si><t xml:space=\"preserve\"> p </t><rPh sb=\"0\">"
             "<t>x</t></rPh></si>");
        const QByteArray main = olvaris::test::SpreadsheetMain;
        book("prefixes",
             R"(<x:worksheet xmlns:x=")" + main
                 + R"("><x:sheetData><x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v>)"
                   R"(</x:c></x:row><row r="2" x:r="9"><c x:t="s" r="B2" t="inlineStr"><v>1</v></c></row>)"
                   R"(</x:sheetData></x:worksheet>)",
             R"(<x:sst xmlns:x=")" + main + R"("><x:si><x:t>a</x:t></x:si><si><t>b</t></si></x:sst>)");
        book("other namespaces", OtherSpacesRows, OtherSpacesStrings);
        book("prefixed attributes",
             R"(<row r="1" x:r="9"><c x:t="s" r="B1" t="inlineStr"><v>1</v></c>)"
             R"(<c r="C1" x14ac:t="str" t="s"><v>0</v></c><c x:r="E1"><v>1</v></c></row>)",
             two);
        book("order, quotes and blanks",
             "<row r='1'><c t='s' r=\"B1\" ><v>0</v></c><c s = \"1\" r=\"C1\"><v>7</v></c>"
             "<c\tr=\"D1\"\tt=\"s\"><v >1</v ></c><c r=\"E1\"t=\"s\"><v>0</v></c></row>",
             two);
        book("comments, CDATA, instructions",
             "<row r=\"1\"><!-- a --><c r=\"A1\" t=\"inlineStr\"><is><t>a<![CDATA[<b>]]></t></is></c><?pi x?>"
             "<c r=\"B1\"><v><![CDATA[5]]></v></c></row><!-- <row> --><row r=\"2\"><c><v>1</v></c></row>");
        book("columns, rows and cells left out or hidden",
             R"(<worksheet><cols><col min="2" max="3" hidden="1"/><col min="5" max="5" hidden="true"/></cols>)"
             R"(<sheetData><row r="3" hidden="1"><c r="C3"><v>1</v></c><c><v>2</v></c></row><row><c r="B4"/>)"
             R"(<c r="A4" t="s"><v>1</v></c></row><row r="6"/><row r="7" hidden="true"><c r="XFE7"><v>1</v></c>)"
             R"(<c r="a7"><v>2</v></c></row></sheetData></worksheet>)",
             two);
        book("values twice, values outside cells", "<row><c><v>1</v><v>2</v></c><v>3</v><c><t>4</t></c>"
                                                   "<c t=\"inlineStr\"><is><t>5</t><t>6</t></is></c></row>");
        // The same inline string in a row of nothing else odd, so the quick
        // reading meets it rather than handing the row over whole.
        book("texts twice in an inline string",
             "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>5</t><t>6</t></is></c><c r=\"B1\"><v>7</v></c></row>");
        book("text between elements",
             "<row r=\"1\">\n  <c r=\"A1\">\n    <v>1</v>\n  </c> &bogus; <c r=\"B1\"><f>x</f> "
             "<v>2</v> &amp; </c>\n</row>\n");
        book("references the scanner reads otherwise",
             "<row r=\"&#49;\"><c t=\"inlineStr\" r=\"A&#49;\"><is><t>&#+65;&#x0x41;&#x0041; &#9;</t></is></c>"
             "<c t=\"s\" s=\"&#49;\"><v>&#48;</v></c></row>",
             two);
        book("values with a NUL, a tab or a line end",
             QByteArray("<row r=\"1\"><c r=\"A1\" t=\"s\0x\"><v>0</v></c><c r=\"B\t1\" t=\"inline\nStr\"><is><t>a"
                        "</t></is></c><c t=\"b\" r=\"C1\"><v>1\0</v></c></row><row r=\"3\0\" hidden=\"1\0\"/>",
                        149),
             two);
        book("an unknown entity", "<row><c t=\"inlineStr\"><is><t>&nbsp;</t></is></c></row>");
        book("an unknown entity in an attribute", R"(<row><c r="A1" x="&nbsp;"><v>1</v></c></row>)");
        book("a character reference to nothing", "<row><c><v>&#0;</v></c></row>");
        book("text not UTF-8", "<row><c t=\"inlineStr\"><is><t>\xc3(</t></is></c></row>");
        const std::string longText(32768, 'a'), longestText(32767, 'a');
        std::string wide;
        while (wide.size() < 4 * size_t(16384))
            wide += "\xf0\x9f\x98\x80";
        book("the longest cell",
             QByteArray::fromStdString("<row><c t=\"inlineStr\"><is><t>" + longestText + "</t></is></c><c t=\"str\"><v>"
                                       + wide.substr(4) + "</v></c></row>"));
        book("a cell too long", QByteArray::fromStdString("<row><c t=\"str\"><v>" + longText + "</v></c></row>"));
        book("a cell too long in UTF-16",
             QByteArray::fromStdString("<row><c t=\"inlineStr\"><is><t>" + wide + "</t></is></c></row>"));
        book("a shared string too long", "<row><c t=\"s\"><v>0</v></c></row>",
             QByteArray::fromStdString("<si><t>" + wide + "</t></si>"));
        book("a row past the last", R"(<row r="1048576"><c><v>1</v></c></row><row><c><v>1</v></c></row>)");
        book("a shared string that is not there", R"(<row r="2"><c t="s"><v>2</v></c></row>)", two);
        book("tags crossed", R"(<row r="1"><c r="A1"><v>1</v></row></c>)");
        book("the part cut short", R"(<worksheet><sheetData><row r="1"><c><v>1</v></c>)");
        book("rows in a value", "<worksheet><v><sheetData><row><c>abc</c></row></sheetData></v></worksheet>");
        const auto nested = [](int depth) {
            return QByteArray("<worksheet>") + QByteArray("<a>").repeated(depth)
                   + "<sheetData><row><c t=\"inlineStr\"><is><t>x</t></is></c></row></sheetData>"
                   + QByteArray("</a>").repeated(depth) + "</worksheet>";
        };
        book("nested to the bound", nested(58));
        book("nested past the bound", nested(59));
        book("shared strings of every form",
             "<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c><c t=\"s\"><v>2</v></c>"
             "<c t=\"s\"><v>3</v></c><c t=\"s\"><v>4</v></c><c t=\"s\"><v>5</v></c></row>",
             "<si><t>a &amp; b&#x1F600;</t></si><si/><si><t/></si><si><t>line\r\nend\r</t></si>\n <si>"
             "<t>x</t><t>y</t></si><!-- c --><si><t><![CDATA[<z>]]></t></si>");
        book("a bad shared string", "<row><c t=\"s\"><v>0</v></c></row>", "<si><t>&bad;</t></si>");
    }
    void quickReadingReadsAlike() {
        QFETCH(QByteArray, sheet);
        QFETCH(QByteArray, strings);
        const QString different = readAlike(sheet.toStdString(), strings.toStdString());
        QVERIFY2(different.isEmpty(), qPrintable(different));
    }

    void quickReadingReadsWorkbooksAndSeedsAlike() {
        const QDir data(QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data"));
        for (const QString& file : data.entryList({"*.xlsx"})) {
            const QString different = readAlike(data.filePath(file).toStdString());
            QVERIFY2(different.isEmpty(), qPrintable(file + ": " + different));
        }
        const QDir seeds(QStringLiteral(OLVARIS_SOURCE_DIR "/fuzz/corpus-workbook"));
        for (const QString& seed : seeds.entryList(QDir::Files)) {
            QFile file(seeds.filePath(seed));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString different = readAlike(file.readAll().toStdString(), "<si><t>02134</t></si><si><t>x</t></si>");
            QVERIFY2(different.isEmpty(), qPrintable(seed + ": " + different));
        }
    }

    // The part comes a megabyte at a time: rows of every form, some read
    // quickly and some not, cut by a piece's end at many places, and a row
    // longer than the quick reading takes.
    void quickReadingAcrossPieces() {
        const std::string forms[] = {
            R"(<c r="A#" t="s"><v>1</v></c><c r="B#" s="1"><v>2134</v></c><c t="str"><v>Springfield, MA</v></c>)",
            R"(<c r="A#" t="inlineStr"><is><t>a &amp; b &#x1F600; Boston</t></is></c><!-- c -->)",
            R"(<c r="C#"><f>1+1</f><v>2</v></c><c t="inlineStr"><is><r><t>ri</t></r><r><t>ch</t></r></is></c>)",
            R"(<c r="B#" t="s"><v><![CDATA[0]]></v></c><c t='s'><v>1</v></c><c t="e"><v>#DIV/0!</v></c>)",
        };
        QTemporaryDir dir;
        for (size_t shift = 0; shift < 160; shift += 8) {
            std::string rows(shift, ' ');
            for (long row = 1; rows.size() < (size_t(5) << 19); ++row) {
                std::string cells = forms[size_t(row) % 4];
                for (size_t at = cells.find('#'); at != std::string::npos; at = cells.find('#'))
                    cells.replace(at, 1, std::to_string(row));
                rows += "<row r=\"" + std::to_string(row) + "\">" + cells + "</row>";
            }
            if (shift == 0)
                rows += "<row><c><v>1</v></c>" + std::string(5 << 20, ' ') + "<c><v>2</v></c></row>";
            rows += "<row><c><v>3</v></c></row>";
            const QString path = dir.filePath(QString("book%1.xlsx").arg(shift));
            writeBook(path, rows, "<si><t>a</t></si><si><t>b</t></si>");
            const QString different = readAlike(path.toStdString());
            QVERIFY2(different.isEmpty(), qPrintable(QString("shifted %1: ").arg(shift) + different));
        }
    }
};

QTEST_GUILESS_MAIN(SheetsTest)
#include "test_sheets.moc"
