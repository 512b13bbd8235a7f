#include "TextEncoding.h"
#include "export/Windows1252Table.h"

namespace zipbase {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

bool isValidUtf8(const std::string& bytes) {
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    for (size_t at = 0; at < size;) {
        const unsigned char lead = text[at];
        if (lead < 0x80) {
            ++at;
            continue;
        }
        size_t extra = 0;
        unsigned char low = 0x80, high = 0xBF; // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0)
                low = 0xA0; // no overlong forms
            if (lead == 0xED)
                high = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F; // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (size - at <= extra || text[at + 1] < low || text[at + 1] > high)
            return false;
        for (size_t i = 2; i <= extra; ++i)
            if ((text[at + i] & 0xC0) != 0x80)
                return false;
        at += extra + 1;
    }
    return true;
}

std::string asUtf8(std::string bytes) {
    if (isValidUtf8(bytes)) {
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
            bytes.erase(0, 3);
        return bytes;
    }
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        // An unassigned byte keeps its number, as Windows converts it.
        const char32_t mapped = b >= 0x80 && b <= 0x9F ? olvaris::Windows1252High[b - 0x80] : 0;
        appendUtf8(text, mapped != 0 ? mapped : char32_t(b));
    }
    return text;
}

} // namespace zipbase
