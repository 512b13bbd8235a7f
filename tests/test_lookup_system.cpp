// What the lookup engine takes from the system: the program's own folder,
// with /proc and without it, and the zone files the time is told from.
#include "LocalTime.h"
#include "ProgramFolder.h"
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using olvaris::lookup::programFolderFrom;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The system's file for the zone, with its first block alone: a zone file
// cut short where its later block begins.
QByteArray firstBlockOnly(const QByteArray& zoneFile) {
    const auto count = [&](int i) {
        const auto* at = reinterpret_cast<const unsigned char*>(zoneFile.constData()) + 20 + qsizetype(4) * i;
        return qsizetype(at[0]) << 24 | qsizetype(at[1]) << 16 | qsizetype(at[2]) << 8 | at[3];
    };
    return zoneFile.left(44 + count(3) * 5 + count(4) * 6 + count(5) + count(2) * 8 + count(1) + count(0));
}

} // namespace

class LookupSystemTest : public QObject {
    Q_OBJECT
private slots:
    // The kernel's link names the folder; a link on another file system is
    // not trusted, and without the link the path the program was started by
    // is resolved from the folder it was started in. Where neither tells,
    // there is no folder: never the working one.
    void theProgramsFolderIsNeverTheWorkingFolder() {
        const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        QCOMPARE(QString::fromStdString(programFolderFrom("/proc/self/exe", "/nowhere/prog").value_or("")),
                 QFileInfo(self).path());
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        QVERIFY(QDir(root).mkpath(QStringLiteral("bin")) && writeFile(root + QStringLiteral("/bin/prog"), "#!"));
        QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), root + QStringLiteral("/exe")));
        const std::string planted = (root + QStringLiteral("/exe")).toStdString();
        QVERIFY(!programFolderFrom(planted.c_str(), nullptr));

        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root));
        const std::optional<std::string> started = programFolderFrom("/nowhere/exe", "bin/prog");
        const std::optional<std::string> gone = programFolderFrom("/nowhere/exe", "bin/removed");
        const std::optional<std::string> unknown = programFolderFrom(planted.c_str(), nullptr);
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(QString::fromStdString(started.value_or("")), root + QStringLiteral("/bin"));
        QVERIFY(!gone && !unknown);
    }

    // A file at the zone's name that is not a zone file, or one the C
    // library does not take, gives no time (never UTC under the name's first
    // word), and says so; a zone file gives the time.
    void aFileThatIsNoZoneFileGivesNoTime() {
        QFile system(QStringLiteral("/usr/share/zoneinfo/America/New_York"));
        QVERIFY(system.open(QIODevice::ReadOnly));
        const QByteArray zoneFile = system.readAll();
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("America")));
        const struct {
            const char* zone;
            QByteArray bytes;
            bool zoneFile;
        } files[] = {{"America/New_York", zoneFile, true},
                     {"America/Text", "hello\n", false},
                     {"America/Header", "TZif", false},
                     {"America/Cut", zoneFile.left(zoneFile.size() / 2), false},
                     {"America/First", firstBlockOnly(zoneFile), false}};
        for (const auto& file : files)
            QVERIFY(writeFile(dir.filePath(QString::fromUtf8(file.zone)), file.bytes));
        qputenv("TZDIR", QFile::encodeName(dir.path()));
        olvaris::lookup::LocalClock clock;
        for (const auto& file : files) {
            const std::string time = clock.timeIn(file.zone);
            QVERIFY2(time.empty() != file.zoneFile, file.zone);
            QVERIFY2(file.zoneFile || time.find("America") == std::string::npos, time.c_str());
        }
        const std::string said = olvaris::lookup::noZoneFile("America/Text");
        const std::string missing = olvaris::lookup::noZoneFile("America/Nowhere");
        qunsetenv("TZDIR");
        QVERIFY2(said.ends_with("/America/Text is not a zone file"), said.c_str());
        QVERIFY2(missing.find("tzdata") != std::string::npos, missing.c_str());
    }
};

QTEST_GUILESS_MAIN(LookupSystemTest)
#include "test_lookup_system.moc"
