#include "SaveText.h"
#include "ListReading.h"
#include "Windows1252.h"
#include "app/Failure.h"
#include "app/Yielder.h"
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris {

namespace {
constexpr int ZipColumn = 3;

// The columns a shape takes from the left; the ZIP code shape takes none of
// them in that way, only the ZIP code column.
int columnsTaken(const ResultsList& list, SaveShape shape) {
    switch (shape) {
    case SaveShape::ZipCodes:
        return 0;
    case SaveShape::CitiesAndStates:
        return list.headerCount() - 1;
    case SaveShape::AllColumns:
        break;
    }
    return list.headerCount();
}
} // namespace

QString resolveSeparator(const QString& text) {
    return text == QLatin1String("TAB") ? QStringLiteral("\t") : text;
}

std::string buildSavedText(const ResultsList& list, SaveShape shape, const QString& separator, Yielder& yielder) {
    const ListReading reading(list);
    const bool zipCodesOnly = shape == SaveShape::ZipCodes;
    const int columns = columnsTaken(list, shape);
    const QByteArray separatorUtf8 = separator.toUtf8();
    std::string text;

    // Every field is followed by the separator, and the last one of each
    // line is cut off by the separator's length.
    std::string encodedSeparator;
    const size_t separatorLength = appendWindows1252(encodedSeparator, separatorUtf8);
    auto endLine = [&] {
        text.resize(text.size() - std::min(separatorLength, text.size()));
        text.append("\r\n");
    };

    if (zipCodesOnly) {
        text.append("Zip\r\n");
    } else {
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            appendWindows1252(text, reading.header(column).toUtf8());
            text.append(encodedSeparator);
        }
        endLine();
    }

    const int rows = reading.count();
    text.reserve(text.size() + size_t(rows) * (zipCodesOnly ? 7 : 24));
    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        if (zipCodesOnly) {
            appendWindows1252(text, reading.text(row, ZipColumn));
            text.append("\r\n");
            continue;
        }
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            appendWindows1252(text, reading.text(row, column));
            text.append(encodedSeparator);
        }
        endLine();
    }
    return text;
}

void SaveZipCodes(const ResultsList& list, const QString& fileName, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::ZipCodes, QString(), yielder), fileName);
}

void SaveCitiesAndStates(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::CitiesAndStates, separator, yielder), fileName);
}

void SaveAllColumns(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::AllColumns, separator, yielder), fileName);
}

namespace {

Failure systemFailure(int error) { return Failure(QString::fromLocal8Bit(std::strerror(error))); }

// Replacing the file (a new file renamed over it) would change what the
// user did not ask to change: other names of a hard-linked file would keep
// the old text, and another user's file would become the saver's. Such a
// file is written where it is.
bool replacingWouldChangeTheFile(const QString& fileName) {
    struct stat status {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    return status.st_nlink > 1 || status.st_uid != ::geteuid();
}

bool isExistingFile(const QString& fileName) {
    struct stat status {};
    return ::stat(QFile::encodeName(fileName).constData(), &status) == 0 && S_ISREG(status.st_mode);
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

// Writes over the file where it is: same inode, owner, mode and links. The
// space is reserved first, so a full disk or a size limit fails before a
// byte of the file changes. A failure after that (an I/O error) leaves the
// new text's start over the old text, and is reported like any other.
void writeInPlace(const std::string& text, const QString& fileName) {
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw systemFailure(errno);
    try {
        const off_t total = off_t(text.size() + 2);
        if (::fallocate(fd, 0, 0, total) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
            throw systemFailure(errno);
        off_t offset = 0;
        writeAll(fd, text.data(), text.size(), offset);
        writeAll(fd, "\r\n", 2, offset);
        if (::ftruncate(fd, total) != 0 || ::fsync(fd) != 0)
            throw systemFailure(errno);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        throw systemFailure(errno);
}

// Writes a new file beside the target and renames it over the target: after
// a failure the target holds what it held before, and nothing is left.
// Returns false when the new file cannot be made at all.
bool writeReplacing(const std::string& text, const QString& fileName) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (isExistingFile(fileName))
            return false;
        throw Failure(file.errorString());
    }
    const qint64 size = qint64(text.size());
    if (file.write(text.data(), size) != size || file.write("\r\n", 2) != 2) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw Failure(reason);
    }
    if (!file.commit())
        throw Failure(file.errorString());
    return true;
}

} // namespace

void WriteTextFile(const std::string& text, const QString& fileName) {
    if (replacingWouldChangeTheFile(fileName) || !writeReplacing(text, fileName))
        writeInPlace(text, fileName);
}

} // namespace olvaris
