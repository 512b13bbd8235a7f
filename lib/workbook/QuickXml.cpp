#include "QuickXml.h"
#include "Utf8.h"

namespace olvaris::workbook {

namespace {

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A reference's character (the name between '&' and ';'), as the scanner
// reads it; false for one it would not take, or might take otherwise (a
// sign, a blank or "0x" in a character reference).
bool appendReference(std::string_view name, std::string& into) {
    static constexpr std::pair<std::string_view, char> Entities[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : Entities)
        if (name == entity) {
            into += character;
            return true;
        }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty())
        return false;
    // At most ten digits (the name is at most eleven bytes): no overflow.
    unsigned long long code = 0;
    for (const char c : digits) {
        const int digit = digitValue(c, hex);
        if (digit < 0)
            return false;
        code = code * (hex ? 16 : 10) + unsigned(digit);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    olvaris::text::appendUtf8(into, char32_t(code));
    return true;
}

// Text with its references resolved and "\r\n" and a lone "\r" made "\n".
bool appendResolved(std::string_view raw, std::string& into) {
    for (size_t at = 0; at < raw.size();) {
        const size_t special = raw.find_first_of("&\r", at);
        into.append(raw.substr(at, special - at));
        if (special == std::string_view::npos)
            break;
        if (raw[special] == '\r') {
            if (special + 1 == raw.size() || raw[special + 1] != '\n')
                into += '\n';
            at = special + 1;
            continue;
        }
        // The scanner takes a reference whose ';' is at most 12 bytes on.
        const size_t semicolon = raw.substr(0, special + 13).find(';', special);
        if (semicolon == std::string_view::npos
            || !appendReference(raw.substr(special + 1, semicolon - special - 1), into))
            return false;
        at = semicolon + 1;
    }
    return true;
}

} // namespace

bool QuickXml::validUtf8(std::string_view text) { return olvaris::text::isValidUtf8(text); }

bool QuickXml::resolve(std::string_view raw, std::string& resolved) {
    const size_t begin = resolved.size();
    return appendResolved(raw, resolved) && olvaris::text::isValidUtf8(std::string_view(resolved).substr(begin));
}

} // namespace olvaris::workbook
