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

} // namespace olvaris::text
