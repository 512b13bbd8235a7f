#pragma once
#include <QByteArrayView>
#include <string>

namespace olvaris {

// Appends UTF-8 text as Windows-1252 (the US ANSI code page): each character
// becomes one byte, and a character the code page cannot hold becomes "?".
// Returns the number of characters appended.
size_t appendWindows1252(std::string& out, QByteArrayView utf8);

} // namespace olvaris
