#include "Utf16.h"
#include "Utf8.h"

namespace olvaris::text {

void Utf16Decoder::decode(std::string_view bytes, std::string& out) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!m_haveByte) {
            m_byte = b;
            m_haveByte = true;
            continue;
        }
        m_haveByte = false;
        unit(m_bigEndian ? char16_t(m_byte << 8 | b) : char16_t(b << 8 | m_byte), out);
    }
}

bool Utf16Decoder::finish(std::string& out) {
    if (m_high != 0)
        appendUtf8(out, 0xFFFD);
    m_high = 0;
    return !m_haveByte;
}

void Utf16Decoder::unit(char16_t unit, std::string& out) {
    const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (m_high != 0) {
        if (low) {
            appendUtf8(out, 0x10000 + ((char32_t(m_high) - 0xD800) << 10) + (char32_t(unit) - 0xDC00));
            m_high = 0;
            return;
        }
        appendUtf8(out, 0xFFFD);
        m_high = 0;
    }
    if (high)
        m_high = unit;
    else
        appendUtf8(out, low ? 0xFFFD : char32_t(unit));
}

void appendUtf16(std::string& out, std::string_view utf8, bool bigEndian) {
    const auto unit = [&](char32_t value) {
        const auto high = char((value >> 8) & 0xFF), low = char(value & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    for (size_t at = 0; at < utf8.size();) {
        const size_t length = validUtf8Length(bytes + at, utf8.size() - at);
        char32_t code = 0xFFFD;
        if (length == 1)
            code = bytes[at];
        else if (length > 1) {
            code = bytes[at] & (0xFF >> (length + 1));
            for (size_t i = 1; i < length; ++i)
                code = code << 6 | (bytes[at + i] & 0x3F);
        }
        at += length == 0 ? 1 : length;
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
}

} // namespace olvaris::text
