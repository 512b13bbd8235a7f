#include "SystemPath.h"
#include "Utf8.h"
#include <QDir>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace olvaris {

namespace {
constexpr char16_t EscapedByte = 0xDC00;
} // namespace

QString fromSystemBytes(QByteArrayView bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = size_t(bytes.size());
    QString text;
    text.reserve(qsizetype(size));
    size_t at = 0;
    while (at < size) {
        size_t run = at;
        while (run < size) {
            const size_t length = text::validUtf8Length(data + run, size - run);
            if (length == 0)
                break;
            run += length;
        }
        text += QString::fromUtf8(bytes.data() + at, qsizetype(run - at));
        if (run < size)
            text += QChar(char16_t(EscapedByte + data[run++]));
        at = run;
    }
    return text;
}

QByteArray toSystemBytes(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool escaped = unit >= EscapedByte + 0x80 && unit <= EscapedByte + 0xFF
                             && (i == 0 || !QChar::isHighSurrogate(text[i - 1].unicode()));
        if (!escaped)
            continue;
        bytes += text.sliced(start, i - start).toUtf8();
        bytes += char(unit - EscapedByte);
        start = i + 1;
    }
    bytes += text.sliced(start).toUtf8();
    return bytes;
}

FileKind fileKindAt(const QString& path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(toSystemBytes(path).constData(), &status) != 0)
        return FileKind::Missing;
    if (S_ISREG(status.st_mode))
        return FileKind::File;
    return S_ISDIR(status.st_mode) ? FileKind::Folder : FileKind::Other;
}

QString absoluteSystemPath(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return path;
    std::vector<char> folder(PATH_MAX);
    while (!::getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            return path;
        folder.resize(folder.size() * 2);
    }
    QString absolute = fromSystemBytes(folder.data());
    if (!absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return QDir::cleanPath(absolute + path);
}

} // namespace olvaris
