// The quick scanner of a sheet's XML against expat on the same bytes: the
// parts of the test workbooks, the fuzzer's seeds, parts crafted for what
// XML allows, and parts whose every token is cut by a piece's end. Both
// must read each and give the same elements, attributes and texts.
#include "support/XmlEvents.h"
#include "support/ZipParts.h"
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using olvaris::test::XmlEvents;
using olvaris::workbook::XmlReader;
using olvaris::workbook::ZipArchive;

namespace {

// Both engines read the part alike; a message naming the first difference.
QString readAlike(const ZipArchive& archive, const std::string& part) {
    const auto expat = XmlEvents::of(archive, part, XmlReader::Engine::Expat);
    const auto scanner = XmlEvents::of(archive, part, XmlReader::Engine::Scanner);
    if (!expat || !scanner)
        return QString::fromStdString(part) + (expat ? ": the scanner refused it" : ": expat refused it");
    const auto [e, s] = std::mismatch(expat->begin(), expat->end(), scanner->begin(), scanner->end());
    if (e == expat->end() && s == scanner->end())
        return {};
    return QStringLiteral("%1, event %2: expat \"%3\", the scanner \"%4\"")
        .arg(QString::fromStdString(part))
        .arg(e - expat->begin())
        .arg(QString::fromStdString(e == expat->end() ? "(end)" : *e),
             QString::fromStdString(s == scanner->end() ? "(end)" : *s));
}

QString readAlike(const std::string& xml) {
    QTemporaryDir dir;
    const QString path = dir.filePath("part.zip");
    olvaris::test::writeZip(path, {{"part.xml", xml}});
    return readAlike(ZipArchive(path.toStdString()), "part.xml");
}

} // namespace

class XmlScannerTest : public QObject {
    Q_OBJECT

private slots:
    void workbooksAndSeedsReadAlike() {
        const QDir data(QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data"));
        int parts = 0;
        for (const QString& file : data.entryList({"*.xlsx", "*.ods"})) {
            const std::string path = data.filePath(file).toStdString();
            const ZipArchive archive(path);
            zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
            for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
                const std::string name = zip_get_name(zip, zip_uint64_t(i), 0);
                if (name.ends_with(".xml") || name.ends_with(".rels")) {
                    const QString different = readAlike(archive, name);
                    QVERIFY2(different.isEmpty(), qPrintable(file + ": " + different));
                    ++parts;
                }
            }
            zip_close(zip);
        }
        QVERIFY(parts >= 20);
        const QDir seeds(QStringLiteral(OLVARIS_SOURCE_DIR "/fuzz/corpus-workbook"));
        for (const QString& seed : seeds.entryList(QDir::Files)) {
            QFile file(seeds.filePath(seed));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString different = readAlike(file.readAll().toStdString());
            QVERIFY2(different.isEmpty(), qPrintable(seed + ": " + different));
        }
    }

    void craftedPartsReadAlike_data() {
        QTest::addColumn<QByteArray>("xml");
        const auto row = [](const char* name, const QByteArray& xml) { QTest::newRow(name) << xml; };
        row("entities", "<t>a &lt; b &gt; c &amp; d &quot;e&quot; &apos;f&apos; &amp;amp;</t>");
        row("character references", "<t>&#65;&#x42;&#xe9;&#233;&#x20AC;&#x1F600;&#128512;&#x000041;</t>");
        row("CDATA", "<t><![CDATA[<b>&amp;]]]]><![CDATA[>]] ]>]]>x<![CDATA[]]></t>");
        row("both quotes", "<c r=\"A1\" s='2' x='a\"b' y=\"a'b\" z=\"\"/>");
        row("references in attributes", "<c a=\"&lt;&amp;&#x41;&quot;&#233;\" b='&apos;&gt;'/>");
        row("'>' inside quotes and text", "<c a=\"1>2\" b='>'><v>3>2</v></c>");
        row("blanks in tags", "<c\n\tr = \"A1\"  t\t=\t's'\r\n><v >1</v\n></c >");
        row("blanks as text", "<r>\n  <c>  <v> 1 </v>\t</c>\n</r>");
        row("line ends in text", "<t>a\r\nb\rc\n\r\nd\r</t>");
        row("line ends in attributes", "<c a=\"x\ty\nz\r\nw\rv\" b='&#9;&#10;&#13;'/>");
        row("inline strings", "<row><c r=\"A1\" t=\"inlineStr\"><is><r><t>Bos</t></r><r><rPr><b/></rPr>"
                              "<t xml:space=\"preserve\"> ton </t></r></is></c></row>");
        row("prefixes", "<x:worksheet xmlns:x=\"m\" xmlns:r=\"n\"><x:c r:id=\"rId1\" x:t=\"s\"/></x:worksheet>");
        row("comments and instructions", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                         "<!-- a --><t>a<!-- - -->b<?pi x?>c<!---->d</t><!-- z -->\n<?end?>\n");
        row("byte order mark", "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?><t>a</t>");
        row("UTF-8", "<t a=\"Caf\xc3\xa9\">Espa\xc3\xb1ola \xe2\x82\xac \xf0\x9f\x98\x80</t>");
        row("empty elements", "<r><v/><v></v><v />x<t/></r>");
        row("nested 64 deep", QByteArray("<a>").repeated(64) + "x" + QByteArray("</a>").repeated(64));
    }
    void craftedPartsReadAlike() {
        QFETCH(QByteArray, xml);
        const QString different = readAlike(xml.toStdString());
        QVERIFY2(different.isEmpty(), qPrintable(different));
    }

    // What the scanner refuses, it names: each kind of damage, at the part's
    // end, in a tag, in a section that is never closed.
    void damagedPartsSaidWhy_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("why");
        const auto row = [](const char* name, const QByteArray& xml, const char* why) {
            QTest::newRow(name) << xml << QString(why);
        };
        row("end tag not closed", "<t>a</t", "an end tag not closed");
        row("comment not closed", "<t><!-- a</t>", "a comment not closed");
        row("CDATA not closed", "<t><![CDATA[a</t>", "a CDATA section not closed");
        row("CDATA not UTF-8", "<t><![CDATA[\xff]]></t>", "text that is not UTF-8");
        row("document type", "<!DOCTYPE t><t/>", "part.xml declares a document type");
        row("instruction not closed", "<?xml version=\"1.0\"<t/>", "a processing instruction not closed");
        row("another encoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t/>", "only UTF-8 XML is read here");
        row("start tag not closed", "<t a=\"1>\"", "a tag not closed");
        row("'<' inside a tag", "<t <a/>", "a '<' inside a tag");
        row("ends inside an element", "<t><a>", "it ends inside <a>");
        row("no element", " \n", "it holds no element");
        row("crossed elements", "<a><b></a></b>", "</a> closes <b>");
        row("second document element", "<a/><b/>", "a second document element");
    }
    void damagedPartsSaidWhy() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, why);
        QTemporaryDir dir;
        olvaris::test::writeZip(dir.filePath("part.zip"), {{"part.xml", xml.toStdString()}});
        const std::string said = XmlEvents::whyRefused(ZipArchive(dir.filePath("part.zip").toStdString()), "part.xml",
                                                       XmlReader::Engine::Scanner);
        QVERIFY2(QString::fromStdString(said).contains(why), said.c_str());
    }

    // The scanner takes its part a megabyte at a time: here one piece ends
    // at every byte of a run of tokens of every kind.
    void tokensCutByAPiecesEnd() {
        const std::string tokens = "<c r=\"A1\" t='s' a=\"&amp;&#x41;\"><v>x&lt;y&#233;<![CDATA[<z>]]>"
                                   "<!-- - --></v><?p?></c>\r\n";
        QTemporaryDir dir;
        olvaris::test::Parts parts;
        for (size_t shift = 0; shift < tokens.size(); ++shift) {
            std::string xml = "<r>" + std::string(shift, ' ');
            while (xml.size() < (size_t(1) << 20) + tokens.size())
                xml += tokens;
            parts.push_back({"part" + std::to_string(shift) + ".xml", xml + "</r>"});
        }
        olvaris::test::writeZip(dir.filePath("parts.zip"), parts);
        const ZipArchive archive(dir.filePath("parts.zip").toStdString());
        for (const auto& [name, xml] : parts) {
            const QString different = readAlike(archive, name);
            QVERIFY2(different.isEmpty(), qPrintable(different));
        }
    }
};

QTEST_GUILESS_MAIN(XmlScannerTest)
#include "test_xml_scanner.moc"
