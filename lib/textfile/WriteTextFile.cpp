#include "WriteTextFile.h"
#include "Failure.h"
#include "OffThread.h"
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace olvaris {

namespace {

Failure systemFailure(int error) { return Failure(Error::Kind::Output, QString::fromLocal8Bit(std::strerror(error))); }
Failure notAnOrdinaryFile() { return Failure(Error::Kind::Output, QStringLiteral("Not a regular file")); }

// The name a save writes: the target of a chain of symbolic links (which
// need not exist yet), and what lies there now.
struct Target {
    QByteArray path;
    bool exists = false;
    struct stat status {};
};

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

Target resolve(const QString& fileName) {
    Target target;
    target.path = QFile::encodeName(fileName);
    for (int hops = 0; hops <= 40; ++hops) {
        if (::lstat(target.path.constData(), &target.status) != 0) {
            if (errno == ENOENT)
                return target;
            throw systemFailure(errno);
        }
        if (!S_ISLNK(target.status.st_mode)) {
            target.exists = true;
            return target;
        }
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.path.constData(), link.data(), size_t(link.size()));
        if (length < 0)
            throw systemFailure(errno);
        link.truncate(length);
        target.path = link.startsWith('/') ? link : folderOf(target.path) + '/' + link;
    }
    throw systemFailure(ELOOP);
}

// A write that would pass the process's file-size limit fails before its
// first byte rather than part-way.
void checkSizeLimit(off_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && rlim_t(size) > limit.rlim_cur)
        throw systemFailure(EFBIG);
}

void writeAll(int fd, const char* data, size_t size, off_t& offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size, offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw systemFailure(errno);
        }
        data += written;
        size -= size_t(written);
        offset += written;
    }
}

// How far a write into a file has come: the text, then one more "\r\n".
struct WriteProgress {
    int fd = -1;
    const std::string* text = nullptr;
    off_t offset = 0;
    // Set when the process's end finished the write while it yielded.
    bool finishedElsewhere = false;
    // For a write in place: the size the file keeps while it is written. A
    // file cut or lengthened by another program meanwhile fails the save.
    off_t keptSize = -1;

    off_t total() const { return off_t(text->size() + 2); }
};

void checkKeptSize(const WriteProgress& progress) {
    struct stat status {};
    if (progress.keptSize >= 0 && (::fstat(progress.fd, &status) != 0 || status.st_size != progress.keptSize))
        throw Failure(Error::Kind::Output,
                      QStringLiteral("Another program changed the file while it was being written."));
}

// Writes what is left in pieces of WritePiece bytes, betweenPieces between
// two of them. Returns false when the write was finished elsewhere during
// betweenPieces.
bool writeText(WriteProgress& progress, const std::function<void()>& betweenPieces) {
    const std::string& text = *progress.text;
    while (size_t(progress.offset) < text.size()) {
        if (progress.offset > 0 && betweenPieces) {
            betweenPieces();
            if (progress.finishedElsewhere)
                return false;
        }
        const size_t at = size_t(progress.offset);
        writeAll(progress.fd, text.data() + at, std::min(WritePiece, text.size() - at), progress.offset);
        checkKeptSize(progress);
    }
    if (progress.offset < progress.total())
        writeAll(progress.fd, &"\r\n"[progress.offset - off_t(text.size())], size_t(progress.total() - progress.offset),
                 progress.offset);
    return true;
}

// A system call that may wait on the disk (an fsync: tens of milliseconds
// even for a small file; a rename over a large file, whose blocks it frees)
// is made while the command's yield goes on. Returns the call's errno, or 0.
int waitOnDisk(const std::function<int()>& call, const std::function<void()>& meanwhile) {
    return offThread([&call] { return call() == 0 ? 0 : errno; }, meanwhile);
}

void syncToDisk(int fd, const std::function<void()>& meanwhile) {
    if (const int error = waitOnDisk([fd] { return ::fsync(fd); }, meanwhile); error != 0)
        throw systemFailure(error);
}

// Replacing the file (a new file renamed over it) would change what the
// user did not ask to change: other names of a hard-linked file would keep
// the old text, and another user's file would become the saver's. Such a
// file is written where it is.
bool replacingWouldChangeTheFile(const Target& target) {
    return target.exists && (target.status.st_nlink > 1 || target.status.st_uid != ::geteuid());
}

void settleAtExit() { settleUnfinishedWrites(); }

// The writes under way, which the process settles if it ends while one
// yields: the new files of replacing writes are removed (the old file stays
// as it was), and writes in place are finished (stopping there would leave
// the new text's start over the old text). Besides the window's close and
// the termination signals, a process may end through exit() from inside a
// yield (Qt's X11 plugin does when the X server goes): the record is never
// destroyed, and settled by an exit hook registered once it exists.
struct UnfinishedWrites {
    std::vector<QByteArray> replacing;
    std::vector<WriteProgress*> inPlace;
};

UnfinishedWrites& unfinished() {
    static UnfinishedWrites& writes = *[] {
        auto* made = new UnfinishedWrites;
        std::atexit(settleAtExit);
        return made;
    }();
    return writes;
}

std::vector<WriteProgress*>& unfinishedInPlace() { return unfinished().inPlace; }

// Another writer in place (a second Olvaris saving the same file) holds
// the file until its text is whole: this one waits, yielding, a while at
// most. A file system without such locks is written unlocked.
void lockForWriting(int fd, const std::function<void()>& meanwhile) {
    const auto giveUp = std::chrono::steady_clock::now() + LockPatience;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return;
        if (std::chrono::steady_clock::now() >= giveUp)
            throw Failure(Error::Kind::Output, QStringLiteral("Another program is writing the file."));
        if (meanwhile)
            meanwhile();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Space for the whole new text, before a byte of the old one changes. Where
// it cannot be reserved ahead (a file system without fallocate, the file
// open for writing only), the part beyond the old text is written with
// zeros, which takes its blocks as well. After a failure the file has its
// old length again.
void reserveSpace(int fd, off_t oldSize, off_t size) {
    int error = ::posix_fallocate(fd, 0, size);
    if (error == EBADF || error == EOPNOTSUPP || error == ENOSYS) {
        error = 0;
        static const std::vector<char> zeros(size_t(64) << 10, '\0');
        for (off_t at = oldSize; at < size && error == 0;) {
            const ssize_t written =
                ::pwrite(fd, zeros.data(), size_t(std::min<off_t>(off_t(zeros.size()), size - at)), at);
            if (written > 0)
                at += written;
            else if (written == 0 || errno != EINTR)
                error = written == 0 ? ENOSPC : errno;
        }
    }
    if (error != 0) {
        // Reserving by writing may have lengthened the file before it failed.
        [[maybe_unused]] const int restored = ::ftruncate(fd, oldSize);
        throw systemFailure(error);
    }
}

// Writes over the file where it is: same inode, owner, mode and links. The
// space is reserved first (where the file system cannot reserve it, by
// writing the blocks not yet allocated beyond the old text), so a full disk
// or a size limit fails before a byte of the old text changes. A failure
// after that (an I/O error) leaves the new text's start over the old text.
void writeInPlace(const std::string& text, const Target& target, const std::function<void()>& betweenPieces) {
    // Read-write where the file allows it: where the file system cannot
    // reserve space, the C library reserves it by reading the old blocks.
    // Not blocking: a pipe put in the file's place since it was looked at
    // is refused below rather than waited on.
    const int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(target.path.constData(), O_RDWR | flags);
    if (fd < 0 && (errno == EACCES || errno == EPERM))
        fd = ::open(target.path.constData(), O_WRONLY | flags);
    if (fd < 0)
        throw systemFailure(errno);
    WriteProgress progress{fd, &text};
    try {
        struct stat status {};
        if (::fstat(fd, &status) != 0)
            throw systemFailure(errno);
        if (!S_ISREG(status.st_mode))
            throw notAnOrdinaryFile();
        checkSizeLimit(progress.total());
        lockForWriting(fd, betweenPieces);
        // The size the lock's last holder left, not the one before the wait:
        // a failed reservation goes back to it, and the text is kept to it.
        if (::fstat(fd, &status) != 0)
            throw systemFailure(errno);
        reserveSpace(fd, status.st_size, progress.total());
        progress.keptSize = std::max(status.st_size, progress.total());
        unfinishedInPlace().push_back(&progress);
        const bool here = writeText(progress, betweenPieces);
        std::erase(unfinishedInPlace(), &progress);
        if (here) {
            checkKeptSize(progress);
            if (::ftruncate(fd, progress.total()) != 0)
                throw systemFailure(errno);
            progress.keptSize = progress.total();
            syncToDisk(fd, betweenPieces);
            // The sync yields: a cut made meanwhile is not called saved either.
            checkKeptSize(progress);
        }
    } catch (...) {
        std::erase(unfinishedInPlace(), &progress);
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        throw systemFailure(errno);
}

// A new file beside the target, readable by its owner alone until it has
// the target's group and then its mode (made with the user's group and the
// target's mode, others of that group could open it meanwhile and read on);
// a file where there was none gets the usual mode of a new file. Returns -1
// with errno set when none can be made.
// Its name is the target's, shortened so that it fits wherever the
// target's does, and a random part.
int createBeside(const Target& target, QByteArray& name) {
    const mode_t mode = target.exists ? 0600 : 0666;
    const qsizetype slash = target.path.lastIndexOf('/');
    const QByteArray stem = target.path.left(slash + 1) + target.path.mid(slash + 1).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::vector<QByteArray>& unfinishedWrites() { return unfinished().replacing; }

class UnfinishedWrite {
public:
    explicit UnfinishedWrite(const QByteArray& file) : m_file(file) { unfinishedWrites().push_back(file); }
    ~UnfinishedWrite() { std::erase(unfinishedWrites(), m_file); }
    UnfinishedWrite(const UnfinishedWrite&) = delete;
    UnfinishedWrite& operator=(const UnfinishedWrite&) = delete;

private:
    QByteArray m_file;
};

// What the new file must carry over from the old one besides its mode: the
// group and the extended attributes (access control lists among them).
// False when any of it cannot be carried over.
bool carryOver(int fd, const Target& target) {
    if (!target.exists)
        return true;
    struct stat made {};
    if (::fstat(fd, &made) != 0)
        return false;
    if (made.st_gid != target.status.st_gid && ::fchown(fd, uid_t(-1), target.status.st_gid) != 0)
        return false;
    const char* path = target.path.constData();
    ssize_t size = ::listxattr(path, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP; // a file system without attributes has none to keep
    std::vector<char> names(size_t(size) + 1, '\0');
    size = ::listxattr(path, names.data(), names.size() - 1);
    if (size < 0)
        return false;
    for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
        const ssize_t length = ::getxattr(path, name, nullptr, 0);
        std::vector<char> value(size_t(std::max<ssize_t>(length, 0)) + 1);
        if (length < 0 || ::getxattr(path, name, value.data(), value.size()) != length
            || ::fsetxattr(fd, name, value.data(), size_t(length), 0) != 0)
            return false;
    }
    return true;
}

// The folder's entry for the new name is on the disk too, so a saved file
// survives a power loss.
void syncFolder(const QByteArray& path, const std::function<void()>& meanwhile) {
    const int folder = ::open(folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    const int error = waitOnDisk([folder] { return ::fsync(folder); }, meanwhile);
    ::close(folder);
    // Some file systems cannot sync a folder (EINVAL); a failing disk is reported.
    if (error == EIO)
        throw systemFailure(error);
}

// Writes a new file beside the target and renames it over the target: after
// a failure the target holds what it held before, and nothing is left.
// Returns false when the new file cannot be made at all.
bool writeReplacing(const std::string& text, const Target& target, const std::function<void()>& betweenPieces) {
    // A file the user may not write is not replaced either, though the folder would allow it.
    if (target.exists && ::faccessat(AT_FDCWD, target.path.constData(), W_OK, AT_EACCESS) != 0)
        throw systemFailure(errno);
    checkSizeLimit(off_t(text.size() + 2));
    QByteArray temporary;
    int fd = createBeside(target, temporary);
    if (fd < 0) {
        if (target.exists)
            return false;
        throw systemFailure(errno);
    }
    const UnfinishedWrite unfinished(temporary);
    try {
        // A new file that cannot carry the old one's group and attributes
        // would change more than the text: the old file is written in place.
        if (!carryOver(fd, target)) {
            ::close(fd);
            ::unlink(temporary.constData());
            return false;
        }
        // The new file gets the old one's mode exactly, whatever the umask
        // (last: a change of group may clear the set-group-ID bit).
        if (target.exists && ::fchmod(fd, target.status.st_mode & 07777) != 0)
            throw systemFailure(errno);
        WriteProgress progress{fd, &text};
        writeText(progress, betweenPieces);
        syncToDisk(fd, betweenPieces);
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0)
            throw systemFailure(errno);
        const auto renamed = [&] { return ::rename(temporary.constData(), target.path.constData()); };
        if (const int error = waitOnDisk(renamed, betweenPieces); error != 0)
            throw systemFailure(error);
        syncFolder(target.path, betweenPieces);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        throw;
    }
    return true;
}

} // namespace

void settleUnfinishedWrites() {
    for (const QByteArray& file : unfinishedWrites())
        ::unlink(file.constData());
    for (WriteProgress* progress : unfinishedInPlace()) {
        progress->finishedElsewhere = true;
        progress->keptSize = -1;
        try {
            writeText(*progress, {});
            if (::ftruncate(progress->fd, progress->total()) == 0)
                ::fsync(progress->fd);
        } catch (const Failure&) {
            // What an I/O error leaves in place, as when the write fails.
        }
    }
    unfinishedInPlace().clear();
}

void WriteTextFile(const std::string& text, const QString& fileName, const std::function<void()>& betweenPieces) {
    const Target target = resolve(fileName);
    if (target.exists && S_ISDIR(target.status.st_mode))
        throw systemFailure(EISDIR);
    if (target.exists && !S_ISREG(target.status.st_mode))
        throw notAnOrdinaryFile();
    if (replacingWouldChangeTheFile(target) || !writeReplacing(text, target, betweenPieces))
        writeInPlace(text, target, betweenPieces);
}

} // namespace olvaris
