#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace olvaris::text {

// The length of the well-formed UTF-8 sequence that starts the text (1 to
// 4), or 0 when it starts with a byte that begins none: an overlong form, a
// surrogate, a code point beyond U+10FFFF or a sequence cut short.
inline std::size_t validUtf8Length(const unsigned char* text, std::size_t size) {
    const unsigned char lead = text[0];
    if (lead < 0x80)
        return 1;
    std::size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (size <= extra || text[1] < low || text[1] > high)
        return 0;
    for (std::size_t i = 2; i <= extra; ++i)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    return extra + 1;
}

// Whether every byte is ASCII: eight bytes tested at a time, as most fields
// of a list are short and plain.
inline bool isAscii(std::string_view bytes) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    std::uint64_t high = 0;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, 8);
        high |= word;
    }
    for (; at < end; ++at)
        high |= static_cast<unsigned char>(*at);
    return (high & 0x8080808080808080ULL) == 0;
}

// The length of the well-formed UTF-8 start of the bytes.
std::size_t validUtf8Prefix(std::string_view bytes);

inline bool isValidUtf8(std::string_view bytes) { return validUtf8Prefix(bytes) == bytes.size(); }

// Appends one character as UTF-8.
void appendUtf8(std::string& out, char32_t c);

// The character that starts at `at` and moves past it; a byte that begins
// no well-formed sequence is U+FFFD and one byte long.
char32_t nextCharacter(std::string_view utf8, std::size_t& at);

} // namespace olvaris::text
