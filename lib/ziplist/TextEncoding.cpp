#include "TextEncoding.h"
#include "Utf8.h"
#include "Windows1252Table.h"

namespace ziplist {

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

// The length of the well-formed UTF-8 start of the bytes.
size_t validUtf8Prefix(std::string_view bytes) {
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t at = 0;
    while (at < bytes.size()) {
        if (text[at] < 0x80) {
            ++at;
            continue;
        }
        const size_t length = olvaris::validUtf8Length(text + at, bytes.size() - at);
        if (length == 0)
            break;
        at += length;
    }
    return at;
}

} // namespace

bool isValidUtf8(std::string_view bytes) { return validUtf8Prefix(bytes) == bytes.size(); }

Encoding encodingOf(std::string_view sample) {
    const size_t valid = validUtf8Prefix(sample);
    // What is left may be a sequence the end of the sample cut short: a
    // lead byte and at most two of its continuation bytes.
    const std::string_view rest = sample.substr(valid);
    if (rest.empty())
        return Encoding::Utf8;
    if (rest.size() > 3 || static_cast<unsigned char>(rest[0]) < 0xC2)
        return Encoding::Windows1252;
    for (size_t i = 1; i < rest.size(); ++i)
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
            return Encoding::Windows1252;
    return Encoding::Utf8;
}

void assignUtf8(std::string& out, std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8 && isValidUtf8(bytes)) {
        out.assign(bytes.data(), bytes.size());
        return;
    }
    out.clear();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        // An unassigned byte keeps its number, as Windows converts it.
        const char32_t mapped = b >= 0x80 && b <= 0x9F ? olvaris::Windows1252High[b - 0x80] : 0;
        appendUtf8(out, mapped != 0 ? mapped : char32_t(b));
    }
}

} // namespace ziplist
