#pragma once
#include <QCursor>
#include <QString>

namespace olvaris {

// Reads a Windows cursor file (.cur) into a pointer image, with the hotspot
// the file gives. Throws Failure when the file cannot be read as a cursor.
QCursor loadCursorFile(const QString& path);

} // namespace olvaris
