#include "SheetTitle.h"
#include "Utf8.h"
#include <algorithm>
#include <cctype>

namespace olvaris::workbook {

namespace {

// Excel counts a name's length in UTF-16 units.
constexpr size_t LongestTitle = 31;

bool left(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF
           || (c < 0x80 && std::string_view("[]:*?/\\").find(char(c)) != std::string_view::npos);
}

// As libxlsxwriter and Excel compare sheet names.
bool sameLetters(std::string_view one, std::string_view other) {
    return std::equal(one.begin(), one.end(), other.begin(), other.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

std::string sheetTitle(std::string_view name) {
    std::string title;
    size_t units = 0;
    for (size_t at = 0; at < name.size();) {
        const char32_t c = olvaris::text::nextCharacter(name, at);
        if (left(c))
            continue;
        units += c > 0xFFFF ? 2 : 1;
        if (units > LongestTitle)
            break;
        olvaris::text::appendUtf8(title, c);
    }
    const size_t first = title.find_first_not_of('\'');
    title = first == std::string::npos ? std::string() : title.substr(first, title.find_last_not_of('\'') + 1 - first);
    for (const char* kept : {"Summary", "History"})
        if (sameLetters(title, kept))
            title.clear();
    return title.empty() ? "Checked" : title;
}

} // namespace olvaris::workbook
