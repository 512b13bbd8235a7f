#pragma once
// Files as the tests make and read them; header-only, so a test that links
// nothing of the window can use it too.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <unistd.h>

namespace olvaris::test {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A file of the given bytes with a second name: a save writes it in place.
inline bool makeLinked(const QString& path, const QString& otherName, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return ::link(QFile::encodeName(path).constData(), QFile::encodeName(otherName).constData()) == 0;
}

} // namespace olvaris::test
