#include "AsciiFolding.h"
#include "Utf8.h"

namespace olvaris::text {

namespace {

// U+00C0 to U+00FF; "" keeps the character (× and ÷).
constexpr const char* Latin1[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",  //
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss", //
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",  //
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};

// U+0100 to U+017F, a letter each but for the ligatures (?).
constexpr std::string_view ExtendedA =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo"
    "??RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

std::string_view plainFor(char32_t c) {
    // The marks word processors and phones type for the plain ones: "O’Fallon",
    // "Winston–Salem", a no-break space or hyphen.
    switch (c) {
    case 0xA0:   // no-break space
    case 0x2007: // figure space
    case 0x202F: // narrow no-break space
        return " ";
    case 0x2018:
    case 0x2019:
    case 0x02BC: // modifier letter apostrophe
    case 0x2032: // prime
        return "'";
    case 0x201C:
    case 0x201D:
        return "\"";
    case 0x2010: // hyphen
    case 0x2011: // non-breaking hyphen
    case 0x2012: // figure dash
    case 0x2013: // en dash
    case 0x2014: // em dash
    case 0x2212: // minus sign
        return "-";
    default:
        break;
    }
    if (c >= 0xC0 && c <= 0xFF)
        return Latin1[c - 0xC0];
    if (c >= 0x100 && c <= 0x17F) {
        switch (c) {
        case 0x132:
            return "IJ";
        case 0x133:
            return "ij";
        case 0x152:
            return "OE";
        case 0x153:
            return "oe";
        default:
            return ExtendedA.substr(c - 0x100, 1);
        }
    }
    return {};
}

} // namespace

std::string foldToAscii(std::string_view utf8) {
    if (isAscii(utf8))
        return std::string(utf8);
    std::string folded;
    folded.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const size_t start = at;
        const char32_t c = nextCharacter(utf8, at);
        if (c >= 0x300 && c <= 0x36F) // a combining accent
            continue;
        const std::string_view plain = plainFor(c);
        if (plain.empty())
            folded.append(utf8.substr(start, at - start));
        else
            folded.append(plain);
    }
    return folded;
}

} // namespace olvaris::text
