#pragma once
#include <string>
#include <string_view>

// Windows-1252, the US ANSI code page: what the window saves in, and what
// spreadsheets write lists in.
namespace olvaris::text {

// Appends UTF-8 text as Windows-1252: each character becomes one byte, and a
// character the code page cannot hold becomes "?". Returns the number of
// characters appended.
std::size_t appendWindows1252(std::string& out, std::string_view utf8);

// Appends Windows-1252 bytes as UTF-8. The five bytes the code page leaves
// unassigned keep their numbers (U+0081 …), as Windows converts them.
void appendFromWindows1252(std::string& out, std::string_view bytes);

} // namespace olvaris::text
