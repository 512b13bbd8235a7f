#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace olvaris {

// The names of files the system gives are bytes: UTF-8 as a rule, but not
// always (a name written in Latin-1 years ago). The program holds them as
// text with each byte that is not part of well-formed UTF-8 kept as a lone
// surrogate (U+DC80 plus the byte), and gives the system back the very
// bytes, so such a file is found and opens; Qt's own conversions put U+FFFD
// in its place and name another file. Command-line arguments are decoded
// the same way, as any of them may be a file's name.
QString fromSystemBytes(QByteArrayView bytes);
QByteArray toSystemBytes(QStringView text);

// What is at a path, asked of the system with the path's own bytes.
enum class FileKind { Missing, File, Folder, Other };
FileKind fileKindAt(const QString& path);

// The path from the root: a relative one is taken from the working folder.
QString absoluteSystemPath(const QString& path);

} // namespace olvaris
