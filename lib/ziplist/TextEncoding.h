#pragma once
#include <string>
#include <string_view>

namespace ziplist {

// Lists come in UTF-8 (with or without a byte-order mark), in Windows-1252,
// the code page spreadsheets and Olvaris save in, or in UTF-16 with a
// byte-order mark (a spreadsheet's "Unicode Text"), read as UTF-8.
enum class Encoding { Utf8, Windows1252, Utf16 };

// The encoding told by a file's first bytes: UTF-8 when they are well-formed
// UTF-8 (a sequence cut by the end of the sample counts as well-formed).
Encoding encodingOf(std::string_view sample);

// A field's bytes as UTF-8. In a UTF-8 file a field that is not UTF-8 is
// read as Windows-1252 too, so one stray byte costs no row.
void assignUtf8(std::string& out, std::string_view bytes, Encoding encoding);

} // namespace ziplist
