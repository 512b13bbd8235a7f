#include "TextEncoding.h"
#include "app/Utf8.h"
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
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = olvaris::validUtf8Length(text + at, bytes.size() - at);
        if (length == 0)
            return false;
        at += length;
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
