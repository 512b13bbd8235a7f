// The per-user settings store: exact values, on disk at once, isolated by
// application key and section, and harmless when its file is unusable.
#include "support/TestFolders.h"
#include "Branding.h"
#include "PendingSetting.h"
#include "SettingsStore.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

using namespace olvaris;
using olvaris::test::TestFolders;

namespace {
const QString App = QString::fromUtf8(branding::SettingsApplicationKey);
const QString Section = QString::fromUtf8(branding::SettingsSection);
const QString Key = QString::fromUtf8(SeparatingCharacterKey);

QString readSeparator() { return SettingsStore::Read(App, Section, Key, QStringLiteral("TAB")); }

QString probe(const TestFolders& folders, const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(SETTINGS_PROBE), QStringList{folders.configFolder()} + arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}
} // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    void absentValueGivesTheDefault() {
        TestFolders folders;
        QCOMPARE(readSeparator(), QStringLiteral("TAB"));
    }

    // A settings file or lock that is a named pipe, or a settings file no
    // real one could be: never opened, so neither the start nor a keystroke
    // waits; the default stands, nothing is stored, one line tells why.
    void storesThatMustNotBeOpenedAreLeftAlone_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("pipe");
        QTest::newRow("the settings file a pipe") << "Tarvendel.ini" << true;
        QTest::newRow("its lock a pipe") << "Tarvendel.ini.lock" << true;
        QTest::newRow("the settings file of 2 MB") << "Tarvendel.ini" << false;
    }
    void storesThatMustNotBeOpenedAreLeftAlone() {
        QFETCH(QString, name);
        QFETCH(bool, pipe);
        TestFolders folders;
        const QString path = QDir(folders.configFolder()).filePath(name);
        if (pipe) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else {
            QFile big(path);
            QVERIFY(big.open(QIODevice::WriteOnly));
            big.write("[Olvaris]\nSeparating%20Character=;\n" + QByteArray(2 << 20, '\n'));
        }
        for (const QStringList& arguments : {QStringList{"read", Key}, QStringList{"type", Key, ","}}) {
            QProcess process;
            process.start(QStringLiteral(SETTINGS_PROBE), QStringList{folders.configFolder()} + arguments);
            QVERIFY2(process.waitForFinished(10000), qPrintable(arguments.join(' ')));
            QCOMPARE(process.readAllStandardOutput(), arguments[0] == "read" ? QByteArray("<absent>") : "typed");
            const QByteArray told = process.readAllStandardError();
            QVERIFY2(told.startsWith("olvaris: settings not read or stored: ") && told.count('\n') == 1, told);
        }
        QCOMPARE(QFileInfo(path).isFile(), !pipe); // a pipe stays a pipe, the large file as it was
        if (!pipe)
            QCOMPARE(QFileInfo(path).size(), qint64(35 + (2 << 20)));
    }

    void valuesRoundTripExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("comma") << ",";
        QTest::newRow("semicolon and blank") << "; ";
        QTest::newRow("leading and trailing blanks") << "  x  ";
        QTest::newRow("tab") << "\t";
        QTest::newRow("empty is a value") << "";
        QTest::newRow("quote and backslash") << "\"\\";
        QTest::newRow("at sign") << "@Variant(x)";
        QTest::newRow("equals and hash") << "=#;";
        QTest::newRow("non-ASCII") << QStringLiteral("é→");
        QTest::newRow("lowercase keyword") << "tab";
    }
    void valuesRoundTripExactly() {
        QFETCH(QString, value);
        TestFolders folders;
        QVERIFY(SettingsStore::Save(App, Section, Key, value));
        QCOMPARE(readSeparator(), value);
        QVERIFY(!readSeparator().isNull());
    }

    // A lock on the store (another instance writing, or one a crash left a
    // moment ago) never holds a keystroke: the value waits and is stored as
    // soon as the lock is gone, the last one given winning.
    void aBusyStoreKeepsTheLastValueUntilItIsFree() {
        TestFolders folders;
        QVERIFY(SettingsStore::Save(App, Section, Key, QStringLiteral(",")));
        QFile lock(SettingsStore::fileFor(App) + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        PendingSetting setting(App, Section, Key);
        setting.Save(QStringLiteral(";"));
        setting.Save(QStringLiteral("|"));
        QVERIFY(setting.pending());
        QCOMPARE(readSeparator(), QStringLiteral(","));
        QVERIFY(lock.remove());
        QTRY_VERIFY(!setting.pending());
        QCOMPARE(readSeparator(), QStringLiteral("|"));
    }

    void anotherKeyOrSectionIsNotSeen() {
        TestFolders folders;
        QVERIFY(SettingsStore::Save(QStringLiteral("Someone Else"), Section, Key, QStringLiteral(",")));
        QVERIFY(SettingsStore::Save(App, QStringLiteral("Other"), Key, QStringLiteral(";")));
        QCOMPARE(readSeparator(), QStringLiteral("TAB"));
    }

    void anotherProcessSeesASaveAtOnce() {
        TestFolders folders;
        QVERIFY(SettingsStore::Save(App, Section, Key, QStringLiteral(" | ")));
        QCOMPARE(probe(folders, {QStringLiteral("read"), Key}), QStringLiteral(" | "));
    }

    void aKilledProcessHasStoredItsValue() {
        TestFolders folders;
        probe(folders, {QStringLiteral("save"), Key, QStringLiteral(";")});
        QCOMPARE(readSeparator(), QStringLiteral(";"));
    }

    void unreadableStoreGivesTheDefault() {
        TestFolders folders;
        // A folder where the settings file should be.
        QVERIFY(QDir().mkpath(SettingsStore::fileFor(App)));
        QCOMPARE(readSeparator(), QStringLiteral("TAB"));
        QVERIFY(!SettingsStore::Save(App, Section, Key, QStringLiteral(",")));
        QCOMPARE(readSeparator(), QStringLiteral("TAB"));
    }

    // A save rewrites the whole store: what of it the store cannot read
    // back (random bytes, a line of no setting, a control character, more
    // than it can write and read again) is dropped, the rest kept, and the
    // value saved is there at the next start.
    void aSaveWritesOnlyWhatItReadsBack_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("other"); // the other key's value read after the save
        constexpr int Largest = int(SettingsStore::LargestStore / 4);
        QByteArray growing; // percent-encoded, each key comes back three times as long
        for (QByteArray line; growing.size() + line.size() <= Largest - 10;
             line = QByteArray(64, '%') + QByteArray::number(growing.size()) + "=\n")
            growing += line;
        const QByteArray other = "[Olvaris]\r\nOther = 1\n";
        QTest::newRow("random bytes") << TestFolders::randomBytes(1000000, 5) << "<absent>";
        QTest::newRow("a store, then random bytes") << other + TestFolders::randomBytes(1000000, 5) << "1";
        QTest::newRow("a line of no setting") << "; mine\nnot a setting\n" + other << "1";
        QTest::newRow("a control character") << "[Olvaris]\nOther=\x01\n" + other << "1";
        QTest::newRow("keys that grow most, the largest kept") << other + growing << "1";
        QTest::newRow("past the largest kept")
            << growing + QByteArray(Largest + 1 - growing.size() - other.size(), '\n') + other << "<absent>";
    }
    void aSaveWritesOnlyWhatItReadsBack() {
        QFETCH(QByteArray, content);
        QFETCH(QString, other);
        TestFolders folders;
        const QString file = SettingsStore::fileFor(App);
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile store(file);
        QVERIFY(store.open(QIODevice::WriteOnly));
        store.write(content);
        store.close();
        QCOMPARE(probe(folders, {QStringLiteral("type"), Key, QStringLiteral(";")}), QStringLiteral("typed"));
        QVERIFY(QFileInfo(file).size() <= SettingsStore::LargestStore);
        QCOMPARE(probe(folders, {QStringLiteral("read"), Key}), QStringLiteral(";"));
        QCOMPARE(probe(folders, {QStringLiteral("read"), QStringLiteral("Other")}), other);
    }

    void garbageContentGivesTheDefault() {
        TestFolders folders;
        const QString file = SettingsStore::fileFor(App);
        QDir().mkpath(QFileInfo(file).path());
        QFile garbage(file);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(TestFolders::randomBytes(4096, 7));
        garbage.close();
        QCOMPARE(readSeparator(), QStringLiteral("TAB"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "test_settings_store.moc"
