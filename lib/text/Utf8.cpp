#include "Utf8.h"

namespace olvaris::text {

std::size_t validUtf8Prefix(std::string_view bytes) {
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (text[at] < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = validUtf8Length(text + at, bytes.size() - at);
        if (length == 0)
            break;
        at += length;
    }
    return at;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

char32_t nextCharacter(std::string_view utf8, std::size_t& at) {
    const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t length = validUtf8Length(text + at, utf8.size() - at);
    if (length == 0) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? text[at] : text[at] & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i)
        c = (c << 6) | (text[at + i] & 0x3F);
    at += length;
    return c;
}

} // namespace olvaris::text
