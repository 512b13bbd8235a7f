#pragma once
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace olvaris::workbook {

// What a quick reader made of the bytes it was given: a whole element read,
// too few bytes to tell (the next piece is wanted), or something it does not
// read, left to the general scanner.
enum class Quick { Read, NeedMore, Unknown };

// An element longer than this (a row, a shared string) is left to the
// scanner rather than read again from its start as each piece comes.
constexpr std::size_t LongestQuickElement = 4 * std::size_t(1024 * 1024);

// The few steps of XML that the quick readers of a sheet's rows and of its
// shared strings take straight from a part's bytes, in the form spreadsheets
// write: tags without prefixes, attributes in quotes, text and the
// references XML defines. Each step takes only what it is sure the general
// scanner (XmlScanner.h) reads alike and fails on anything else (a comment,
// CDATA, an odd reference, a blank in a value that is used), leaving that to
// the scanner, so a part is read the same either way and every refusal is
// the scanner's own. A step that fails for want of bytes notes it, and the
// reader asks for the next piece. The steps are small and inline, most a
// comparison or two: the scanner's work for each tag is what they save.
class QuickXml {
public:
    // An attribute a reader wants, by its local name; its value as written
    // (no reference, tab, line end or NUL), data() null where the tag has
    // none.
    struct Wanted {
        std::string_view name;
        std::string_view value;
    };

    explicit QuickXml(std::string_view bytes)
        : m_begin(bytes.data()), m_at(bytes.data()), m_end(bytes.data() + bytes.size()) {}
    std::size_t used() const { return std::size_t(m_at - m_begin); }
    Quick failed() const { return m_short ? Quick::NeedMore : Quick::Unknown; }

    // Whether the next bytes are the literal (an end tag, or a start tag
    // without attributes, as written); passed over if so.
    template <std::size_t N>
    bool literal(const char (&text)[N]) {
        constexpr std::size_t size = N - 1;
        if (std::size_t(m_end - m_at) < size)
            return ranShort();
        if (std::memcmp(m_at, text, size) != 0)
            return false;
        m_at += size;
        return true;
    }
    // Whether a start tag of the name comes next, its name ended by a blank,
    // '>' or "/>"; "<name" passed over if so, startTag() to follow.
    template <std::size_t N>
    bool startOf(const char (&name)[N]) {
        constexpr std::size_t size = N - 1;
        if (std::size_t(m_end - m_at) < size + 2)
            return ranShort();
        if (m_at[0] != '<' || std::memcmp(m_at + 1, name, size) != 0)
            return false;
        const char after = m_at[size + 1];
        if (!isBlank(after) && after != '>' && after != '/')
            return false;
        m_at += size + 1;
        return true;
    }
    bool atText() const { return m_at < m_end && *m_at != '<'; }
    // Passes over text no one collects, up to the next '<'.
    bool skipText() {
        const void* open = std::memchr(m_at, '<', std::size_t(m_end - m_at));
        if (open == nullptr)
            return ranShort();
        m_at = static_cast<const char*>(open);
        return true;
    }
    // The rest of a start tag after its name, up to its '>' (empty: "/>"),
    // the wanted attributes' values found, the others checked and passed
    // over.
    bool startTag(Wanted* wanted, std::size_t count, bool& empty);
    // Text up to the next '<', as the scanner gives it: references resolved
    // and line ends made "\n" (appended to `resolved`, `inResolved` true,
    // where there are any), valid UTF-8.
    bool text(std::string_view& raw, std::string& resolved, bool& inResolved) {
        const char* at = m_at;
        unsigned char seen = 0;
        for (; at < m_end && *at != '<'; ++at)
            seen |= classOf(*at);
        if (at == m_end)
            return ranShort();
        raw = std::string_view(m_at, std::size_t(at - m_at));
        m_at = at;
        inResolved = (seen & (Reference | CarriageReturn)) != 0;
        if (!inResolved)
            return (seen & NotAscii) == 0 || validUtf8(raw);
        return resolve(raw, resolved);
    }

private:
    // Byte classes: blanks, what a name may hold, and what a value used
    // here may not.
    enum : unsigned char { Blank = 1, Name = 2, Reference = 4, Unplain = 8, CarriageReturn = 16, NotAscii = 32 };
    static constexpr std::array<unsigned char, 256> Classes = [] {
        std::array<unsigned char, 256> classes{};
        for (int c = 0; c < 256; ++c) {
            unsigned char bits = 0;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
                bits |= Blank;
            if (c == '\t' || c == '\n' || c == '\r' || c == '\0')
                bits |= Unplain;
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':'
                || c == '.' || c == '-' || c >= 0x80)
                bits |= Name;
            if (c == '&')
                bits |= Reference;
            if (c == '\r')
                bits |= CarriageReturn;
            if (c >= 0x80)
                bits |= NotAscii;
            classes[std::size_t(c)] = bits;
        }
        return classes;
    }();
    static unsigned char classOf(char c) { return Classes[static_cast<unsigned char>(c)]; }
    static bool isBlank(char c) { return (classOf(c) & Blank) != 0; }
    // Names are a few bytes, compared here rather than by a call.
    static bool sameName(std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i])
                return false;
        return true;
    }
    bool ranShort() {
        m_short = true;
        return false;
    }
    static bool validUtf8(std::string_view text);
    // Appends the text resolved; false where the scanner would refuse it.
    static bool resolve(std::string_view raw, std::string& resolved);

    const char* m_begin;
    const char* m_at;
    const char* m_end;
    bool m_short = false;
};

inline bool QuickXml::startTag(Wanted* wanted, std::size_t count, bool& empty) {
    for (std::size_t i = 0; i < count; ++i)
        wanted[i].value = {};
    const char* at = m_at;
    // Spreadsheets write the attributes read here first, in this order, one
    // space before each, double quotes: taken so without the search below.
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = wanted[i].name;
        if (std::size_t(m_end - at) < name.size() + 4 || at[0] != ' ' || at[name.size() + 1] != '='
            || at[name.size() + 2] != '"' || std::memcmp(at + 1, name.data(), name.size()) != 0)
            continue;
        const char* value = at + name.size() + 3;
        const char* close = value;
        unsigned char seen = 0;
        for (; close < m_end && *close != '"'; ++close)
            seen |= classOf(*close);
        if (close == m_end)
            return ranShort();
        if ((seen & (Reference | Unplain)) != 0)
            return false;
        wanted[i].value = std::string_view(value, std::size_t(close - value));
        at = close + 1;
    }
    for (;;) {
        while (at < m_end && isBlank(*at))
            ++at;
        if (m_end - at < 2)
            return ranShort();
        if (*at == '>' || *at == '/') {
            empty = *at == '/';
            if (empty && at[1] != '>')
                return false;
            m_at = at + (empty ? 2 : 1);
            return true;
        }
        // The name, matched by its local part as the general handlers match.
        const char* const qualified = at;
        const char* name = at;
        while (at < m_end && (classOf(*at) & Name) != 0)
            if (*at++ == ':')
                name = at;
        if (at == m_end)
            return ranShort();
        if (at == name || *at != '=')
            return false; // no name, a blank before '=', an odd name
        // A namespace declared here may make the element another
        // vocabulary's: the scanner tells.
        const std::string_view key(qualified, std::size_t(at - qualified));
        if (key.substr(0, 5) == "xmlns" && (key.size() == 5 || key[5] == ':'))
            return false;
        const std::string_view local(name, std::size_t(at - name));
        ++at;
        if (at == m_end)
            return ranShort();
        const char quote = *at++;
        if (quote != '"' && quote != '\'')
            return false;
        const char* value = at;
        unsigned char seen = 0;
        for (; at < m_end && *at != quote; ++at)
            seen |= classOf(*at);
        if (at == m_end)
            return ranShort();
        if ((seen & Reference) != 0)
            return false;
        const std::string_view written(value, std::size_t(at - value));
        ++at;
        for (std::size_t i = 0; i < count; ++i) {
            if (wanted[i].value.data() != nullptr || !sameName(wanted[i].name, local))
                continue;
            // The scanner makes a tab or a line end in a value a space, and
            // its handlers read a value to a NUL: such a value is left to it.
            if ((seen & Unplain) != 0)
                return false;
            wanted[i].value = written;
        }
    }
}

} // namespace olvaris::workbook
