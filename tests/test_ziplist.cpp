// The list reader and the rules of its fields, directly: the forms people
// write ZIP codes, states and city names in, and records read a piece at a
// time wherever the pieces happen to end.
#include "RecordReader.h"
#include "ZipRules.h"
#include <QTemporaryFile>
#include <QtTest>
#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace olvaris::ziplist;

class ZipListTest : public QObject {
    Q_OBJECT

private slots:
    void zipCodesAsWritten_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("five"); // empty: no ZIP code
        QTest::addColumn<bool>("plusFour");
        QTest::addColumn<bool>("lostZeros");
        QTest::newRow("five digits") << " 02134 "
                                     << "02134" << false << false;
        QTest::newRow("ZIP+4") << "02134-1234"
                               << "02134" << true << false;
        QTest::newRow("ZIP+4 with a blank") << "02134 1234"
                                            << "02134" << true << false;
        QTest::newRow("nine digits") << "021341234"
                                     << "02134" << true << false;
        QTest::newRow("lost one zero") << "2134"
                                       << "02134" << false << true;
        QTest::newRow("lost two zeros") << "501"
                                        << "00501" << false << true;
        QTest::newRow("ZIP+4 kept as a number") << "5011234"
                                                << "00501" << true << true;
        QTest::newRow("lost zero and +4") << "2134-1234"
                                          << "02134" << true << true;
        QTest::newRow("too short") << "12"
                                   << "" << false << false;
        QTest::newRow("six digits") << "021345"
                                    << "" << false << false;
        QTest::newRow("letters") << "ABCDE"
                                 << "" << false << false;
        QTest::newRow("bad +4") << "02134-12"
                                << "" << false << false;
        QTest::newRow("empty") << ""
                               << "" << false << false;
    }
    void zipCodesAsWritten() {
        QFETCH(QString, written);
        QFETCH(QString, five);
        const std::optional<Zip> zip = zipFrom(written.toStdString());
        QCOMPARE(zip.has_value(), !five.isEmpty());
        if (zip) {
            QCOMPARE(QString::fromStdString(zip->five), five);
            QTEST(zip->plusFour, "plusFour");
            QTEST(zip->lostZeros, "lostZeros");
        }
    }

    void statesAsWritten() {
        const struct {
            const char* written;
            const char* code; // "": none
            bool corrected;
        } cases[] = {{"MA", "MA", false},           {"ma", "MA", true},        {" M.A. ", "MA", true},
                     {"Massachusetts", "MA", true}, {"new  york", "NY", true}, {"Dist. of Columbia", "DC", true},
                     {"AE", "AE", false},           {"XX", "", false},         {"Mass.", "MA", true},
                     {"W. Va.", "WV", true},        {"Mas", "", false},        {"", "", false}};
        for (const auto& c : cases) {
            const std::optional<State> state = stateFrom(c.written);
            QVERIFY2(state.has_value() == (*c.code != 0), c.written);
            if (state) {
                QCOMPARE(state->code, std::string(c.code));
                QVERIFY2(state->corrected() == c.corrected, c.written);
            }
        }
    }

    void cityNamesAndTheirSpellings() {
        QCOMPARE(cityKey("St. Louis"), cityKey("Saint Louis"));
        QCOMPARE(cityKey("Coeur d'Alene"), cityKey("Coeur D Alene"));
        QCOMPARE(cityKey("Mt Zion"), cityKey("MOUNT ZION"));
        QCOMPARE(cityKey("Melcher Dallas"), cityKey("Melcher-dallas"));
        QVERIFY(cityKey("Sterling") != cityKey("St Erling"));
        QCOMPARE(cityKey("Mayag\u00FC"
                         "ez"),
                 cityKey("Mayaguez"));
        QCOMPARE(cityKey("E\u0301"
                         "ire \u0141o\u0301"
                         "dz\u0301"),
                 cityKey("Eire Lodz"));
        const std::vector<std::string> louis = citySpellings("St. Louis");
        QVERIFY(std::find(louis.begin(), louis.end(), "saint louis") != louis.end());
        QVERIFY(std::find(louis.begin(), louis.end(), "st louis") != louis.end());
        const std::vector<std::string> coeur = citySpellings("Coeur d'Alene");
        QVERIFY(std::find(coeur.begin(), coeur.end(), "coeur d alene") != coeur.end());
        const std::vector<std::string> catano = citySpellings("Cata\u00F1o");
        QCOMPARE(catano.front(), std::string("cata\u00F1o"));
        QVERIFY(std::find(catano.begin(), catano.end(), "catano") != catano.end());
        // The start of a longer name is no abbreviation.
        QCOMPARE(citySpellings("St"), std::vector<std::string>{"st"});
        QCOMPARE(editDistance("bostn", "boston", 2), 1);
        QCOMPARE(editDistance("bsoton", "boston", 2), 1);
        QCOMPARE(editDistance("denver", "boston", 2), 3);
    }

    // Records of every length, quoted and not, with CRLF and LF, read in
    // pieces of one byte and more: each field comes back as written,
    // wherever a piece ends (within a quote, between CR and LF, within a
    // doubled quote).
    void recordsCutAnywhere() {
        std::mt19937 random(5);
        std::vector<std::vector<std::string>> expected;
        QTemporaryFile file;
        QVERIFY(file.open());
        QByteArray text;
        for (int record = 0; record < 4000; ++record) {
            std::vector<std::string> fields;
            for (int field = 0; field < 3; ++field) {
                std::string value(random() % 40, char('a' + record % 26));
                const bool quoted = random() % 3 == 0;
                if (quoted && !value.empty())
                    value.insert(random() % value.size(), random() % 2 ? ",\r\n\"" : "\"\",");
                fields.push_back(value);
                QByteArray written = QByteArray::fromStdString(value);
                if (quoted)
                    written = '"' + written.replace("\"", "\"\"") + '"';
                text += (field == 0 ? "" : ",") + written;
            }
            text += record % 2 ? "\r\n" : "\n";
            expected.push_back(fields);
        }
        file.write(text);
        file.flush();
        for (const size_t piece : {size_t(1), size_t(2), size_t(7), size_t(65536)})
            for (const bool wholeFieldQuotes : {false, true}) {
                const int descriptor = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY);
                RecordReader reader(descriptor, piece);
                reader.setSeparator(",", true);
                if (wholeFieldQuotes)
                    reader.quoteOnlyWholeFields();
                // Read to the end: a reader that never ends fails here, bounded.
                // Each record's text as read is the file's, piece for piece.
                size_t read = 0;
                QByteArray asRead;
                while (reader.next()) {
                    asRead += QByteArray::fromStdString(std::string(reader.recordText()));
                    QVERIFY2(read < expected.size(),
                             qPrintable(QStringLiteral("piece %1: a record past the end").arg(piece)));
                    QVERIFY2(reader.fields() == expected[read],
                             qPrintable(QStringLiteral("piece %1, record %2").arg(piece).arg(read)));
                    ++read;
                }
                ::close(descriptor);
                QCOMPARE(read, expected.size());
                QVERIFY(asRead == text);
            }
    }

    // Where quotes open a field in a list people type into: only where the
    // closing quote ends the field; else the quote is text and joins no lines.
    void aQuoteOpensOnlyAWholeField_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QByteArrayList>("records"); // fields joined by '|'
        QTest::newRow("a nickname") << QByteArray("\"Doc\" Watson\tBoston\nB\tBoston\n")
                                    << QByteArrayList{"\"Doc\" Watson|Boston", "B|Boston"};
        QTest::newRow("never closed") << QByteArray("\"D\tBoston\nE\tx\"y\"\n")
                                      << QByteArrayList{"\"D|Boston", "E|x\"y\""};
        QTest::newRow("closed on a later line, mid-field")
            << QByteArray("\"D\tBoston\n\"E\" Lee\tx\n") << QByteArrayList{"\"D|Boston", "\"E\" Lee|x"};
        QTest::newRow("quoted, doubled, across a line")
            << QByteArray("\"A \"\"B\"\"\"\t\"1st\nBack\"\n\"x\"") << QByteArrayList{"A \"B\"|1st\nBack", "x"};
        QTest::newRow("a lone inch mark") << QByteArray("6\" pipe\t\"\n") << QByteArrayList{"6\" pipe|\""};
    }
    void aQuoteOpensOnlyAWholeField() {
        QFETCH(QByteArray, list);
        QFETCH(QByteArrayList, records);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(list);
        file.flush();
        for (const size_t piece : {size_t(1), size_t(65536)}) {
            const int descriptor = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY);
            RecordReader reader(descriptor, piece);
            reader.setSeparator("\t", true);
            reader.quoteOnlyWholeFields();
            QByteArrayList read;
            while (reader.next()) {
                QByteArrayList fields;
                for (const std::string& field : reader.fields())
                    fields << QByteArray::fromStdString(field);
                read << fields.join('|');
            }
            ::close(descriptor);
            QCOMPARE(read, records);
        }
    }

    // Each field is UTF-8 where its bytes are, else Windows-1252, whatever
    // the file's start said; the file is Windows-1252 only where its stray
    // bytes outnumber its UTF-8 characters, a tie UTF-8.
    void eachFieldIsReadInItsOwnEncoding_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("windows1252");
        const QByteArray utf8 = "Caf\xC3\xA9", stray = "Jos\xE9";
        QTest::newRow("ASCII") << QByteArray("Boston,MA\n") << false;
        QTest::newRow("a tie") << stray + "," + utf8 + "\n" << false;
        QTest::newRow("a stray byte more") << stray + "," + utf8 + "\n" + stray + ",Boston\n" << true;
        QTest::newRow("a UTF-8 field more") << stray + "," + utf8 + "\n" + utf8 + ",Boston\n" << false;
    }
    void eachFieldIsReadInItsOwnEncoding() {
        QFETCH(QByteArray, list);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(list);
        file.flush();
        const int descriptor = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY);
        RecordReader reader(descriptor);
        QTEST(reader.encoding() == Encoding::Windows1252, "windows1252");
        QCOMPARE(encodingOf(list.toStdString()), reader.encoding());
        // Each field as the person wrote it, the stray byte read as Windows-1252.
        const QByteArrayList readAs{"Boston", "MA", "Jos\xC3\xA9", "Caf\xC3\xA9"};
        while (reader.next())
            for (const std::string& field : reader.fields())
                QVERIFY2(readAs.contains(QByteArray::fromStdString(field)), field.c_str());
        ::close(descriptor);
    }
};

QTEST_GUILESS_MAIN(ZipListTest)
#include "test_ziplist.moc"
