// Text as bytes: Windows-1252 both ways, what counts as UTF-8, and ASCII
// letter case, on which saves, the list reader and the check all stand.
#include "AsciiCase.h"
#include "Utf8.h"
#include "Windows1252.h"
#include <QtTest>
#include <iconv.h>

using namespace olvaris::text;

class TextTest : public QObject {
    Q_OBJECT

private slots:
    // Every assigned byte is the character the system's converter gives it
    // and comes back through UTF-8 as it was; the five unassigned ones
    // cannot be saved and become "?".
    void windows1252BothWays() {
        const iconv_t system = ::iconv_open("UTF-8", "WINDOWS-1252");
        QVERIFY(system != iconv_t(-1)); // NOLINT(performance-no-int-to-ptr): iconv_open says "failed" so
        for (int byte = 0; byte < 256; ++byte) {
            std::string utf8, back;
            appendFromWindows1252(utf8, std::string(1, char(byte)));
            QVERIFY(isValidUtf8(utf8));
            QCOMPARE(appendWindows1252(back, utf8), size_t(1));
            char in = char(byte), out[8] = {};
            char *from = &in, *to = out;
            size_t inLeft = 1, outLeft = sizeof out;
            const bool assigned = ::iconv(system, &from, &inLeft, &to, &outLeft) != size_t(-1);
            QCOMPARE(back, assigned ? std::string(1, char(byte)) : std::string("?"));
            if (assigned)
                QCOMPARE(utf8, std::string(out, to));
        }
        ::iconv_close(system);
    }

    void whatIsUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("saved"); // as Windows-1252
        QTest::newRow("ascii") << QByteArray("Boston") << true << QByteArray("Boston");
        QTest::newRow("two bytes") << QByteArray("Ren\xc3\xa9") << true << QByteArray("Ren\xe9");
        QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80!") << true << QByteArray("?!");
        QTest::newRow("cut short") << QByteArray("a\xe2\x82") << false << QByteArray("a??");
        QTest::newRow("overlong") << QByteArray("\xc0\x80") << false << QByteArray("??");
        QTest::newRow("overlong three") << QByteArray("\xe0\x80\x80") << false << QByteArray("???");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << QByteArray("???");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false << QByteArray("????");
        QTest::newRow("stray continuation") << QByteArray("\x80x") << false << QByteArray("?x");
    }
    void whatIsUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(QByteArray, saved);
        const std::string text = bytes.toStdString();
        QCOMPARE(isValidUtf8(text), valid);
        std::string windows;
        appendWindows1252(windows, text);
        QCOMPARE(QByteArray::fromStdString(windows), saved);
        std::string again;
        for (size_t at = 0; at < text.size();)
            appendUtf8(again, nextCharacter(text, at));
        QCOMPARE(again == text, valid);
    }

    // Only ASCII letters change case: UTF-8's bytes and the signs next to
    // the letters in the table ('@' and '`', '[' and '{') do not.
    void asciiLetterCase() {
        QCOMPARE(asciiLower(std::string_view("\xc3\x89"
                                             "COLE St.")),
                 std::string("\xc3\x89"
                             "cole st."));
        QCOMPARE(asciiUpper(std::string_view("ma\xc3\xa9")), std::string("MA\xc3\xa9"));
        QVERIFY(equalIgnoringAsciiCase("St. LOUIS", "st. louis"));
        QVERIFY(!equalIgnoringAsciiCase("@[", "`{"));
        QVERIFY(!equalIgnoringAsciiCase("abc", "abcd"));
    }
};

QTEST_GUILESS_MAIN(TextTest)
#include "test_text.moc"
