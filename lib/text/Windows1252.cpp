#include "Windows1252.h"
#include "Utf8.h"

namespace olvaris::text {

namespace {

// The characters of the bytes 0x80 to 0x9F; the five unassigned bytes have
// none (0). Every other byte is the character of the same number.
constexpr char32_t High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                               0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                               0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (High[i] == c && c != 0)
            return char(0x80 + i);
    return '?';
}

} // namespace

std::size_t appendWindows1252(std::string& out, std::string_view utf8) {
    const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::size_t characters = 0;
    std::size_t at = 0;
    while (at < size) {
        // Plain ASCII runs are copied as they are.
        std::size_t run = at;
        while (run < size && text[run] < 0x80)
            ++run;
        if (run > at) {
            out.append(utf8.data() + at, run - at);
            characters += run - at;
            at = run;
            continue;
        }
        out.push_back(encode(nextCharacter(utf8, at)));
        ++characters;
    }
    return characters;
}

void appendFromWindows1252(std::string& out, std::string_view bytes) {
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char32_t mapped = b >= 0x80 && b <= 0x9F ? High[b - 0x80] : 0;
        appendUtf8(out, mapped != 0 ? mapped : char32_t(b));
    }
}

} // namespace olvaris::text
