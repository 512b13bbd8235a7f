// Writing a text file, directly: what cannot be written whole is refused
// before a byte changes, what a file carries (names, owner, group,
// attributes) stays with it, and a write in place ends whole or fails.
#include "support/Files.h"
#include "Failure.h"
#include "WriteTextFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstdint>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace olvaris;
using namespace olvaris::test;

class WriteTextFileTest : public QObject {
    Q_OBJECT

private slots:
    // What a save cannot write whole it refuses before a byte changes, and
    // leaves as it was: a pipe (with or without a reader), a device, a loop
    // of symbolic links, a text beyond the file-size limit (replaced or
    // written in place).
    void aSaveRefusesWhatItCannotWriteWhole_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("named pipe") << "fifo"
                                    << "Not a regular file";
        QTest::newRow("named pipe with a reader") << "fifo-read"
                                                  << "Not a regular file";
        QTest::newRow("device node") << "device"
                                     << "Not a regular file";
        QTest::newRow("symbolic link loop") << "loop"
                                            << "Too many levels of symbolic links";
        QTest::newRow("size limit, replaced") << "limit"
                                              << "File too large";
        QTest::newRow("size limit, in place") << "limit-linked"
                                              << "File too large";
    }
    void aSaveRefusesWhatItCannotWriteWhole() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QString target = folder.filePath("target");
        const QByteArray name = QFile::encodeName(target);
        QStringList arguments{target, "new text"};
        int reader = -1;
        if (kind.startsWith("fifo")) {
            QVERIFY(::mkfifo(name.constData(), 0644) == 0);
            if (kind == "fifo-read")
                reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
        } else if (kind == "device") {
            if (::geteuid() != 0)
                QSKIP("needs root to make a device node");
            QVERIFY(::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        } else if (kind == "loop") {
            QVERIFY(::symlink("other", name.constData()) == 0);
            QVERIFY(::symlink("target", QFile::encodeName(folder.filePath("other")).constData()) == 0);
        } else {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            old.close();
            if (kind == "limit-linked")
                QVERIFY(::link(name.constData(), QFile::encodeName(folder.filePath("other")).constData()) == 0);
            arguments << "4";
        }
        struct stat before {};
        ::lstat(name.constData(), &before);
        const QStringList namesBefore =
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);

        QProcess probe;
        probe.start(QStringLiteral(WRITE_TEXT_PROBE), arguments);
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), "failed: " + reason);

        struct stat after {};
        QVERIFY(::lstat(name.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
                 namesBefore);
        if (kind.startsWith("limit"))
            QCOMPARE(readFile(target), QByteArray("old"));
        if (reader >= 0) {
            char byte = 0;
            QCOMPARE(::read(reader, &byte, 1), ssize_t(0));
            ::close(reader);
        }
    }

    // Saves as an ordinary user ("nobody", prepared by root): a file the user
    // may write is written even where no new file can be made beside it; a
    // save through one name of a hard-linked file reaches every name; another
    // user's writable file keeps its owner; and a file of the user's own in a
    // folder of the user's own is still replaced in one step.
    void savesWhereAnOrdinaryUserMayWrite() {
        if (::geteuid() != 0)
            QSKIP("needs root to prepare files of two owners");
        const uid_t nobody = 65534;
        QTemporaryDir base(QStringLiteral("/tmp/olvaris-saves-XXXXXX"));
        QVERIFY(base.isValid());
        QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 0755) == 0);
        auto path = [&](const char* name) { return base.filePath(QString::fromUtf8(name)); };
        auto make = [&](const char* name, uid_t owner, mode_t mode, bool folder) {
            const QByteArray file = QFile::encodeName(path(name));
            if (folder)
                QVERIFY(::mkdir(file.constData(), mode) == 0);
            else
                QVERIFY(QFile(path(name)).open(QIODevice::WriteOnly) && QFile(path(name)).resize(0));
            QVERIFY(::chown(file.constData(), owner, owner) == 0);
            QVERIFY(::chmod(file.constData(), mode) == 0);
        };
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(path(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        auto inode = [&](const char* name) {
            struct stat status {};
            ::stat(QFile::encodeName(path(name)).constData(), &status);
            return std::pair(status.st_ino, status.st_uid);
        };
        auto saveAsNobody = [&](const char* name) {
            QProcess probe;
            probe.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                    QStringLiteral(WRITE_TEXT_PROBE), path(name), "new text"});
            probe.waitForFinished(30000);
            return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
        };
        const QByteArray saved("new text\r\n");

        // A file of the user's own in root's folder.
        make("root", 0, 0755, true);
        make("root/mine.txt", nobody, 0644, false);
        write("root/mine.txt", "old old old old");
        const auto before = inode("root/mine.txt");
        QCOMPARE(saveAsNobody("root/mine.txt"), QStringLiteral("ok"));
        QCOMPARE(readFile(path("root/mine.txt")), saved);
        QCOMPARE(inode("root/mine.txt"), before);
        QCOMPARE(QDir(path("root")).entryList(QDir::Files), QStringList{"mine.txt"});

        // Two names of one file, in the user's folder.
        make("own", nobody, 0755, true);
        make("own/linked.txt", nobody, 0644, false);
        write("own/linked.txt", "old");
        QVERIFY(::link(QFile::encodeName(path("own/linked.txt")).constData(),
                       QFile::encodeName(path("own/other-name.txt")).constData())
                == 0);
        QCOMPARE(saveAsNobody("own/linked.txt"), QStringLiteral("ok"));
        QCOMPARE(readFile(path("own/other-name.txt")), saved);

        // Root's file that everyone may write, in the user's folder.
        make("own/roots.txt", 0, 0666, false);
        write("own/roots.txt", "old");
        QCOMPARE(saveAsNobody("own/roots.txt"), QStringLiteral("ok"));
        QCOMPARE(readFile(path("own/roots.txt")), saved);
        QCOMPARE(inode("own/roots.txt").second, uid_t(0));

        // The user's own file in the user's own folder: replaced in one step.
        make("own/plain.txt", nobody, 0644, false);
        write("own/plain.txt", "old");
        const auto plainBefore = inode("own/plain.txt");
        QCOMPARE(saveAsNobody("own/plain.txt"), QStringLiteral("ok"));
        QCOMPARE(readFile(path("own/plain.txt")), saved);
        QVERIFY(inode("own/plain.txt").first != plainBefore.first);
        QCOMPARE(inode("own/plain.txt").second, nobody);

        // The user's own file with a group the user is not in: a new file
        // could not have that group, so the file is written in place.
        make("own/grouped.txt", nobody, 0664, false);
        write("own/grouped.txt", "old");
        QVERIFY(::chown(QFile::encodeName(path("own/grouped.txt")).constData(), nobody, 0) == 0);
        const auto groupedBefore = inode("own/grouped.txt");
        QCOMPARE(saveAsNobody("own/grouped.txt"), QStringLiteral("ok"));
        QCOMPARE(readFile(path("own/grouped.txt")), saved);
        QCOMPARE(inode("own/grouped.txt"), groupedBefore);
        QCOMPARE(QFileInfo(path("own/grouped.txt")).groupId(), uint(0));

        // Root's read-only file: refused, and kept as it was.
        make("root/kept.txt", 0, 0644, false);
        write("root/kept.txt", "old");
        QVERIFY(saveAsNobody("root/kept.txt").startsWith(QLatin1String("failed: ")));
        QCOMPARE(readFile(path("root/kept.txt")), QByteArray("old"));
        QCOMPARE(QDir(path("own")).entryList(QDir::Files),
                 (QStringList{"grouped.txt", "linked.txt", "other-name.txt", "plain.txt", "roots.txt"}));
    }

    // A replacing save carries the old file's group, access control list
    // and attributes to the new file; a file with two names on ext2 (no
    // reservation ahead by the file system) is written in place, whole.
    void aSaveKeepsWhatTheFileCarries_data() {
        QTest::addColumn<QString>("carries");
        QTest::newRow("a group") << "group";
        QTest::newRow("an access control list") << "system.posix_acl_access";
        QTest::newRow("a user attribute") << "user.olvaris";
        QTest::newRow("two names on ext2") << "ext2";
    }
    void aSaveKeepsWhatTheFileCarries() {
        QFETCH(QString, carries);
        if (::geteuid() != 0)
            QSKIP("needs root to give a group or mount a file system");
        QTemporaryDir base;
        QString folder = base.path();
        struct Unmount {
            QString point;
            ~Unmount() {
                if (!point.isEmpty())
                    QProcess::execute(QStringLiteral("umount"), {point});
            }
        } unmount;
        if (carries == "ext2") {
            const QString image = base.filePath("ext2.img");
            QVERIFY(QFile(image).open(QIODevice::WriteOnly) && QFile(image).resize(8 << 20));
            folder = base.filePath("mounted");
            QVERIFY(QDir().mkdir(folder));
            if (QProcess::execute("mkfs.ext2", {"-q", "-F", image}) != 0
                || QProcess::execute("mount", {"-o", "loop", image, folder}) != 0)
                QSKIP("no loop device to mount an ext2 image on");
            unmount.point = folder;
        }
        const QString target = folder + QStringLiteral("/saved.txt");
        const QByteArray file = QFile::encodeName(target);
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(300000, 'o')) > 0);
        old.close();
        const QByteArray name = carries.toLatin1();
        // An entry for "nobody", read and write: version 2, then tag, permissions, id.
        const std::vector<std::uint32_t> acl{2,   0x00060001, ~0u, 0x00060002, 65534, 0x00040004,
                                             ~0u, 0x00060010, ~0u, 0x00040020, ~0u};
        if (carries == "group")
            QVERIFY(::chown(file.constData(), 0, 65534) == 0);
        else if (carries == "ext2")
            QVERIFY(::link(file.constData(), QFile::encodeName(folder + "/other.txt").constData()) == 0);
        else if (carries.startsWith("system"))
            QVERIFY(::setxattr(file.constData(), name.constData(), acl.data(), acl.size() * 4, 0) == 0);
        else
            QVERIFY(::setxattr(file.constData(), name.constData(), "kept", 4, 0) == 0);
        auto attribute = [&] {
            QByteArray value(256, '\0');
            value.truncate(std::max<ssize_t>(0, ::getxattr(file.constData(), name.constData(), value.data(), 256)));
            return value;
        };
        const QByteArray attributeBefore = attribute();

        const std::string text(400000, 'n');
        WriteTextFile(text, target);
        const QByteArray whole = QByteArray::fromStdString(text) + "\r\n";
        QVERIFY(readFile(target) == whole);
        if (carries == "group")
            QCOMPARE(QFileInfo(target).groupId(), uint(65534));
        else if (carries == "ext2")
            QVERIFY(readFile(folder + "/other.txt") == whole);
        else
            QCOMPARE(attribute(), attributeBefore);
        QVERIFY(!attributeBefore.isEmpty() || carries == "group" || carries == "ext2");
        QCOMPARE(QDir(folder).entryList({"*.part"}, QDir::Files | QDir::Hidden), QStringList());
    }

    // A file written in place (it has a second name) is finished when the
    // process ends while the write yields between pieces.
    void aWriteInPlaceEndedWhileItYieldsIsFinishedFirst() {
        QTemporaryDir folder;
        const QString path = folder.filePath("linked.txt");
        QVERIFY(makeLinked(path, folder.filePath("other"), QByteArray(qsizetype(5 * WritePiece), 'o')));
        const std::string text(2 * WritePiece + 7, 'n');
        const QByteArray whole = QByteArray::fromStdString(text) + "\r\n";
        QByteArray atTheEnd;
        WriteTextFile(text, path, [&] {
            if (!atTheEnd.isNull())
                return;
            settleUnfinishedWrites();
            QFile file(path);
            atTheEnd = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("");
        });
        QCOMPARE(atTheEnd.size(), whole.size());
        QVERIFY(atTheEnd == whole);
        QFile after(folder.filePath("other"));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QVERIFY(after.readAll() == whole);
    }

    // A second writer holds the file (flock) while a save in place waits for
    // it, and leaves it shorter than it was: the save keeps to the size the
    // holder left, and the file ends holding the save's text alone.
    void aWriteInPlaceTakesTheFileAsTheLocksHolderLeftIt() {
        QTemporaryDir folder;
        const QString path = folder.filePath("linked.txt"), held = folder.filePath("held");
        QVERIFY(makeLinked(path, folder.filePath("other"), QByteArray(300000, 'o')));
        const QString script = QStringLiteral("exec 9<>\"$1\"; flock 9; : >\"$2\"; sleep 0.3; "
                                              "head -c 200000 /dev/zero | tr '\\0' h >&9; truncate -s 200000 \"$1\"");
        QProcess holder;
        holder.start(QStringLiteral("sh"), {"-c", script, "holder", path, held});
        for (int waited = 0; !QFile::exists(held) && waited < 1000; ++waited)
            QThread::msleep(10);
        QVERIFY(QFile::exists(held));
        const std::string text(100000, 'n');
        WriteTextFile(text, path);
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(readFile(folder.filePath("other")) == QByteArray::fromStdString(text) + "\r\n");
    }

    // Another program that cuts a file while it is written in place
    // (between two pieces) fails the save: it is not saved.
    void aFileCutBetweenPiecesFailsTheSave() {
        QTemporaryDir folder;
        const QString path = folder.filePath("linked.txt");
        QVERIFY(makeLinked(path, folder.filePath("other"), "old"));
        bool cut = false;
        QVERIFY_THROWS_EXCEPTION(Failure, WriteTextFile(std::string(3 * WritePiece, 'n'), path, [&] {
                                     cut = cut || ::truncate(QFile::encodeName(path).constData(), 0) == 0;
                                 }));
        QVERIFY(cut);
    }

    // So does a cut while the disk syncs (a text of one piece yields only
    // there, and only when the sync takes more than a millisecond: tried
    // until it does).
    void aFileCutWhileTheDiskSyncsFailsTheSave() {
        QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/sync-XXXXXX"));
        const QString path = folder.filePath("linked.txt");
        QVERIFY(makeLinked(path, folder.filePath("other"), "old"));
        for (int attempt = 0; attempt < 20; ++attempt) {
            bool cut = false, failed = false;
            try {
                WriteTextFile(std::string(WritePiece - 16, 'n'), path,
                              [&] { cut = cut || ::truncate(QFile::encodeName(path).constData(), 0) == 0; });
            } catch (const Failure&) {
                failed = true;
            }
            QCOMPARE(failed, cut);
            if (cut)
                return;
        }
        QSKIP("the disk synced a megabyte within a millisecond twenty times");
    }
};

QTEST_GUILESS_MAIN(WriteTextFileTest)
#include "test_write_text_file.moc"
