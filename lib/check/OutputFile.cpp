#include "OutputFile.h"
#include "Error.h"
#include "RemoveOnSignal.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace olvaris::check {

namespace {

thread_local bool filesOnly = false;

// How long a pipe's reader is given to open its end: a script starting it
// with the run may start it a moment later.
constexpr auto ReaderWait = std::chrono::seconds(2);
constexpr auto ReaderPoll = std::chrono::milliseconds(20);

// What the system said, as the output's error (the caller names the file).
Error systemError(int error) { return Error(Error::Kind::Output, std::strerror(error)); }

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The name a chain of symbolic links ends at, which need not exist yet.
std::string linkTarget(std::string path) {
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length <= 0)
            throw systemError(length < 0 ? errno : ENOENT);
        link.resize(size_t(length));
        if (link.front() == '/')
            path = link;
        else
            path = folderOf(path).append("/").append(link);
    }
    throw systemError(ELOOP);
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// A new file, readable by its owner alone, named after the path (cut so
// that it fits wherever the path's name does) and a random part.
int temporaryBeside(const std::string& path, std::string& name) {
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    name = path.substr(0, start) + path.substr(start, 200) + ".XXXXXX";
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0)
        name.clear();
    return descriptor;
}

std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

void writeAll(int descriptor, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw systemError(written < 0 ? errno : EIO);
        data += written;
        size -= size_t(written);
    }
}

void copyAll(int from, int to) {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw systemError(errno);
        if (got == 0)
            return;
        writeAll(to, buffer, size_t(got));
        at += got;
    }
}

std::FILE* streamOn(int descriptor) {
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    std::FILE* stream = copy < 0 ? nullptr : ::fdopen(copy, "w");
    if (stream == nullptr) {
        const int error = errno;
        if (copy >= 0)
            ::close(copy);
        throw systemError(error);
    }
    return stream;
}

} // namespace

OutputFile::OutputFile(const std::string& path, Filling filling, const std::vector<ReadFile>& reading)
    : m_target(path) {
    try {
        open(path, filling, reading);
    } catch (...) {
        release();
        throw;
    }
}

void OutputFile::open(const std::string& path, Filling filling, const std::vector<ReadFile>& reading) {
    struct stat there {};
    m_existed = ::stat(path.c_str(), &there) == 0;
    if (!m_existed && errno != ENOENT)
        throw systemError(errno);
    if (m_existed && S_ISDIR(there.st_mode))
        throw Error(Error::Kind::Output, "is a folder");
    for (const ReadFile& file : reading) {
        struct stat read {};
        const bool known =
            file.descriptor >= 0 ? ::fstat(file.descriptor, &read) == 0 : ::stat(file.path.c_str(), &read) == 0;
        if (m_existed && known && S_ISREG(read.st_mode) && sameFile(read, there))
            throw Error(Error::Kind::Output, "is " + file.role + ": name another file");
    }
    m_mode = there.st_mode & 07777;
    m_device = there.st_dev;
    m_inode = there.st_ino;
    if (m_existed && !S_ISREG(there.st_mode)) {
        if (FilesOnly::held() || S_ISSOCK(there.st_mode))
            throw Error(Error::Kind::Output, FilesOnly::refusal(there.st_mode));
        // Renamed over, a pipe or a device (/dev/null, run by root) would
        // become a plain file: it is written to instead.
        m_plan = Plan::Stream;
        openSpecial(S_ISFIFO(there.st_mode));
        if (filling == Filling::ByName
            && (m_temporaryFd = temporaryBeside(temporaryFolder() + "/olvaris-output", m_temporary)) < 0)
            throw systemError(errno);
    } else {
        if (m_existed) {
            // A file the user may not write is not replaced either, though
            // the folder would allow it.
            if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
                throw systemError(errno);
            m_target = linkTarget(path);
            struct stat named {};
            if (::lstat(m_target.c_str(), &named) != 0 || !sameFile(named, there)) {
                // Reached by no name of its own (/proc/self/fd/N): written
                // through the name given.
                m_target = path;
                m_plan = Plan::InPlace;
            } else if (there.st_nlink > 1) {
                // Its other names would keep the old rows.
                m_plan = Plan::InPlace;
            }
        } else {
            m_target = linkTarget(path);
        }
        m_temporaryFd = temporaryBeside(m_target, m_temporary);
        if (m_temporaryFd < 0 && m_plan == Plan::InPlace)
            m_temporaryFd = temporaryBeside(temporaryFolder() + "/olvaris-output", m_temporary);
        if (m_temporaryFd < 0)
            throw systemError(errno);
        struct stat made {};
        if (m_existed && m_plan == Plan::Replace && ::fstat(m_temporaryFd, &made) == 0
            && (made.st_uid != there.st_uid || made.st_gid != there.st_gid)
            && ::fchown(m_temporaryFd, there.st_uid, there.st_gid) != 0)
            m_plan = Plan::InPlace; // another user's file stays theirs
    }
    if (!m_temporary.empty())
        removeOnSignal(m_temporary);
    if (filling == Filling::Stream)
        m_stream = streamOn(m_temporaryFd >= 0 ? m_temporaryFd : m_destinationFd);
}

OutputFile::~OutputFile() { release(); }

void OutputFile::release() {
    if (m_stream != nullptr)
        std::fclose(m_stream);
    for (const int descriptor : {m_temporaryFd, m_destinationFd})
        if (descriptor >= 0)
            ::close(descriptor);
    m_stream = nullptr;
    m_temporaryFd = m_destinationFd = -1;
    if (!m_temporary.empty() && !m_renamed)
        ::unlink(m_temporary.c_str());
    keepOnSignal();
}

void OutputFile::openSpecial(bool pipe) {
    // Opened without waiting: a pipe no program reads from would hold the
    // run for ever, as a shell's redirection would.
    const auto until = std::chrono::steady_clock::now() + ReaderWait;
    int error = 0;
    for (;;) {
        m_destinationFd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        error = errno;
        if (m_destinationFd >= 0 || error != ENXIO || !pipe || std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(ReaderPoll);
    }
    if (m_destinationFd < 0 && error == ENXIO && pipe)
        throw Error(Error::Kind::Output, "is a named pipe, and no program is reading from it: start the program "
                                         "that reads it first");
    if (m_destinationFd < 0)
        throw systemError(error);
    struct stat opened {};
    if (::fstat(m_destinationFd, &opened) != 0 || S_ISREG(opened.st_mode) || S_ISDIR(opened.st_mode))
        throw Error(Error::Kind::Output, "changed while it was being opened");
    // Once a reader is there, each write waits for it to take the rows, as
    // a shell's pipe does.
    const int flags = ::fcntl(m_destinationFd, F_GETFL);
    if (flags < 0 || ::fcntl(m_destinationFd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw systemError(errno);
}

void OutputFile::commit() {
    if (m_stream != nullptr) {
        const bool flushed = std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0;
        const int error = errno;
        const bool closed = std::fclose(m_stream) == 0;
        m_stream = nullptr;
        if (!flushed || !closed)
            throw systemError(flushed ? errno : error);
    }
    if (m_plan == Plan::Stream) {
        if (m_temporaryFd >= 0)
            copyAll(m_temporaryFd, m_destinationFd);
        const int descriptor = m_destinationFd;
        m_destinationFd = -1;
        if (::close(descriptor) != 0)
            throw systemError(errno);
        return;
    }
    if (::fsync(m_temporaryFd) != 0)
        throw systemError(errno);
    if (m_plan == Plan::InPlace) {
        writeInPlace();
        return;
    }
    // The old file's mode exactly, whatever the umask (after the change of
    // owner, which may clear the set-group-ID bit); a new file's as usual.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(m_temporaryFd, m_existed ? m_mode : 0666 & ~mask) != 0)
        throw systemError(errno);
    keepOnSignal();
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        throw systemError(errno);
    m_renamed = true;
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// The whole output is ready: the space is reserved before the first byte
// of the old file changes, so a full disk leaves it as it was.
void OutputFile::writeInPlace() {
    // A pipe put in the file's place is refused below, not waited on.
    const int descriptor = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        throw systemError(errno);
    try {
        struct stat opened {
        }, written{};
        if (::fstat(descriptor, &opened) != 0 || ::fstat(m_temporaryFd, &written) != 0)
            throw systemError(errno);
        if (opened.st_dev != m_device || opened.st_ino != m_inode || !S_ISREG(opened.st_mode))
            throw Error(Error::Kind::Output, "changed while the rows were being written");
        const int reserved = ::posix_fallocate(descriptor, 0, std::max<off_t>(written.st_size, 1));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL && reserved != EBADF)
            throw systemError(reserved);
        copyAll(m_temporaryFd, descriptor);
        if (::ftruncate(descriptor, written.st_size) != 0 || ::fsync(descriptor) != 0)
            throw systemError(errno);
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    if (::close(descriptor) != 0)
        throw systemError(errno);
}

FilesOnly::FilesOnly() : m_before(filesOnly) { filesOnly = true; }

FilesOnly::~FilesOnly() { filesOnly = m_before; }

bool FilesOnly::held() { return filesOnly; }

std::string FilesOnly::refusal(mode_t mode) {
    const char* what = S_ISFIFO(mode)   ? "a named pipe"
                       : S_ISCHR(mode)  ? "a device"
                       : S_ISBLK(mode)  ? "a disk device"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISDIR(mode)  ? "a folder"
                                        : nullptr;
    return what == nullptr ? std::string() : std::string("is ") + what + ", not a file: name a file to save to";
}

} // namespace olvaris::check
