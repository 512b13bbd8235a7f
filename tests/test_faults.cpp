// Faults of the environment: damaged or foreign database files, a database
// locked by another process, unusable optional files and settings, and
// files the user may not read or write. Each gives its report or its
// default; none crashes, hangs, or writes the program's folder.
#include "support/RunStatements.h"
#include "support/TestWindow.h"
#include "support/ZipTable.h"
#include "Branding.h"
#include "PointerShape.h"
#include "SettingsStore.h"
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>
#include <sqlite3.h>
#include <unistd.h>

using namespace olvaris;
using namespace olvaris::test;

namespace {

// Every file of a folder with its bytes' checksum: what "nothing written" compares.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly)
                               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                               : QByteArray("<folder>"));
    }
    return files;
}

// Starts the window over the current test folder and runs a list-all and a search.
struct Started {
    Started() : form(platform) {
        form.Form_Load();
        form.PushButton3->click();
        form.Text1->setText(QStringLiteral("spring"));
        form.PushButton1->click();
    }
    ScriptedPlatform platform;
    Form1 form;
};

bool runningAsRoot() { return geteuid() == 0; }

} // namespace

class FaultsTest : public QObject {
    Q_OBJECT
private slots:
    void foreignDatabasesAreReportedAtOpen_data() {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("description");
        QTest::newRow("no zip_codes table")
            << QByteArray("CREATE TABLE places (city TEXT, state TEXT, zip TEXT);") << "no such table: zip_codes";
        QTest::newRow("no zip column") << QByteArray("CREATE TABLE zip_codes (city TEXT, state TEXT);")
                                       << "no such column: zip";
        QTest::newRow("a recursive view") << QByteArray(RecursiveView) << "zip_codes is not a table";
        QTest::newRow("a generated column")
            << QByteArray("CREATE TABLE zip_codes (city TEXT, state TEXT, "
                          "zip TEXT GENERATED ALWAYS AS (zeroblob(900000000)) VIRTUAL);"
                          "INSERT INTO zip_codes (city, state) VALUES ('a', 'b'), ('c', 'd');")
            << "zip_codes has generated columns";
    }
    void foreignDatabasesAreReportedAtOpen() {
        QFETCH(QByteArray, sql);
        QFETCH(QString, description);
        TestFolders folders(TestFolders::WithoutDatabase);
        runSql(folders.databasePath(), sql.constData());
        Started started;
        const std::vector<int> reports = started.platform.reportedStatements();
        QCOMPARE(reports.front(), 114);
        QVERIFY(started.platform.messages[0].text.startsWith(description));
        // Both runs then report their closed row sets, list-all first.
        std::vector<int> expected{114};
        for (const RunButton run : {RunButton::ListAll, RunButton::Search})
            for (const int statement : reportsOfAFailedOpen(run))
                expected.push_back(statement);
        QCOMPARE(reports, expected);
        QCOMPARE(started.form.mousePointer(), pointer::Default);
        QCOMPARE(started.form.PushButton3->text(), QStringLiteral("List All Cities, States and Zip Codes"));
    }

    void aTruncatedDatabaseIsReportedAndNothingHangs() {
        TestFolders folders;
        QFile database(folders.databasePath());
        QVERIFY(database.resize(database.size() / 3));
        const auto before = snapshot(folders.appFolder());
        Started started;
        QVERIFY(!started.platform.reportedStatements().empty());
        QVERIFY2(started.platform.messages[0].text.startsWith(QLatin1String("database disk image is malformed")),
                 qPrintable(started.platform.messages[0].text));
        QCOMPARE(started.form.mousePointer(), pointer::Default);
        QCOMPARE(snapshot(folders.appFolder()), before);
    }

    void aDatabaseLockedByAnotherProcessIsReportedAfterAShortWait() {
        TestWindow w;
        QProcess holder;
        holder.start(QStringLiteral("sqlite3"), {w.folders.databasePath()});
        QVERIFY(holder.waitForStarted());
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));

        QElapsedTimer timer;
        timer.start();
        w.form.Text1->setText(QStringLiteral("spring"));
        w.form.PushButton1->click();
        const qint64 waited = timer.elapsed();
        holder.closeWriteChannel();
        holder.waitForFinished(10000);

        // The open waits, then fails; the statements after it that need the
        // row set report that it is closed.
        QCOMPARE(w.platform.reportedStatements(), reportsOfAFailedOpen(RunButton::Search));
        const QStringList reports = w.platform.errorTexts();
        QVERIFY2(reports.front().startsWith(QLatin1String("database is locked\r\n"))
                     && reports.front().contains(QLatin1String(".PushButton1_Click at line 114")),
                 qPrintable(reports.front()));
        for (const QString& report : reports.mid(1))
            QVERIFY2(!report.startsWith(QLatin1String("database is locked"))
                         && report.contains(QLatin1String(".PushButton1_Click at line ")),
                     qPrintable(report));
        QVERIFY2(waited < 4LL * ZipConnection::BusyTimeoutMilliseconds, qPrintable(QString::number(waited)));
        QCOMPARE(w.form.PushButton1->text(), QStringLiteral("Start Search"));
        QCOMPARE(w.form.mousePointer(), pointer::Default);

        // Once the other process lets go, the same search works.
        w.platform.messages.clear();
        w.form.PushButton1->click();
        QVERIFY(w.platform.reportedStatements().empty());
        QVERIFY(w.rows() == expectedSearch(readShippedRows(), QStringLiteral("spring")));
    }

    void theProgramFolderIsNeverWritten() {
        TestFolders folders;
        const auto before = snapshot(folders.appFolder());
        {
            Started started;
            QVERIFY(started.platform.reportedStatements().empty());
            QVERIFY(listedRows(started.form.results()) == expectedSearch(readShippedRows(), QStringLiteral("spring")));
        }
        QCOMPARE(snapshot(folders.appFolder()), before);
    }

    void unusableHandPointerFiles_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("zero bytes") << 0;
        QTest::newRow("a folder by that name") << 1;
        QTest::newRow("a cursor cut short") << 2;
        QTest::newRow("random bytes") << 3;
    }
    void unusableHandPointerFiles() {
        QFETCH(int, kind);
        TestFolders folders;
        if (kind == 0)
            folders.writeFile(QStringLiteral("HAND-M.CUR"), QByteArray());
        else if (kind == 1)
            QVERIFY(QDir().mkpath(folders.filePath(QStringLiteral("HAND-M.CUR"))));
        else if (kind == 2) {
            QFile shipped(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/HAND-M.CUR"));
            QVERIFY(shipped.open(QIODevice::ReadOnly));
            folders.writeFile(QStringLiteral("HAND-M.CUR"), shipped.read(200));
        } else {
            folders.writeFile(QStringLiteral("HAND-M.CUR"), TestFolders::randomBytes(766, 3));
        }
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.reportedStatements(), std::vector<int>{120});
        QVERIFY(!form.customPointerImage().has_value());
        QCOMPARE(form.results().headerCount(), 3);
    }

    void unusableSettingsFilesGiveTheDefault_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("a folder in its place") << 0;
        QTest::newRow("garbage") << 1;
    }
    void unusableSettingsFilesGiveTheDefault() {
        QFETCH(int, kind);
        TestFolders folders;
        const QString file = SettingsStore::fileFor(QString::fromUtf8(branding::SettingsApplicationKey));
        if (kind == 0) {
            QVERIFY(QDir().mkpath(file));
        } else {
            QDir().mkpath(QFileInfo(file).path());
            QFile garbage(file);
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(TestFolders::randomBytes(2048, 17));
        }
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(form.Text2->text(), QStringLiteral("TAB"));
        QVERIFY(platform.messages.empty());
        // A change is stored where the store can be written (garbage is
        // replaced), and a folder in the file's place is left as it is.
        form.Text2->setText(QStringLiteral(";"));
        const QString stored = SettingsStore::Read(QString::fromUtf8(branding::SettingsApplicationKey),
                                                   QString::fromUtf8(branding::SettingsSection),
                                                   QString::fromUtf8(SeparatingCharacterKey), QStringLiteral("none"));
        QCOMPARE(stored, kind == 0 ? QStringLiteral("none") : QStringLiteral(";"));
        QCOMPARE(QFileInfo(file).isDir(), kind == 0);
        QVERIFY(platform.messages.empty());
    }

    // Permissions bind an ordinary user only: run as root, this test runs its
    // permission cases again as the user "nobody".
    void filesTheUserMayNotReadOrWrite() {
        if (runningAsRoot()) {
            QProcess asNobody;
            asNobody.setProcessChannelMode(QProcess::MergedChannels);
            asNobody.start(QStringLiteral("setpriv"),
                           {"--reuid=65534", "--regid=65534", "--clear-groups", QCoreApplication::applicationFilePath(),
                            "filesTheUserMayNotReadOrWrite"});
            QVERIFY(asNobody.waitForFinished(120000));
            const QByteArray output = asNobody.readAll();
            QVERIFY2(asNobody.exitCode() == 0, output.constData());
            QVERIFY2(output.contains("Totals: 3 passed"), output.constData());
            return;
        }
        TestFolders folders;
        // An unreadable hand pointer and skin: reported at 120 and 106.
        folders.writeFile(QStringLiteral("HAND-M.CUR"), QByteArray("x"));
        folders.writeFile(QStringLiteral("x/o.cjs"), QByteArray("QWidget {}"));
        QFile::setPermissions(folders.filePath("HAND-M.CUR"), QFileDevice::WriteOwner);
        QFile::setPermissions(folders.filePath("x/o.cjs"), QFileDevice::WriteOwner);
        // An unreadable, unwritable settings file holding a comma.
        const QString settings = SettingsStore::fileFor(QString::fromUtf8(branding::SettingsApplicationKey));
        QDir().mkpath(QFileInfo(settings).path());
        QFile stored(settings);
        QVERIFY(stored.open(QIODevice::WriteOnly));
        stored.write("[Olvaris]\nSeparating%20Character=\",\"\n");
        stored.close();
        QFile::setPermissions(settings, QFileDevice::Permissions());
        // The program's folder read-only.
        QFile::setPermissions(folders.appFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);

        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.reportedStatements(), (std::vector<int>{106, 120}));
        QCOMPARE(form.Text2->text(), QStringLiteral("TAB"));
        form.PushButton3->click();
        QCOMPARE(form.results().count(), 42010);
        QCOMPARE(platform.reportedStatements().size(), size_t(2));

        // Save targets: a read-only file keeps its content, a read-only folder gets nothing.
        QTemporaryDir output;
        const QString readOnlyFile = output.filePath(QStringLiteral("kept.txt"));
        QFile kept(readOnlyFile);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("old");
        kept.close();
        QFile::setPermissions(readOnlyFile, QFileDevice::ReadOwner);
        const QString readOnlyFolder = output.filePath(QStringLiteral("locked"));
        QDir().mkdir(readOnlyFolder);
        QFile::setPermissions(readOnlyFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        platform.saveAnswers = {readOnlyFile, readOnlyFolder + QStringLiteral("/new.txt")};
        form.PushButton2->click();
        form.PushButton2->click();
        QCOMPARE(platform.reportedStatements(), (std::vector<int>{106, 120, 120, 120}));
        QFile again(readOnlyFile);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("old"));
        QCOMPARE(QDir(output.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"kept.txt", "locked"}));
        QVERIFY(QDir(readOnlyFolder).isEmpty());
        QFile::setPermissions(folders.appFolder(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(readOnlyFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

QTEST_MAIN(FaultsTest)
#include "test_faults.moc"
