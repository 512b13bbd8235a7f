// Start-up from the program's folder: the database test, the connection, the
// caption and title, the hand pointer, the home-page draw, the list's columns
// and the stored separator; and closing the window.
#include "support/ScriptedPlatform.h"
#include "support/TestFolders.h"
#include "support/ZipTable.h"
#include "ApplicationTitle.h"
#include "Failure.h"
#include "Branding.h"
#include "SettingsStore.h"
#include "Form1.h"
#include "AppFiles.h"
#include "CommandLine.h"
#include "SystemPath.h"
#include "TerminationSignals.h"
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include "ResultsView.h"
#include <QtTest>
#include <sys/stat.h>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

using namespace olvaris;
using olvaris::test::ScriptedPlatform;
using olvaris::test::TestFolders;
using olvaris::test::ZipRow;

namespace {
void storeSeparator(const QString& value) {
    SettingsStore::Save(QString::fromUtf8(branding::SettingsApplicationKey),
                        QString::fromUtf8(branding::SettingsSection), QString::fromUtf8(SeparatingCharacterKey), value);
}
QString storedSeparator() {
    return SettingsStore::Read(QString::fromUtf8(branding::SettingsApplicationKey),
                               QString::fromUtf8(branding::SettingsSection), QString::fromUtf8(SeparatingCharacterKey),
                               QStringLiteral("<absent>"));
}
} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    // A termination signal the parent chose to ignore (nohup's SIGHUP, a
    // background job's SIGINT) stays ignored; the others reach the program
    // through its event loop.
    void anIgnoredTerminationSignalStaysIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        struct sigaction before {};
        QVERIFY(::sigaction(SIGINT, &ignore, &before) == 0);
        std::vector<int> arrived;
        {
            const TerminationSignals routed([&](int signal) { arrived.push_back(signal); });
            std::raise(SIGINT);
            std::raise(SIGTERM);
            QTRY_COMPARE(arrived, std::vector<int>{SIGTERM});
            struct sigaction now {};
            ::sigaction(SIGINT, nullptr, &now);
            QVERIFY(now.sa_handler == SIG_IGN);
        }
        ::sigaction(SIGINT, &before, nullptr);
    }

    void missingDatabaseShowsTheMessageAndEndsTheProcess() {
        TestFolders folders(TestFolders::WithoutDatabase);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();

        QCOMPARE(platform.messages.size(), size_t(1));
        QCOMPARE(platform.messages[0].text, QDir::toNativeSeparators(folders.appFolder()) + "/zipbase.mdb not found.");
        QCOMPARE(platform.messages[0].title, QStringLiteral("Olvaris"));
        QCOMPARE(platform.messages[0].icon, MessageIcon::None);
        QCOMPARE(platform.exitStatuses, std::vector<int>{1});
        QVERIFY(form.loadEndedProcess());
        QVERIFY(!form.zipConnection());
        QVERIFY(!form.isVisible());
        QCOMPARE(form.results().headerCount(), 0);
    }

    void theCommandLineIsReadStrictly_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("database");
        using Action = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << int(Action::Run) << "";
        QTest::newRow("a database") << QStringList{"--database", "a b.mdb"} << int(Action::Run) << "a b.mdb";
        QTest::newRow("a database with =") << QStringList{"--database=x.mdb"} << int(Action::Run) << "x.mdb";
        QTest::newRow("help after a database") << QStringList{"--database", "x", "--help"} << int(Action::Help) << "x";
        QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << "";
        QTest::newRow("no file") << QStringList{"--database"} << int(Action::Refuse) << "";
        QTest::newRow("an empty file") << QStringList{"--database="} << int(Action::Refuse) << "";
        QTest::newRow("an unknown option") << QStringList{"-stylesheet", "x.qss"} << int(Action::Refuse) << "";
        QTest::newRow("a bare argument") << QStringList{"x.mdb"} << int(Action::Refuse) << "";
    }
    void theCommandLineIsReadStrictly() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, database);
        const CommandLine line = parseCommandLine(arguments);
        QCOMPARE(int(line.action), action);
        if (line.action == CommandLine::Action::Refuse)
            QVERIFY(!line.complaint.isEmpty());
        else
            QCOMPARE(line.database, database);
    }

    // A database named on the command line is opened instead of the one
    // beside the program; a missing one is met as the shipped one would be.
    void aDatabaseNamedOnTheCommandLine() {
        TestFolders folders(TestFolders::WithoutDatabase);
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath("mine.mdb");
        AppFiles::overrideDatabase(other);
        {
            ScriptedPlatform platform;
            Form1 form(platform);
            form.Form_Load();
            QCOMPARE(platform.messages.size(), size_t(1));
            QCOMPARE(platform.messages[0].text, QDir::toNativeSeparators(other) + " not found.");
            QCOMPARE(platform.exitStatuses, std::vector<int>{1});
        }
        // Named in Latin-1, as the command line gives it: the bytes are
        // the file's, though they are not UTF-8.
        test::writeDatabase(other, {{"Elsewhere", "EW", "00001"}});
        const QByteArray latin1 = QFile::encodeName(elsewhere.path()) + "/caf\xe9.mdb";
        QCOMPARE(std::rename(QFile::encodeName(other).constData(), latin1.constData()), 0);
        // Qt could not name it to remove the folder.
        const std::unique_ptr<const char, void (*)(const char*)> removed(latin1.constData(),
                                                                         [](const char* name) { std::remove(name); });
        AppFiles::overrideDatabase(fromSystemBytes(latin1));
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        form.PushButton3->click();
        AppFiles::overrideDatabase({});
        QVERIFY(platform.messages.empty());
        QCOMPARE(test::listedRows(form.results()), (std::vector<ZipRow>{{"Elsewhere", "EW", "00001"}}));
    }

    void fileNamesKeepTheirBytes() {
        for (const QByteArray& bytes : {QByteArray("caf\xe9"), QByteArray("caf\xc3\xa9"), QByteArray("\xed\xb3\xa9"),
                                        QByteArray("\xf0\x9f\x93\xae x"), QByteArray("a\xc3"), QByteArray("\xff\xfe")})
            QCOMPARE(toSystemBytes(fromSystemBytes(bytes)), bytes);
        QCOMPARE(fromSystemBytes("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    }

    // A database named on the command line is taken as named, a hidden file
    // too; a folder, a pipe or a device there is said to be one.
    void aNamedDatabaseThatIsNoFileIsSaidToBeOne_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("folder") << "folder"
                                << " is a folder, not a database.";
        QTest::newRow("pipe") << "pipe"
                              << " is not a file (a pipe or a device), not a database.";
        QTest::newRow("device") << "device"
                                << " is not a file (a pipe or a device), not a database.";
        QTest::newRow("hidden file") << "hidden"
                                     << "";
    }
    void aNamedDatabaseThatIsNoFileIsSaidToBeOne() {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        TestFolders folders(TestFolders::WithoutDatabase);
        QTemporaryDir elsewhere;
        QString named = elsewhere.filePath("mine.mdb");
        if (kind == "folder")
            QVERIFY(QDir().mkpath(named));
        else if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(named).constData(), 0600), 0);
        else if (kind == "device")
            named = QStringLiteral("/dev/zero");
        else
            test::writeDatabase(named = elsewhere.filePath(".mine.mdb"), {{"Hidden", "HI", "00002"}});
        AppFiles::overrideDatabase(named);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        AppFiles::overrideDatabase({});
        if (said.isEmpty()) {
            QVERIFY(platform.messages.empty());
            QCOMPARE(platform.processEnds, 0);
            return;
        }
        QCOMPARE(platform.messages.size(), size_t(1));
        QCOMPARE(platform.messages[0].text, named + said);
        QCOMPARE(platform.processEnds, 1);
    }

    void aFolderNamedLikeTheDatabaseIsMissing() {
        TestFolders folders(TestFolders::WithoutDatabase);
        QVERIFY(QDir().mkpath(folders.databasePath()));
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.processEnds, 1);
    }

    // The program's folder, where the database is looked for: the kernel's
    // link, else the path the program was started by; a link planted on
    // another file system is not trusted, and where nothing tells the
    // folder there is none (the working folder is never taken for it).
    void theProgramsFolderIsWhatTheSystemTells() {
        QCOMPARE(AppFiles::programFolderFrom("/proc/self/exe", nullptr),
                 QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path());
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), root + QStringLiteral("/exe")));
        const QByteArray planted = QFile::encodeName(root + QStringLiteral("/exe"));
        // Started by a link: the folder of the file it leads to.
        QCOMPARE(AppFiles::programFolderFrom(planted.constData(), planted.constData()), QStringLiteral("/etc"));
        QVERIFY(AppFiles::programFolderFrom(planted.constData(), nullptr).isEmpty());
        QVERIFY(AppFiles::programFolderFrom("/nowhere/exe", "olvaris-nowhere").isEmpty());
    }

    void normalStartUp() {
        TestFolders folders;
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();

        QVERIFY(platform.messages.empty());
        QCOMPARE(platform.processEnds, 0);
        QVERIFY(form.zipConnection() && form.zipConnection()->state() != 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Olvaris"));
        QVERIFY(!form.windowIcon().isNull());
        QCOMPARE(ApplicationTitle::current(), QStringLiteral("Olvaris"));
        QVERIFY(!form.customPointerImage().has_value());
        QVERIFY(platform.openedUrls.isEmpty());

        QCOMPARE(form.results().headerCount(), 3);
        QCOMPARE(form.results().headerText(1), QStringLiteral("City"));
        QCOMPARE(form.results().headerText(2), QStringLiteral("State"));
        QCOMPARE(form.results().headerText(3), QStringLiteral("Zip"));
        QCOMPARE(form.ListView1->columnWidth(0), 347); // 5200 twips
        QCOMPARE(form.ListView1->columnWidth(1), 100); // 1500 twips
        QCOMPARE(form.ListView1->columnWidth(2), 100);
        QCOMPARE(form.results().count(), 0);
        QCOMPARE(form.Text2->text(), QStringLiteral("TAB"));
    }

    void damagedDatabaseIsReportedAndTheWindowComesUp() {
        TestFolders folders;
        QFile::remove(folders.databasePath());
        folders.writeFile(QStringLiteral("zipbase.mdb"), TestFolders::randomBytes(8192, 42));
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();

        QCOMPARE(platform.reportedStatements(), std::vector<int>{114});
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("file is not a database\r\n")));
        QCOMPARE(platform.processEnds, 0);
        QCOMPARE(form.zipConnection()->state(), 0);
        QCOMPARE(form.results().headerCount(), 3);
        QCOMPARE(form.windowTitle(), QStringLiteral("Olvaris"));
    }

    void databaseWithoutTheTableIsReportedAtOpen() {
        TestFolders folders;
        QFile::remove(folders.databasePath());
        folders.writeFile(QStringLiteral("zipbase.mdb"), QByteArray());
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.reportedStatements(), std::vector<int>{114});
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("no such table: zip_codes\r\n")));
    }

    void failingConnectionCreationIsReportedFourTimes() {
        TestFolders folders;
        ScriptedPlatform platform;
        Form1 form(platform);
        form.setConnectionFactory([]() -> std::unique_ptr<ZipConnection> {
            throw Failure(Error::Kind::Input, QStringLiteral("ActiveX component can't create object"));
        });
        form.Form_Load();
        QCOMPARE(platform.reportedStatements(), (std::vector<int>{110, 112, 112, 114}));
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("ActiveX component can't create object\r\n")));
        QCOMPARE(form.results().headerCount(), 3);
    }

    void storedSeparatorFillsTheBoxAndStaysStored_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("comma") << ",";
        QTest::newRow("empty") << "";
        QTest::newRow("semicolon and blank") << "; ";
    }
    void storedSeparatorFillsTheBoxAndStaysStored() {
        QFETCH(QString, stored);
        TestFolders folders;
        storeSeparator(stored);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(form.Text2->text(), stored);
        QCOMPARE(storedSeparator(), stored);
    }

    void typingInTheSeparatorBoxStoresEveryChange() {
        TestFolders folders;
        ScriptedPlatform platform;
        {
            Form1 form(platform);
            form.Form_Load();
            form.Text2->clear();
            QCOMPARE(storedSeparator(), QString());
            QTest::keyClick(form.Text2, Qt::Key_Semicolon);
            QCOMPARE(storedSeparator(), QStringLiteral(";"));
            QTest::keyClick(form.Text2, Qt::Key_Space);
            QCOMPARE(storedSeparator(), QStringLiteral("; "));
        }
        Form1 next(platform);
        next.Form_Load();
        QCOMPARE(next.Text2->text(), QStringLiteral("; "));
    }

    void handPointerIsLoadedWhenItsFileIsThere() {
        TestFolders folders;
        QVERIFY(QFile::copy(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/HAND-M.CUR"), folders.filePath("HAND-M.CUR")));
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QVERIFY(platform.messages.empty());
        QVERIFY(form.customPointerImage().has_value());
        QCOMPARE(form.customPointerImage()->hotSpot(), QPoint(12, 1));
    }

    void homePageOpensOnlyOnSeven_data() {
        QTest::addColumn<int>("draw");
        QTest::addColumn<bool>("opens");
        QTest::newRow("1") << 1 << false;
        QTest::newRow("7") << 7 << true;
        QTest::newRow("100") << 100 << false;
    }
    void homePageOpensOnlyOnSeven() {
        QFETCH(int, draw);
        QFETCH(bool, opens);
        TestFolders folders;
        ScriptedPlatform platform;
        platform.draw = draw;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.openedUrls, opens ? QStringList{QString::fromUtf8(branding::HomePage)} : QStringList{});
    }

    void closingTheWindowEndsTheProcess() {
        TestFolders folders;
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool eventRanBeforeTheEnd = false;
        QMetaObject::invokeMethod(
            &form, [&] { eventRanBeforeTheEnd = platform.processEnds == 0; }, Qt::QueuedConnection);
        form.close();
        QVERIFY(eventRanBeforeTheEnd); // the one yield of the close ran the queued event
        QCOMPARE(platform.exitStatuses, std::vector<int>{0});
        QVERIFY(platform.messages.empty());
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
