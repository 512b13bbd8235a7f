// Saving the list as text and copying it to the clipboard, through the real
// window, real files and the real clipboard.
#include "support/Files.h"
#include "support/TestWindow.h"
#include "PointerShape.h"
#include "ExportCommands.h"
#include "ClipboardCopy.h"
#include "Form1.h"
#include "WriteTextFile.h"
#include "ResultsView.h"
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace olvaris;
using namespace olvaris::test;

namespace {

struct Window : TestWindow {
    using TestWindow::TestWindow;
    QString target(const QString& name) const { return QDir(output.path()).filePath(name); }
    QByteArray saveWith(QPushButton* button, const QString& name) {
        platform.saveAnswers.push_back(target(name));
        button->click();
        return read(target(name));
    }
    static QByteArray read(const QString& path) { return readFile(path); }
    QStringList outputFiles() const { return QDir(output.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
    // When the output folder last changed: a save's new file appearing there
    // tells that its write has begun.
    std::pair<time_t, long> folderTime() const {
        struct stat status {};
        ::stat(QFile::encodeName(output.path()).constData(), &status);
        return {status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
    }
    void addNumberedRows(int rows) {
        for (int i = 0; i < rows; ++i)
            add(QStringLiteral("City %1").arg(i), QStringLiteral("ST"), QString::number(10000 + i));
    }

    QTemporaryDir output;
};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void eachShapeIsByteExact() {
        Window w;
        w.add("c1", "s1", "z1");
        w.add("c2", "s2", "z2");
        QCOMPARE(w.saveWith(w.form.PushButton2, "zip.txt"), QByteArray("Zip\r\nz1\r\nz2\r\n\r\n"));
        QCOMPARE(w.saveWith(w.form.PushButton13, "cs.txt"), QByteArray("City\tState\r\nc1\ts1\r\nc2\ts2\r\n\r\n"));
        QCOMPARE(w.saveWith(w.form.PushButton4, "all.txt"),
                 QByteArray("City\tState\tZip\r\nc1\ts1\tz1\r\nc2\ts2\tz2\r\n\r\n"));
        QVERIFY(w.platform.messages.empty());
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    void anEmptyListWritesTheHeaderOnly() {
        Window w;
        QCOMPARE(w.saveWith(w.form.PushButton2, "zip.txt"), QByteArray("Zip\r\n\r\n"));
        QCOMPARE(w.saveWith(w.form.PushButton4, "all.txt"), QByteArray("City\tState\tZip\r\n\r\n"));
    }

    void theSeparatorIsTheBoxText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("comma and blank") << ", " << QByteArray("City, State, Zip\r\nc1, s1, z1\r\n\r\n");
        QTest::newRow("empty") << "" << QByteArray("CityStateZip\r\nc1s1z1\r\n\r\n");
        QTest::newRow("tab in small letters") << "tab" << QByteArray("CitytabStatetabZip\r\nc1tabs1tabz1\r\n\r\n");
        QTest::newRow("blank before TAB") << " TAB" << QByteArray("City TABState TABZip\r\nc1 TABs1 TABz1\r\n\r\n");
        QTest::newRow("euro sign") << QStringLiteral("€")
                                   << QByteArray("City\x80State\x80Zip\r\nc1\x80s1\x80z1\r\n\r\n");
    }
    void theSeparatorIsTheBoxText() {
        QFETCH(QString, box);
        QFETCH(QByteArray, file);
        Window w;
        w.add("c1", "s1", "z1");
        w.form.Text2->setText(box);
        QCOMPARE(w.saveWith(w.form.PushButton4, "all.txt"), file);
        // The ZIP code shape has no separator at all.
        QCOMPARE(w.saveWith(w.form.PushButton2, "zip.txt"), QByteArray("Zip\r\nz1\r\n\r\n"));
    }

    void textIsWrittenInWindows1252() {
        Window w;
        w.add(QStringLiteral("Montréal"), "QC", "H2X");
        w.add(QStringLiteral("東京 Tokyo"), QStringLiteral("Ω"), QStringLiteral("😀1"));
        QCOMPARE(w.saveWith(w.form.PushButton4, "all.txt"), QByteArray("City\tState\tZip\r\nMontr\xe9"
                                                                       "al\tQC\tH2X\r\n?? Tokyo\t?\t?1\r\n\r\n"));
    }

    void savingReplacesAFileAndKeepsTheNameAsTyped() {
        Window w;
        w.add("c1", "s1", "z1");
        QFile old(w.target("results"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
        old.close();
        QCOMPARE(w.saveWith(w.form.PushButton2, "results"), QByteArray("Zip\r\nz1\r\n\r\n"));
        QCOMPARE(w.outputFiles(), QStringList{"results"});
        QVERIFY(w.platform.messages.empty());
        const SaveDialogRequest& asked = w.platform.saveRequests.back();
        QCOMPARE(asked.title, QStringLiteral("Save"));
        QCOMPARE(asked.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        QCOMPARE(w.form.exports().dialog().flags, 0x280201);
    }

    void cancelWritesNothingAndTheDialogRemembersTheLastName() {
        Window w;
        w.add("c1", "s1", "z1");
        w.saveWith(w.form.PushButton4, "first.txt");
        w.form.setMousePointer(pointer::Custom);
        w.form.PushButton2->click(); // no answer scripted: the dialog is cancelled
        QCOMPARE(w.form.mousePointer(), pointer::Custom);
        QCOMPARE(w.outputFiles(), QStringList{"first.txt"});
        QVERIFY(w.platform.messages.empty());
        QCOMPARE(w.platform.saveRequests[1].initialName, w.target("first.txt"));
        w.form.PushButton2->click();
        QCOMPARE(w.platform.saveRequests[2].initialName, w.target("first.txt"));
    }

    void aFailedWriteIsReportedAndLeavesTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "no/such/folder/out.txt";
        QTest::newRow("a folder in the way") << "taken";
    }
    void aFailedWriteIsReportedAndLeavesTheOldFile() {
        QFETCH(QString, name);
        Window w;
        w.add("c1", "s1", "z1");
        QVERIFY(QDir(w.output.path()).mkdir("taken"));
        const QStringList before = QDir(w.output.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        w.platform.saveAnswers.push_back(w.target(name));
        w.form.PushButton4->click();
        QCOMPARE(w.platform.reportedStatements(), std::vector<int>{120});
        QVERIFY(w.platform.messages[0].text.contains(QLatin1String("PushButton4_Click at line 120")));
        QCOMPARE(QDir(w.output.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(QDir(w.target("taken")).isEmpty());
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    void aWriteCutShortByAFileSizeLimitKeepsTheOldContent() {
        Window w;
        const QString target = w.target("big.txt");
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\r\n");
        old.close();
        QProcess probe;
        probe.start(QStringLiteral(SAVE_LIMIT_PROBE), {w.folders.appFolder(), target, QStringLiteral("100000")});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()), QStringLiteral("120\npointer 0\n"));
        QCOMPARE(Window::read(target), QByteArray("old content\r\n"));
        QCOMPARE(w.outputFiles(), QStringList{"big.txt"});
    }

    // A save yields while it writes its file: a Clear clicked then is refused
    // (the pointer is busy), a second save waits until the first has written
    // its file, and each file holds exactly what a save without any click holds.
    void aSaveThatYieldsWhileWritingDefersAnotherSave() {
        Window w;
        const int rows = 60000; // the text is more than one piece of the write
        w.addNumberedRows(rows);
        const auto before = w.folderTime();
        bool clicked = false;
        w.form.yielder().addBeforeTurn([&] {
            if (clicked || w.form.mousePointer() != pointer::Busy || w.folderTime() == before)
                return;
            clicked = true;
            w.platform.saveAnswers.push_back(w.target("second.txt"));
            w.form.PushButton2->click();
            w.form.PushButton5->click();
            QVERIFY(!QFile::exists(w.target("second.txt")));
        });
        const QByteArray first = w.saveWith(w.form.PushButton4, "first.txt");
        QVERIFY(clicked);
        QCOMPARE(w.form.results().count(), rows);
        const QByteArray second = Window::read(w.target("second.txt"));
        w.form.yielder().setExact(false);
        QCOMPARE(first, w.saveWith(w.form.PushButton4, "first-again.txt"));
        QCOMPARE(second, w.saveWith(w.form.PushButton2, "second-again.txt"));
        QVERIFY(first.size() > qsizetype(WritePiece));
        QVERIFY(w.platform.messages.empty());
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    // Closing the window while a save yields in its write ends the process at
    // once; the save's new file does not stay beside its target.
    void closingTheWindowDuringASaveLeavesNoNewFile() {
        Window w;
        w.addNumberedRows(60000);
        const auto before = w.folderTime();
        bool closed = false;
        w.form.yielder().addBeforeTurn([&] {
            if (closed || w.form.mousePointer() != pointer::Busy || w.folderTime() == before)
                return;
            closed = true;
            w.form.Form_Unload();
            QCOMPARE(w.outputFiles(), QStringList());
        });
        w.saveWith(w.form.PushButton4, "closed.txt");
        QVERIFY(closed);
        QCOMPARE(w.platform.exitStatuses, std::vector<int>{EXIT_SUCCESS});
    }

    // The process ended from inside a save's yield while it writes a file in
    // place: by SIGTERM while a modal box waits (the program's own end, as
    // closing the window), or by exit() (what Qt does when the X server
    // goes). Either way every name of the file holds the whole new text.
    void anEndDuringAWriteInPlaceLeavesTheWholeNewText_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGTERM with a box open") << "signal" << 128 + SIGTERM;
        QTest::newRow("exit()") << "exit" << EXIT_FAILURE;
    }
    void anEndDuringAWriteInPlaceLeavesTheWholeNewText() {
        QFETCH(QString, how);
        QFETCH(int, status);
        Window w;
        w.form.yielder().setExact(false);
        w.form.PushButton3->click();
        w.form.Text2->setText(QStringLiteral(" | | ")); // stored, so the probe takes it too
        const QByteArray expected = w.saveWith(w.form.PushButton4, "reference.txt");
        QVERIFY(expected.size() > qsizetype(WritePiece)); // so the write yields between pieces
        QVERIFY(makeLinked(w.target("linked.txt"), w.target("other name"), QByteArray(qsizetype(3 * WritePiece), 'o')));
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), w.folders.configFolder());
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(END_PROBE), {w.folders.appFolder(), w.target("linked.txt"), how});
        QVERIFY(probe.waitForFinished(60000));
        const QByteArray output = probe.readAllStandardOutput();
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), status);
        QVERIFY2(output.isEmpty(), output.constData()); // neither the box nor the save returned
        QVERIFY(Window::read(w.target("linked.txt")) == expected);
        QVERIFY(Window::read(w.target("other name")) == expected);
    }

    // A clipboard that never takes the text is given up on after about a
    // second, not after a thousand attempts of seconds each.
    void clipboardAttemptsEndWithinTheirPatience() {
        int attempts = 0;
        const bool took = retryWithin(ClipboardPatience, MaxClipboardAttempts, [&] {
            ++attempts;
            QThread::msleep(50);
            return false;
        });
        QVERIFY(!took);
        QVERIFY2(attempts >= 2 && attempts <= int(ClipboardPatience.count() / 50) + 1,
                 qPrintable(QString::number(attempts)));
    }

    void copyPadsTheColumnsToTheirWidestText() {
        Window w;
        w.add("abc", "NY", "00501");
        w.add("abcdefghijk", "CA", "9");
        w.add("abcde", "PR", "");
        // Widths count characters as the text does: 東 one, 😀 two, é one.
        w.add(QStringLiteral("東京😀é"), QStringLiteral("Ωé"), "x");
        w.form.Text2->setText(QStringLiteral(","));
        w.form.PushButton6->click();
        const QString expected = QStringLiteral("abc        \tNY\t00501\r\n"
                                                "abcdefghijk\tCA\t9\r\n"
                                                "abcde      \tPR\t\r\n"
                                                "東京😀é      \tΩé\tx\r\n");
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(w.platform.messages.size(), size_t(1));
        QCOMPARE(w.platform.messages[0].text,
                 QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you normally "
                                "type and press Ctrl+V to paste the clipboard."));
        QCOMPARE(w.platform.messages[0].title, QStringLiteral("Olvaris"));
        QCOMPARE(w.platform.messages[0].icon, MessageIcon::None);
    }

    void copyOfAnEmptyListLeavesTheClipboardAlone() {
        Window w;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        w.form.PushButton6->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(w.platform.otherMessages().size(), 1);
    }

    // Removal and clear wait for the copy (see the sweep below); a search
    // started inside it changes the list, and that is reported, not copied.
    void aSearchStartedDuringACopyIsReportedNotCopied() {
        Window w;
        for (int i = 0; i < 10; ++i)
            w.add(QString("city %1").arg(i), "ST", "12345");
        w.form.Text1->setText(QStringLiteral("boston"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        w.inTurn(5, [&] { TestWindow::clickLater(w.form.PushButton1); });
        w.form.PushButton6->click();
        QCOMPARE(w.platform.reportedStatements(), std::vector<int>{106});
        QVERIFY(w.platform.otherMessages().isEmpty()); // no confirmation after a failure
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void aSearchStartedDuringASaveFailsTheSave() {
        Window w;
        for (int i = 0; i < 10; ++i)
            w.add(QString("city %1").arg(i), "ST", "12345");
        w.form.Text1->setText(QStringLiteral("boston"));
        w.inTurn(3, [&] {
            // Removing and clearing are refused while the save shows the busy pointer.
            w.form.ListView1->selectRow(0);
            w.form.ListView1_KeyDown(Qt::Key_Delete);
            w.form.PushButton5->click();
            QCOMPARE(w.form.results().count(), 10);
            QMetaObject::invokeMethod(w.form.PushButton1, &QPushButton::click, Qt::QueuedConnection);
        });
        w.platform.saveAnswers.push_back(w.target("all.txt"));
        w.form.PushButton4->click();
        QCOMPARE(w.platform.reportedStatements(), std::vector<int>{120});
        QVERIFY(w.outputFiles().isEmpty());
        QVERIFY(w.form.results().count() > 0); // the search ran to its end
        QCOMPARE(w.form.results().itemText(1, 1), QStringLiteral("Boston"));
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    // A command started at any yield of a save or a copy of ten rows: the
    // outer command either reports the changed list (120, 106) or gives
    // exactly the list as it was, never a row read from a list let go; a
    // Clear or a removal is refused until the outer command has ended.
    void everyYieldOfASaveOrCopyWithAnotherCommand_data() {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<int>("intruder");
        const char* intruders[] = {"search", "list all", "clear", "delete"};
        for (const bool copy : {false, true})
            for (int intruder = 0; intruder < 4; ++intruder)
                QTest::addRow("%s, %s", copy ? "copy" : "save", intruders[intruder]) << copy << intruder;
    }
    void everyYieldOfASaveOrCopyWithAnotherCommand() {
        QFETCH(bool, copy);
        QFETCH(int, intruder);
        // A table of a few rows, so a list-all inside every yield stays short.
        Window w(TestFolders::WithoutDatabase, [](TestFolders& folders) {
            writeDatabase(folders.databasePath(), {{"Boston", "MA", "02108"},
                                                   {"Boston", "MA", "02109"},
                                                   {"Bolton", "MA", "01740"},
                                                   {"Salem", "OR", "97301"}});
        });
        w.form.Text1->setText(QStringLiteral("bo"));
        const auto runCommand = [&] {
            if (copy) {
                w.form.PushButton6->click();
                return QGuiApplication::clipboard()->text().toUtf8();
            }
            QFile::remove(w.target("all.txt"));
            w.platform.saveAnswers.push_back(w.target("all.txt"));
            w.form.PushButton4->click();
            return Window::read(w.target("all.txt"));
        };
        QByteArray expected;
        int turnsOfTheCommand = 0;
        for (int k = 0; k <= turnsOfTheCommand + 1; ++k) {
            w.form.results().clear();
            w.addNumberedRows(10);
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            w.platform.messages.clear();
            w.turns = 0;
            w.actions.clear();
            w.inTurn(k, [&] {
                if (intruder < 2)
                    TestWindow::clickLater(intruder == 0 ? w.form.PushButton1 : w.form.PushButton3);
                w.form.ListView1->selectRow(intruder == 3 ? 9 : 0);
                if (intruder == 2)
                    w.form.PushButton5->click();
                if (intruder == 3)
                    w.form.ListView1_KeyDown(Qt::Key_Delete);
            });
            const QByteArray got = runCommand();
            if (k == 0) { // no intruder: what the command gives on its own
                expected = got;
                turnsOfTheCommand = w.turns;
                QVERIFY(expected.count('\n') >= 10);
                continue;
            }
            const QString turn = QStringLiteral("turn %1").arg(k);
            const std::vector<int> reported = w.platform.reportedStatements();
            if (reported.empty()) {
                QVERIFY2(got == expected, qPrintable(turn));
            } else {
                QVERIFY2(reported == std::vector<int>{copy ? 106 : 120}, qPrintable(turn));
                QVERIFY2(got == (copy ? QByteArray("before") : QByteArray("<missing>")), qPrintable(turn));
            }
            if (intruder >= 2)
                QVERIFY2(w.form.results().count() == 10, qPrintable(turn));
            QCOMPARE(w.form.mousePointer(), pointer::Default);
        }
    }

    // A save or a copy inside a run's yield reads the rows added so far, and
    // leaves the run's hold on the list as it ends: a Clear clicked after it
    // is refused, and the run gives every row.
    void aCommandEndedInsideARunLeavesTheRunBusy() {
        Window w;
        w.form.Text1->setText(QStringLiteral("spring"));
        w.inTurn(3, [&] {
            w.platform.saveAnswers.push_back(w.target("zip.txt"));
            w.form.PushButton2->click();
            w.form.PushButton6->click();
            QCOMPARE(w.form.mousePointer(), pointer::Busy);
            w.form.PushButton5->click();
            w.form.ListView1->selectRow(0);
            w.form.ListView1_KeyDown(Qt::Key_Delete);
        });
        w.form.PushButton1->click();
        QVERIFY(w.platform.reportedStatements().empty());
        QCOMPARE(Window::read(w.target("zip.txt")).count('\n'), 1 + 2 + 1); // header, the two rows so far, the end
        const int rowsWithTheCommands = w.form.results().count();
        w.form.PushButton1->click();
        QCOMPARE(rowsWithTheCommands, w.form.results().count());
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    void anySeparatorGivesExactlyTheFileNamed() {
        Window w;
        w.add("c1", "s1", "z1");
        w.add(QStringLiteral("Ñandú"), "s2", "");
        std::mt19937 random(77);
        const QString alphabet = QStringLiteral("abcTAB,;| \t\r\n\"'%_/\\.\x01") + QChar(0) + QStringLiteral("é\u00ff");
        for (int i = 0; i < 300; ++i) {
            QString typed;
            const int length = i == 0 ? 0 : int(random() % (random() % 10 == 0 ? 1000 : 4));
            for (int c = 0; c < length; ++c)
                typed += alphabet[int(random() % unsigned(alphabet.size()))];
            w.form.Text2->setText(typed);
            // A one-line box keeps what comes before a line break.
            const QString separator = w.form.Text2->text();
            QVERIFY(typed.left(separator.size()) == separator && !separator.contains(QLatin1Char('\n')));
            const QString resolved = separator == QLatin1String("TAB") ? QStringLiteral("\t") : separator;
            const QByteArray bytes = resolved.toLatin1(); // every character above is in Latin-1
            const QByteArray expected = "City" + bytes + "State" + bytes + "Zip\r\n" + "c1" + bytes + "s1" + bytes
                                        + "z1\r\n" + QStringLiteral("Ñandú").toLatin1() + bytes + "s2" + bytes
                                        + "\r\n\r\n";
            QCOMPARE(w.saveWith(w.form.PushButton4, "out.txt"), expected);
        }
        QCOMPARE(w.outputFiles(), QStringList{"out.txt"});
        QVERIFY(w.platform.messages.empty());
    }

    void anyFileNameGivesThatFileOrAReport_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written"); // empty: a report at 120 and nothing written
        QTest::newRow("dot dot inside the path") << "sub/../named.txt"
                                                 << "named.txt";
        QTest::newRow("blanks and symbols") << " a b;c'd\"e%.txt "
                                            << " a b;c'd\"e%.txt ";
        QTest::newRow("control characters") << "tab\tnew\nline"
                                            << "tab\tnew\nline";
        QTest::newRow("non-ASCII") << QStringLiteral("Zürich 東京.txt") << QStringLiteral("Zürich 東京.txt");
        QTest::newRow("a name too long") << QString(300, QLatin1Char('n')) << "";
        QTest::newRow("a folder that does not exist") << "missing/deeper/out.txt"
                                                      << "";
        QTest::newRow("the output folder itself") << "."
                                                  << "";
    }
    void anyFileNameGivesThatFileOrAReport() {
        QFETCH(QString, name);
        QFETCH(QString, written);
        Window w;
        w.add("c1", "s1", "z1");
        QDir(w.output.path()).mkdir("sub");
        w.platform.saveAnswers.push_back(w.output.path() + QLatin1Char('/') + name);
        w.form.PushButton2->click();
        QStringList expectedFiles{"sub"};
        if (written.isEmpty()) {
            QCOMPARE(w.platform.reportedStatements(), std::vector<int>{120});
        } else {
            QVERIFY(w.platform.messages.empty());
            QCOMPARE(Window::read(w.target(written)), QByteArray("Zip\r\nz1\r\n\r\n"));
            expectedFiles << written;
        }
        expectedFiles.sort();
        QStringList present = QDir(w.output.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        present.sort();
        QCOMPARE(present, expectedFiles);
        QVERIFY(QDir(w.target("sub")).isEmpty());
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }
};

QTEST_MAIN(ExportTest)
#include "test_export.moc"
