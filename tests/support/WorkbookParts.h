#pragma once
// Workbooks as spreadsheets lay them out, made part by part, and the
// damage done to their archives; header-only, Qt and libzip alone, for the
// workbook library's tests and the program's.
#include "Files.h"
#include "ZipParts.h"
#include <string>
#include <tuple>

namespace olvaris::test {

inline const char* const SpreadsheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// An .xlsx laid out as Excel lays it out: one sheet of the given rows, with
// styles (cellXfs 0 General, 1 "00000", 2 "00000-0000", 3 a date) and the
// shared strings given.
inline Parts xlsx(const std::string& rows, const std::string& strings = {}) {
    const std::string relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\""
                            + relations
                            + "/officeDocument\" "
                              "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", std::string("<workbook xmlns=\"") + SpreadsheetMain + "\" xmlns:r=\"" + relations
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
        {"xl/styles.xml", std::string("<styleSheet xmlns=\"") + SpreadsheetMain
                              + "\"><numFmts count=\"2\">"
                                "<numFmt numFmtId=\"164\" formatCode=\"00000\"/>"
                                "<numFmt numFmtId=\"165\" formatCode=\"00000\\-0000\"/></numFmts><cellXfs count=\"4\">"
                                "<xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"14\"/>"
                                "</cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", std::string("<sst xmlns=\"") + SpreadsheetMain + "\">" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"")
                                         + SpreadsheetMain + "\"><sheetData>" + rows + "</sheetData></worksheet>"},
    };
}

inline const char* const OdsNamespaces = R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
                                         R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
                                         R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")";

// An .ods of one sheet, "List", of the given rows; a row or a cell of text
// repeated as often as asked.
inline Parts ods(const std::string& rows) {
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
            {"content.xml", std::string("<office:document-content") + OdsNamespaces
                                + ">"
                                  R"(<office:body><office:spreadsheet><table:table table:name="List">)"
                                + rows
                                + "</table:table></office:spreadsheet></office:body></office:document-content>"}};
}
inline std::string odsRow(const std::string& cells, long repeats = 1) {
    return R"(<table:table-row table:number-rows-repeated=")" + std::to_string(repeats) + "\">" + cells
           + "</table:table-row>";
}
inline std::string odsCell(const std::string& text, long repeats = 1) {
    return R"(<table:table-cell office:value-type="string" table:number-columns-repeated=")" + std::to_string(repeats)
           + "\"><text:p>" + text + "</text:p></table:table-cell>";
}
inline const std::string OdsHeader = odsRow(odsCell("City") + odsCell("State") + odsCell("ZIP"));
inline const std::string OdsBoston = odsCell("Boston") + odsCell("MA") + odsCell("02108");

// A header row and one row whose ZIP cell (D2) is as given.
inline std::string oneRow(const std::string& city, const std::string& zipCell) {
    return "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>City</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><t>State"
           "</t></is></c><c r=\"D1\" t=\"inlineStr\"><is><t>ZIP</t></is></c></row><row r=\"2\"><c r=\"A2\" "
           "t=\"inlineStr\"><is><t>"
           + city + "</t></is></c><c r=\"B2\" t=\"inlineStr\"><is><t>MA</t></is></c>" + zipCell + "</row>";
}

// Sets a field of the part's local and central headers alike: at the
// offsets given in each, little-endian.
inline void setHeaderField(const QString& path, const QByteArray& part, int local, int central,
                           const QByteArray& value) {
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
inline void understate(const QString& path, const QByteArray& part) {
    setHeaderField(path, part, 22, 24, QByteArray("\x0A\0\0\0", 4));
}

// Changes one byte of what the archive stores of the part: in `text`
// where given (a stored part's own text), else in the middle.
inline void changeStoredByte(const QString& path, const QByteArray& part, const QByteArray& text = {}) {
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

// A workbook of the damage or oddity named (the kinds the workbook tests
// give), its list a header and one row: "sheet" is whole, for a sheet
// asked for that it does not have.
inline void writeBadWorkbook(const QString& book, const QString& kind) {
    const std::string header = oneRow("Boston", R"(<c r="D2" t="inlineStr"><is><t>02108</t></is></c>)");
    if (kind == "truncated") {
        const QByteArray whole = readFile(QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data/customers.xlsx"));
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
        parts.push_back({"xl/worksheets/sheet2.xml", std::string("<worksheet xmlns=\"") + SpreadsheetMain
                                                         + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\">"
                                                           "<is><t>Filter by type</t></is></c></row></sheetData>"
                                                           "</worksheet>"});
        writeZip(book, parts);
    } else if (kind == "sheet") {
        writeZip(book, xlsx(header));
    }
}

} // namespace olvaris::test
