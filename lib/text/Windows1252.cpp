#include "Windows1252.h"
#include "Windows1252Table.h"

namespace olvaris {

namespace {

char encode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (Windows1252High[i] == c && c != 0)
            return char(0x80 + i);
    return '?';
}

// One character from UTF-8; a malformed byte counts as one character.
char32_t decode(const unsigned char* text, size_t size, size_t& at) {
    const unsigned char lead = text[at];
    size_t extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF4)
        extra = 3;
    if (extra == 0 || at + extra >= size) {
        ++at;
        return 0xFFFD;
    }
    char32_t c = lead & (0x3F >> extra);
    for (size_t i = 1; i <= extra; ++i) {
        const unsigned char next = text[at + i];
        if ((next & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    at += extra + 1;
    return c;
}

} // namespace

size_t appendWindows1252(std::string& out, QByteArrayView utf8) {
    const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = size_t(utf8.size());
    size_t characters = 0;
    size_t at = 0;
    while (at < size) {
        // Plain ASCII runs are copied as they are.
        size_t run = at;
        while (run < size && text[run] < 0x80)
            ++run;
        if (run > at) {
            out.append(reinterpret_cast<const char*>(text + at), run - at);
            characters += run - at;
            at = run;
            continue;
        }
        out.push_back(encode(decode(text, size, at)));
        ++characters;
    }
    return characters;
}

} // namespace olvaris
