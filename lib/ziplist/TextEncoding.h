#pragma once
#include <string>
#include <string_view>

namespace olvaris::ziplist {

// Lists come in UTF-8 (with or without a byte-order mark), in Windows-1252,
// the code page spreadsheets and Olvaris save in, or in UTF-16 with a
// byte-order mark (a spreadsheet's "Unicode Text"), read as UTF-8.
enum class Encoding { Utf8, Windows1252, Utf16 };

// The encoding told by a file's first bytes: UTF-8 unless the bytes that are
// not UTF-8 outnumber the characters beyond ASCII that are (a sequence cut
// by the end of the sample counts as well-formed).
Encoding encodingOf(std::string_view sample);

// A field's bytes as UTF-8: kept where they are UTF-8, else read as
// Windows-1252, whatever the file's encoding, so one stray byte costs no
// row and garbles no other field.
void assignUtf8(std::string& out, std::string_view bytes, Encoding encoding);

} // namespace olvaris::ziplist
