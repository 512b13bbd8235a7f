#pragma once
#include <string>
#include <string_view>

// Letter case of the ASCII letters only: the data's names, states and the
// lists' headers are compared this way, whatever the locale, and every other
// byte (UTF-8 included) is left as it is.
namespace olvaris::text {

inline constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
inline constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

inline std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

inline std::string asciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = asciiUpper(c);
    return upper;
}

inline bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace olvaris::text
