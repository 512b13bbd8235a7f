// The search and list-all runs through the real window: row by row with a
// yield before each row, the "Stop" caption and the busy pointer, stopping,
// a start click during a run, errors, and the user's removals.
#include "support/RunStatements.h"
#include "support/TestWindow.h"
#include "support/ZipTable.h"
#include "PointerShape.h"
#include "Yielder.h"
#include "Form1.h"
#include "ResultsView.h"
#include "ScreenReaders.h"
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <set>

using namespace olvaris;
using namespace olvaris::test;

namespace {

const QString SearchCaption = QStringLiteral("Start Search");
const QString ListAllCaption = QStringLiteral("List All Cities, States and Zip Codes");

struct Window : TestWindow {
    using TestWindow::TestWindow;
    void fillWithOneRow() { add(QStringLiteral("Kept"), QStringLiteral("KS"), QString()); }
};

} // namespace

// Named as the platform's accessibility bridge names its adaptors, which
// answer the bus (absent offscreen).
class AtSpiStandIn : public QObject {
    Q_OBJECT
public:
    int others = 0;
    bool event(QEvent* event) override {
        others += event->type() == QEvent::User ? 1 : 0;
        return QObject::event(event);
    }
};

class RunsTest : public QObject {
    Q_OBJECT
    std::vector<ZipRow> m_table;

private slots:
    void initTestCase() { m_table = readShippedRows(); }

    void searchStreamsTheMatchingRowsInOrder() {
        Window w;
        w.form.Text1->setText(QStringLiteral("spring"));
        QString captionDuring;
        int pointerDuring = -1;
        w.inTurn(2, [&] {
            captionDuring = w.form.PushButton1->text();
            pointerDuring = w.form.mousePointer();
        });
        w.form.PushButton1->click();
        const auto expected = expectedSearch(m_table, QStringLiteral("spring"));
        QVERIFY(w.rows() == expected);
        QCOMPARE(w.turns, int(expected.size())); // one yield before every row
        QCOMPARE(captionDuring, QStringLiteral("Stop"));
        QCOMPARE(pointerDuring, pointer::Busy);
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        QVERIFY(w.platform.messages.empty());
        QVERIFY(!w.form.runs().StopRequested);
    }

    void listAllStreamsTheWholeTable() {
        Window w;
        w.form.yielder().setExact(false);
        w.form.PushButton3->click();
        auto expected = m_table;
        sortLikeTheDatabase(expected);
        QVERIFY(w.rows() == expected);
        QCOMPARE(w.form.PushButton3->text(), ListAllCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        QVERIFY(w.form.runs().StopRequested); // a list-all run ends with the flag set
        QVERIFY(w.platform.messages.empty());
    }

    void blankFilterStartsNothing_data() {
        QTest::addColumn<QString>("filter");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
    }
    void blankFilterStartsNothing() {
        QFETCH(QString, filter);
        Window w;
        w.fillWithOneRow();
        w.form.Text1->setText(filter);
        w.form.PushButton1->click();
        QCOMPARE(w.form.results().count(), 1);
        QCOMPARE(w.turns, 0);
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        QVERIFY(w.platform.messages.empty());
    }

    void aTabIsNotABlank() {
        Window w;
        w.form.Text1->setText(QStringLiteral("\t"));
        w.fillWithOneRow();
        w.form.PushButton1->click();
        QCOMPARE(w.form.results().count(), 0); // searched, cleared, nothing found
    }

    void aSearchThatFindsNothingEmptiesTheList() {
        Window w;
        w.fillWithOneRow();
        w.form.Text1->setText(QStringLiteral("O'Neil"));
        w.form.PushButton1->click();
        QCOMPARE(w.form.results().count(), 0);
        QVERIFY(w.platform.messages.empty());
    }

    void stopAtTheKthYieldLeavesKRows_data() {
        QTest::addColumn<bool>("listAll");
        QTest::addColumn<int>("k");
        QTest::newRow("search, first yield") << false << 1;
        QTest::newRow("search, seventh yield") << false << 7;
        QTest::newRow("list all, 25th yield") << true << 25;
    }
    void stopAtTheKthYieldLeavesKRows() {
        QFETCH(bool, listAll);
        QFETCH(int, k);
        Window w;
        QPushButton* button = listAll ? w.form.PushButton3 : w.form.PushButton1;
        const QString caption = button->text();
        w.form.Text1->setText(QStringLiteral("s"));
        QString captionAfterStop;
        int pointerAfterStop = -1;
        w.inTurn(k, [&] { w.clickLater(button); });
        w.inTurn(k + 1, [&] { QFAIL("the run went on after the stop"); });
        QObject::connect(button, &QPushButton::clicked, button, [&] {
            if (w.turns == k && pointerAfterStop < 0) { // the stop click, inside the run
                captionAfterStop = button->text();
                pointerAfterStop = w.form.mousePointer();
            }
        });
        button->click();
        QCOMPARE(w.form.results().count(), k);
        QCOMPARE(captionAfterStop, caption); // its own caption from the moment of the click
        QCOMPARE(pointerAfterStop, pointer::Busy);
        QCOMPARE(button->text(), caption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    void eachRunClearsTheStopFlag() {
        Window w;
        w.form.yielder().setExact(false);
        w.form.PushButton3->click();
        QVERIFY(w.form.runs().StopRequested);
        w.form.Text1->setText(QStringLiteral("boston"));
        w.form.PushButton1->click();
        QCOMPARE(w.rows().size(), expectedSearch(m_table, QStringLiteral("boston")).size());
    }

    void aStartClickDuringARunWaitsForItToStop() {
        Window w;
        w.form.Text1->setText(QStringLiteral("s"));
        w.inTurn(5, [&] { w.clickLater(w.form.PushButton3); });
        w.form.yielder().setExact(true);
        w.form.PushButton1->click();
        auto expected = m_table;
        sortLikeTheDatabase(expected);
        QVERIFY(w.rows() == expected); // only the list-all run's rows
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.PushButton3->text(), ListAllCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        QVERIFY(!w.form.runs().running());
    }

    void stopThenStartAgainOnTheSameButton() {
        Window w;
        w.form.Text1->setText(QStringLiteral("s"));
        w.inTurn(3, [&] {
            w.clickLater(w.form.PushButton1); // stop
            QMetaObject::invokeMethod(
                w.form.Text1, [&] { w.form.Text1->setText(QStringLiteral("boston")); }, Qt::QueuedConnection);
            w.clickLater(w.form.PushButton1); // and start again with a new filter
        });
        w.form.PushButton1->click();
        QVERIFY(w.rows() == expectedSearch(m_table, QStringLiteral("boston")));
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    // A pattern that no row matches makes the engine walk the whole table
    // before it can answer; window events run meanwhile (a turn at every
    // progress call here), and a stop interrupts the engine at once.
    void aStopWhileTheEngineLooksForTheFirstRow_data() {
        QTest::addColumn<bool>("otherButton");
        QTest::newRow("stop") << false;
        QTest::newRow("start list all") << true;
    }
    void aStopWhileTheEngineLooksForTheFirstRow() {
        QFETCH(bool, otherButton);
        Window w;
        w.fillWithOneRow();
        w.form.yielder().setEngineTurnsEveryCall(true);
        w.form.Text1->setText(QStringLiteral("%no such place"));
        QString captionInside;
        w.inTurn(1, [&] {
            captionInside = w.form.PushButton1->text();
            w.clickLater(otherButton ? w.form.PushButton3 : w.form.PushButton1);
        });
        w.inTurn(2, [&] {
            if (!otherButton)
                QFAIL("the engine went on after the stop");
        });
        w.form.PushButton1->click();
        QCOMPARE(captionInside, QStringLiteral("Stop"));
        QVERIFY(w.platform.messages.empty());
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.PushButton3->text(), ListAllCaption);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        QVERIFY(!w.form.runs().running());
        if (otherButton) {
            auto expected = m_table;
            sortLikeTheDatabase(expected);
            QVERIFY(w.rows() == expected);
        } else {
            QCOMPARE(w.rows(), (std::vector<ZipRow>{{"Kept", "KS", ""}})); // kept: the query never opened
        }
    }

    // Every command a person can give while the engine is inside a statement
    // leaves the connection alone: a start waits for the run to end.
    void commandsWhileTheEngineWorksLeaveTheConnectionAlone() {
        Window w;
        w.add(QStringLiteral("Alpha"), QStringLiteral("AL"), QStringLiteral("00001"));
        w.add(QStringLiteral("Beta"), QStringLiteral("BE"), QStringLiteral("00002"));
        QTemporaryDir output;
        const QString saved = output.filePath(QStringLiteral("during.txt"));
        w.platform.saveAnswers = {saved};
        w.form.yielder().setEngineTurnsEveryCall(true);
        w.form.Text1->setText(QStringLiteral("%no such place"));
        w.inTurn(1, [&] {
            w.form.ListView1->selectRow(0);
            w.form.ListView1_KeyDown(Qt::Key_Delete);
            w.form.PushButton5->click();
            w.form.PushButton4->click();
            w.form.PushButton6->click();
            w.form.PushButton3->click();
        });
        w.form.PushButton1->click();
        QCOMPARE(w.platform.reportedStatements(), std::vector<int>{});
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("City\tState\tZip\r\nAlpha\tAL\t00001\r\nBeta\tBE\t00002\r\n\r\n"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Alpha\tAL\t00001\r\nBeta \tBE\t00002\r\n"));
        auto expected = m_table;
        sortLikeTheDatabase(expected);
        QVERIFY(w.rows() == expected);
        QCOMPARE(w.form.PushButton1->text(), SearchCaption);
        QCOMPARE(w.form.PushButton3->text(), ListAllCaption);
    }

    void aRunWithoutAConnectionReportsEightTimes_data() {
        QTest::addColumn<bool>("listAll");
        QTest::addColumn<std::vector<int>>("statements");
        QTest::newRow("search") << false << reportsOfAFailedOpen(RunButton::Search);
        QTest::newRow("list all") << true << reportsOfAFailedOpen(RunButton::ListAll);
    }
    void aRunWithoutAConnectionReportsEightTimes() {
        QFETCH(bool, listAll);
        QFETCH(std::vector<int>, statements);
        // A damaged database: start-up reports 114 and leaves the connection closed.
        Window w(TestFolders::WithoutDatabase, [](TestFolders& folders) {
            folders.writeFile(QStringLiteral("zipbase.mdb"), TestFolders::randomBytes(4096, 5));
        });
        Form1& form = w.form;
        QCOMPARE(w.platform.reportedStatements(), std::vector<int>{114});
        w.platform.messages.clear();
        const int row = form.results().add(QStringLiteral("Kept"));
        Q_UNUSED(row);
        form.Text1->setText(QStringLiteral("spring"));
        (listAll ? form.PushButton3 : form.PushButton1)->click();
        QCOMPARE(w.platform.reportedStatements(), statements);
        const char* location = listAll ? "PushButton3_Click" : "PushButton1_Click";
        for (const ShownMessage& message : w.platform.messages)
            QVERIFY(message.text.contains(QLatin1String(location)));
        QCOMPARE(form.results().count(), 0);
        QCOMPARE(form.PushButton1->text(), SearchCaption);
        QCOMPARE(form.PushButton3->text(), ListAllCaption);
        QCOMPARE(form.mousePointer(), pointer::Default);
    }

    void missingStateOrZipIsReportedAndTheRunGoesOn() {
        Window w(TestFolders::WithoutDatabase, [](TestFolders& folders) {
            writeDatabase(folders.databasePath(), {{"Alpha", "AL", "00001"},
                                                   {QString(), "BE", "00002"},
                                                   {"Gamma", QString(), QString()},
                                                   {"Omega", "OM", "00004"}});
        });
        Form1& form = w.form;
        form.PushButton3->click();
        QCOMPARE(w.platform.reportedStatements(), (std::vector<int>{122, 124}));
        QCOMPARE(form.results().count(), 4);
        QCOMPARE(form.results().itemText(1, 1), QString()); // the missing city, shown empty
        QCOMPARE(form.results().itemText(3, 1), QStringLiteral("Gamma"));
        QCOMPARE(form.results().itemText(3, 2), QString());
        QCOMPARE(form.results().itemText(4, 3), QStringLiteral("00004"));
    }

    void listOperationsAreRefusedDuringARun() {
        Window w;
        w.form.Text1->setText(QStringLiteral("spring"));
        w.inTurn(4, [&] {
            w.form.ListView1->selectRow(0);
            w.form.ListView1_KeyDown(Qt::Key_Delete);
            w.form.ListView1_DblClick();
            w.clickLater(w.form.PushButton5);
        });
        w.form.PushButton1->click();
        QCOMPARE(w.rows().size(), expectedSearch(m_table, QStringLiteral("spring")).size());
    }

    void deleteAndDoubleClickRemoveTheSelectedRow() {
        Window w;
        w.form.Text1->setText(QStringLiteral("boston"));
        w.form.PushButton1->click();
        const auto before = w.rows();
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.results().announce();

        w.form.ListView1->selectRow(1);
        QTest::keyClick(w.form.ListView1, Qt::Key_Delete);
        QCOMPARE(w.form.results().count(), int(before.size()) - 1);
        QCOMPARE(w.form.results().itemText(2, 1), before[2].city);

        w.form.ListView1->selectRow(0);
        QTest::keyClick(w.form.ListView1, Qt::Key_Delete, Qt::ShiftModifier);
        QTest::keyClick(w.form.ListView1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w.form.results().count(), int(before.size()) - 3);

        const int count = w.form.results().count();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_A, Qt::Key_Backspace})
            QTest::keyClick(w.form.ListView1, key);
        QCOMPARE(w.form.results().count(), count);

        w.form.ListView1->selectRow(0);
        const QRect cell = w.form.ListView1->visualRect(w.form.results().index(0, 0));
        QTest::mouseDClick(w.form.ListView1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.form.results().count(), count - 1);

        w.form.ListView1->clearSelection();
        w.form.ListView1_DblClick();
        w.form.ListView1_KeyDown(Qt::Key_Delete);
        QCOMPARE(w.form.results().count(), count - 1);

        w.form.PushButton5->click();
        QCOMPARE(w.form.results().count(), 0);
        w.form.ListView1_KeyDown(Qt::Key_Delete); // empty list: nothing happens
        QVERIFY(w.platform.messages.empty());
    }

    // A run under a screen reader: the button it was started on is given a
    // new accessible identity when it reads "Stop" and again when the run
    // ends (so the reader introduces it again), and the list follows the
    // newest row a few times a second rather than at every turn.
    void aScreenReaderHearsStopAndAFewMovesOfTheList() {
        Window w;
        w.form.show();
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        w.form.Text1->setText(QStringLiteral("san"));
        w.form.PushButton1->setFocus();
        const auto identity = [&] {
            return QAccessible::uniqueId(QAccessible::queryAccessibleInterface(w.form.PushButton1));
        };
        const QAccessible::Id before = identity();
        QAccessible::Id during = 0;
        w.inTurn(2, [&] { during = identity(); });
        std::set<int> tops; // the layout sets the value again at every turn: only new ones are moves
        const QMetaObject::Connection following = connect(
            w.form.ListView1->verticalScrollBar(), &QScrollBar::valueChanged, [&](int top) { tops.insert(top); });
        pretendScreenReaderListens(true);
        QElapsedTimer clock;
        clock.start();
        w.form.PushButton1->click();
        // However quick the run, the newest row is followed at the latest
        // once the interval after the last move is up: wait for that.
        const QScrollBar* bar = w.form.ListView1->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        const qint64 took = clock.elapsed();
        pretendScreenReaderListens(false);
        disconnect(following);

        QCOMPARE(w.form.results().count(), 626);
        QVERIFY(during != before && identity() != during && identity() != before);
        const auto moves = qint64(tops.size());
        QVERIFY2(moves >= 1 && moves <= took / 250 + 2,
                 qPrintable(QStringLiteral("%1 moves in %2 ms").arg(moves).arg(took)));
    }

    // A screen reader hears a run end with its count, said with the button
    // as it is introduced again (the window shows no count), the button's
    // own description back once focus moves; and after a removal, the row
    // that takes its place in full, not its city alone.
    void aScreenReaderHearsTheRunsEndAndTheRowAfterARemoval() {
        Window w;
        w.form.show();
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        const QString own = w.form.PushButton1->accessibleDescription();
        // (Offscreen there is no bridge, and so no news to watch: what the
        // reader is given to say is the button's description as it ends.)
        pretendScreenReaderListens(true);
        for (const auto& [filter, said] : {std::pair{"san", "626 rows"}, std::pair{"qqq", "No rows"}}) {
            w.form.Text1->setText(QString::fromLatin1(filter));
            w.form.PushButton1->setFocus();
            w.form.PushButton1->click();
            QCOMPARE(w.form.PushButton1->accessibleDescription(),
                     QString::fromLatin1(said) + QStringLiteral(". ") + own);
        }
        w.form.Text1->setFocus();
        QCOMPARE(w.form.PushButton1->accessibleDescription(), own);

        w.form.Text1->setText(QStringLiteral("san"));
        w.form.PushButton1->click();
        ResultsView* list = w.form.ListView1;
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home);
        const QModelIndex first = list->model()->index(0, 0);
        const QString second = w.form.results().itemText(2, 1) + ", " + w.form.results().itemText(2, 2) + ", "
                               + w.form.results().itemText(2, 3);
        QTest::keyClick(list, Qt::Key_Delete);
        QTRY_COMPARE(first.data(Qt::AccessibleTextRole).toString(), second);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(first.data(Qt::AccessibleTextRole).toString().isEmpty());
        pretendScreenReaderListens(false);
    }

    // Between turns of a long run, calls posted to the window's thread (how a
    // screen reader's questions arrive) are answered; nothing else is.
    void aScreenReadersCallsAreAnsweredBetweenTurns() {
        Yielder yielder;
        int turns = 0;
        int between = 0;
        yielder.addBeforeTurn([&] { ++turns; });
        yielder.addBetweenTurns([&] { ++between; });
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 50)
            yielder.yield();
        QVERIFY2(between > turns, qPrintable(QStringLiteral("%1 between %2 turns").arg(between).arg(turns)));

        // Between turns only the accessibility bridge's calls are delivered
        // (learnt as they reach it in a turn): not a call queued on anything
        // else, such as a click on a command, nor other events.
        AtSpiStandIn bridge;
        QObject other;
        int bridgeCalls = 0;
        bool otherCalled = false;
        QMetaObject::invokeMethod(
            &bridge, [&] { ++bridgeCalls; }, Qt::QueuedConnection);
        pretendScreenReaderListens(true);
        answerScreenReaderCalls(); // the first time: the bridge is not known yet
        QCoreApplication::processEvents();
        QCOMPARE(bridgeCalls, 1);
        QMetaObject::invokeMethod(
            &bridge, [&] { ++bridgeCalls; }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            &other, [&] { otherCalled = true; }, Qt::QueuedConnection);
        QCoreApplication::postEvent(&bridge, new QEvent(QEvent::User));
        answerScreenReaderCalls();
        pretendScreenReaderListens(false);
        QCOMPARE(bridgeCalls, 2);
        QVERIFY(!otherCalled);
        QCOMPARE(bridge.others, 0);
        QCoreApplication::sendPostedEvents();
        QVERIFY(otherCalled);
    }

    void closingTheWindowDuringARunEndsTheProcessAtOnce() {
        TestFolders folders;
        QProcess probe;
        probe.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        probe.start(QStringLiteral(CLOSE_PROBE), {folders.appFolder()});
        QVERIFY(probe.waitForFinished(60000));
        const QString output = QString::fromUtf8(probe.readAllStandardOutput());
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY2(!output.contains(QLatin1String("run returned")), qPrintable(output.right(200)));
        QVERIFY2(output.trimmed().endsWith(QLatin1String("rows 50")), qPrintable(output.right(200)));
    }
};

QTEST_MAIN(RunsTest)
#include "test_runs.moc"
