// The error trap and the error box: one report per failing statement, the
// handler going on after it, and the box's exact text.
#include "support/ScriptedPlatform.h"
#include "ApplicationTitle.h"
#include "ErrorReport.h"
#include "Locations.h"
#include <QtTest>

using namespace olvaris;
using olvaris::test::ScriptedPlatform;

class ErrorTrapTest : public QObject {
    Q_OBJECT
private slots:
    void reportTextIsExact() {
        QCOMPARE(errorReportText(location::PushButton4Click, QStringLiteral("Disk full"), 110),
                 QStringLiteral("Disk full\r\nin Trennick2021/08/31.Form1.PushButton4_Click at line 110\r\r"
                                "Please email screenshot of this message to support@tarvendel.example"));
    }

    void emptyDescriptionStartsWithLineBreak() {
        const QString text = errorReportText(location::FormLoad, QString(), 120);
        QVERIFY(text.startsWith(QStringLiteral("\r\nin Trennick2021/08/31.Form1.Form_Load at line 120\r\r")));
    }

    void boxHasTitleIconAndText() {
        ScriptedPlatform platform;
        ErrorReport(platform, location::PushButton7Click, QStringLiteral("boom"), 100);
        QCOMPARE(platform.messages.size(), size_t(1));
        QCOMPARE(platform.messages[0].title, QStringLiteral("Application Error"));
        QCOMPARE(platform.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(platform.messages[0].text, errorReportText(location::PushButton7Click, QStringLiteral("boom"), 100));
    }

    void failingStatementIsReportedAndHandlerGoesOn() {
        ScriptedPlatform platform;
        Trap trap = trapFor(location::FormLoad, platform);
        QStringList ran;
        trap.statement(100, [&] {
            ran << "100";
            throw Failure(Error::Kind::Input, QStringLiteral("first"));
        });
        trap.statement(102, [&] { ran << "102"; });
        trap.statement(104, [&] { throw Failure(Error::Kind::Input, QStringLiteral("second")); });
        trap.statement(106, [&] { ran << "106"; });
        QCOMPARE(ran, (QStringList{"100", "102", "106"}));
        QCOMPARE(platform.reportedStatements(), (std::vector<int>{100, 104}));
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("first\r\n")));
        QVERIFY(platform.messages[1].text.startsWith(QStringLiteral("second\r\n")));
    }

    void failingHeadTestRunsTheBody() {
        ScriptedPlatform platform;
        Trap trap = trapFor(location::FormLoad, platform);
        bool bodyRan = false;
        if (trap.headTest(118, []() -> bool { throw Failure(Error::Kind::Input, QStringLiteral("test failed")); }))
            bodyRan = true;
        QVERIFY(bodyRan);
        QCOMPARE(platform.reportedStatements(), std::vector<int>{118});
        // A head test that answers false does not run the body and reports nothing.
        QVERIFY(!trap.headTest(118, [] { return false; }));
        QCOMPARE(platform.messages.size(), size_t(1));
    }

    void failingClosingTestLeavesTheLoop() {
        ScriptedPlatform platform;
        Trap trap = trapFor(location::PushButton1Click, platform);
        int rounds = 0;
        do {
            ++rounds;
        } while (trap.closingTest(134, [&]() -> bool {
            if (rounds == 3)
                throw Failure(Error::Kind::Input, QStringLiteral("closed"));
            return true;
        }));
        QCOMPARE(rounds, 3);
        QCOMPARE(platform.reportedStatements(), std::vector<int>{134});
    }

    void outOfMemoryIsReportedLikeAnyFailure() {
        ScriptedPlatform platform;
        Trap trap = trapFor(location::PushButton6Click, platform);
        trap.statement(106, [] { throw std::bad_alloc(); });
        QCOMPARE(platform.reportedStatements(), std::vector<int>{106});
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("Out of memory\r\n")));
    }

    // The window's failures are of the libraries' one family: a caller
    // that catches olvaris::Error has the kind, and the text as UTF-8.
    void failureIsAnErrorOfItsKind() {
        try {
            throw Failure(Error::Kind::Database, QString::fromUtf8("Caf\xC3\xA9 closed"));
        } catch (const Error& error) {
            QCOMPARE(error.kind(), Error::Kind::Database);
            QCOMPARE(QByteArray(error.what()), QByteArray("Caf\xC3\xA9 closed"));
            return;
        }
        QFAIL("a Failure is not an Error");
    }

    void locationTextsAreExact() {
        const char* const all[] = {location::FormLoad,          location::FormQueryUnload,  location::PushButton1Click,
                                   location::PushButton3Click,  location::PushButton5Click, location::PushButton2Click,
                                   location::PushButton13Click, location::PushButton4Click, location::PushButton6Click,
                                   location::PushButton7Click};
        const char* const handlers[] = {
            "Form_Load",         "Form_QueryUnload",   "PushButton1_Click", "PushButton3_Click", "PushButton5_Click",
            "PushButton2_Click", "PushButton13_Click", "PushButton4_Click", "PushButton6_Click", "PushButton7_Click"};
        for (size_t i = 0; i < std::size(all); ++i)
            QCOMPARE(QString::fromUtf8(all[i]), QStringLiteral("in Trennick2021/08/31.Form1.")
                                                    + QString::fromUtf8(handlers[i]) + QLatin1Char(' '));
    }

    void titleIsCutAtTheLastBlank_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("no blank keeps the name") << "Olvaris"
                                                 << "Olvaris";
        QTest::newRow("short name is cut once") << "Zip Code Finder"
                                                << "Zip Code";
        // 55 characters, last blank at position 47, the one before at 38:
        // the first cut leaves 46 characters, the second 37.
        const QString longName = QString(37, QLatin1Char('a')) + QLatin1Char(' ') + QString(8, QLatin1Char('b'))
                                 + QLatin1Char(' ') + QString(8, QLatin1Char('c'));
        QTest::newRow("long name is cut until it fits") << longName << QString(37, QLatin1Char('a'));
    }
    void titleIsCutAtTheLastBlank() {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle::shortened(name), title);
    }

    void titleStartsAsTheProductName() {
        ApplicationTitle::reset();
        QCOMPARE(ApplicationTitle::current(), QStringLiteral("Olvaris"));
    }
};

QTEST_GUILESS_MAIN(ErrorTrapTest)
#include "test_error_trap.moc"
