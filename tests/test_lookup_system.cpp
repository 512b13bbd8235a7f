// What the lookup engine takes from the system: the program's own folder,
// with /proc and without it.
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
};

QTEST_GUILESS_MAIN(LookupSystemTest)
#include "test_lookup_system.moc"
