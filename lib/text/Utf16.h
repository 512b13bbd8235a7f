#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace olvaris::text {

// Decodes UTF-16 (as a spreadsheet's "Unicode Text" writes it) to UTF-8 a
// piece at a time: a code unit or a surrogate pair cut by the end of a
// piece waits for the next. An unpaired surrogate becomes U+FFFD.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigEndian) : m_bigEndian(bigEndian) {}

    // Appends the piece's characters; what is left of it waits.
    void decode(std::string_view bytes, std::string& out);
    // At the end of the text: a high surrogate still waiting is U+FFFD.
    // Returns false when the text ended within a code unit (an odd byte).
    bool finish(std::string& out);

private:
    void unit(char16_t unit, std::string& out);

    bool m_bigEndian;
    bool m_haveByte = false;
    unsigned char m_byte = 0;
    char16_t m_high = 0; // a high surrogate waiting for its low one
};

// Appends UTF-8 text as UTF-16 in the given byte order, each character
// beyond the first plane a surrogate pair; a byte that begins no character
// becomes U+FFFD.
void appendUtf16(std::string& out, std::string_view utf8, bool bigEndian);

} // namespace olvaris::text
