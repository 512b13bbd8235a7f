#include "HandCursor.h"
#include "Failure.h"
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace olvaris {

namespace {

constexpr int DirectoryHeaderSize = 6;
constexpr int DirectoryEntrySize = 16;
constexpr qint64 LargestCursorFile = qint64(4) << 20;

Failure invalidPicture() { return Failure(Error::Kind::Input, QStringLiteral("Invalid picture")); }

quint16 word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bytes.constData()) + at);
}
quint32 dword(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData()) + at);
}

// Qt's icon reader reads cursor files too; the hotspot it does not give is
// read from the file's directory entry.
QImage decodeImage(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image = reader.read();
    if (image.isNull())
        throw invalidPicture();
    return image;
}

} // namespace

QCursor loadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(Error::Kind::Input, file.errorString());
    if (file.size() > LargestCursorFile)
        throw invalidPicture();
    const QByteArray bytes = file.readAll();
    if (bytes.size() < DirectoryHeaderSize + DirectoryEntrySize)
        throw invalidPicture();
    const quint16 reserved = word(bytes, 0), type = word(bytes, 2), count = word(bytes, 4);
    if (reserved != 0 || type != 2 || count == 0 || bytes.size() < DirectoryHeaderSize + DirectoryEntrySize * count)
        throw invalidPicture();

    // The first image of the file is the one drawn; its entry holds the hotspot.
    const int entry = DirectoryHeaderSize;
    const int hotX = word(bytes, entry + 4), hotY = word(bytes, entry + 6);
    const quint32 size = dword(bytes, entry + 8), offset = dword(bytes, entry + 12);
    if (size == 0 || offset >= quint32(bytes.size()) || size > quint32(bytes.size()) - offset)
        throw invalidPicture();

    const QImage image = decodeImage(bytes);
    if (hotX >= image.width() || hotY >= image.height())
        throw invalidPicture();
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace olvaris
