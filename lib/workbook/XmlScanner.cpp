#include "XmlScanner.h"
#include "ReadError.h"
#include "Utf8.h"
#include "XmlReader.h"
#include <algorithm>
#include <cstring>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

// No tag and no run of text in a spreadsheet comes near this.
constexpr size_t LongestToken = 16 * size_t(1024 * 1024);

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

XmlScanner::XmlScanner(const ZipArchive& archive, const std::string& part) : m_part(archive, part), m_name(part) {}

void XmlScanner::damaged(const std::string& what) const {
    throw ReadError(0, "the workbook is damaged: " + m_name + ": " + what);
}

bool XmlScanner::fill() {
    if (m_ended)
        return false;
    const size_t kept = m_buffer.size() - m_at;
    if (kept > LongestToken)
        damaged("a tag or text longer than 16 MiB");
    m_ended = !m_part.take(m_piece);
    if (m_ended) {
        m_piece.clear();
    } else if (kept <= PartReadAhead::Headroom) {
        // What is kept of the last piece goes in front of the next one,
        // which becomes the buffer.
        const size_t at = PartReadAhead::Headroom - kept;
        std::copy(m_buffer.begin() + std::ptrdiff_t(m_at), m_buffer.end(), m_piece.begin() + std::ptrdiff_t(at));
        m_buffer.swap(m_piece);
        m_piece = std::string(); // the last piece let go now, not at the next
        m_at = at;
    } else {
        m_buffer.erase(0, m_at);
        m_buffer.append(m_piece, PartReadAhead::Headroom);
        m_at = 0;
    }
    // The part may open with a byte order mark, as XML allows.
    if (!m_begun && std::string_view(m_buffer).substr(m_at).starts_with("\xEF\xBB\xBF"))
        m_at += 3;
    m_begun = true;
    return !m_ended;
}

// Where `until` ends, searching from `from` (an offset past m_at), reading
// more as needed; npos at the part's end.
size_t XmlScanner::need(size_t from, std::string_view until) {
    for (;;) {
        const size_t found = m_buffer.find(until, m_at + from);
        if (found != std::string::npos)
            return found + until.size();
        from = m_buffer.size() - m_at >= until.size() ? m_buffer.size() - m_at - until.size() + 1 : 0;
        if (!fill())
            return std::string::npos;
    }
}

// XML reads "\r\n" and a lone "\r" as "\n", and in an attribute's value
// each blank as a space; a reference's character is kept as it is.
std::string_view XmlScanner::resolved(std::string_view raw, std::string& into, bool attribute) {
    if (raw.find_first_of(attribute ? "&\r\n\t" : "&\r") == std::string_view::npos)
        return raw;
    into.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue; // the "\n" ends the line
        if (raw[i] == '\r' || (attribute && (raw[i] == '\n' || raw[i] == '\t'))) {
            into += attribute ? ' ' : '\n';
            continue;
        }
        if (raw[i] != '&') {
            into += raw[i];
            continue;
        }
        const size_t semicolon = raw.find(';', i);
        if (semicolon == std::string_view::npos || semicolon - i > 12)
            damaged("a stray & in text");
        const std::string_view name = raw.substr(i + 1, semicolon - i - 1);
        if (name == "lt")
            into += '<';
        else if (name == "gt")
            into += '>';
        else if (name == "amp")
            into += '&';
        else if (name == "quot")
            into += '"';
        else if (name == "apos")
            into += '\'';
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string digits(name.substr(hex ? 2 : 1));
            char* end = nullptr;
            const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (digits.empty() || *end != '\0' || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                damaged("the character reference &" + std::string(name) + "; names no character");
            olvaris::text::appendUtf8(into, char32_t(code));
        } else {
            damaged("the entity &" + std::string(name) + "; is declared nowhere");
        }
        i = semicolon;
    }
    return into;
}

void XmlScanner::textRun(XmlReader& reader, size_t end) {
    const std::string_view raw(m_buffer.data() + m_at, end - m_at);
    if (reader.wantsText()) {
        const std::string_view text = resolved(raw, m_scratch, false);
        if (!olvaris::text::isValidUtf8(text))
            damaged("text that is not UTF-8");
        reader.text(text);
    } else if (!m_rooted || m_openAt.empty()) {
        for (const char c : raw)
            if (!blank(c))
                damaged("text outside the document's element");
    }
    m_at = end;
}

void XmlScanner::startTag(XmlReader& reader, size_t end) {
    // m_buffer[m_at] is '<', m_buffer[end - 1] is '>'.
    const char* tag = m_buffer.data() + m_at + 1;
    const char* last = m_buffer.data() + end - 1;
    const bool empty = last > tag && last[-1] == '/';
    if (empty)
        --last;
    const char* at = tag;
    while (at < last && !blank(*at))
        ++at;
    const std::string_view name(tag, size_t(at - tag));
    if (name.empty())
        damaged("a tag without a name");
    if (m_rooted && m_openAt.empty())
        damaged("a second document element");
    m_rooted = true;
    m_attributeText.clear();
    m_attributeAt.clear();
    while (at < last) {
        while (at < last && blank(*at))
            ++at;
        if (at == last)
            break;
        const char* attributeName = at;
        while (at < last && *at != '=' && !blank(*at))
            ++at;
        const std::string_view key(attributeName, size_t(at - attributeName));
        while (at < last && blank(*at))
            ++at;
        if (at == last || *at != '=')
            damaged("an attribute without a value in <" + std::string(name) + ">");
        ++at;
        while (at < last && blank(*at))
            ++at;
        if (at == last || (*at != '"' && *at != '\''))
            damaged("an attribute value without quotes in <" + std::string(name) + ">");
        const char quote = *at++;
        const char* value = at;
        while (at < last && *at != quote)
            ++at;
        if (at == last)
            damaged("an attribute value not closed in <" + std::string(name) + ">");
        const std::string_view resolvedValue = resolved(std::string_view(value, size_t(at - value)), m_scratch, true);
        ++at;
        m_attributeAt.push_back(m_attributeText.size());
        m_attributeText.append(key).push_back('\0');
        m_attributeAt.push_back(m_attributeText.size());
        m_attributeText.append(resolvedValue).push_back('\0');
    }
    m_attributes.clear();
    for (const size_t offset : m_attributeAt)
        m_attributes.push_back(m_attributeText.data() + offset);
    m_attributes.push_back(nullptr);
    if (m_openAt.size() >= DeepestNesting)
        damaged("elements nested more than " + std::to_string(DeepestNesting) + " deep: no workbook does");
    m_openAt.push_back(m_openNames.size());
    m_openNames.append(name);
    m_at = end;
    reader.opened(name, m_attributes.data());
    if (empty) {
        reader.closed(name);
        m_openNames.resize(m_openAt.back());
        m_openAt.pop_back();
    }
}

void XmlScanner::endTag(XmlReader& reader, size_t end) {
    std::string_view name(m_buffer.data() + m_at + 2, end - m_at - 3);
    while (!name.empty() && blank(name.back()))
        name.remove_suffix(1);
    if (m_openAt.empty() || innermost() != name) {
        // Appended: g++ 12's -Wrestrict (with -O2 and -Werror) reports a false overlap in a string literal joined to a
        // temporary (GCC bug 105329).
        std::string what = "</";
        what.append(name).append("> closes ");
        if (m_openAt.empty())
            what.append("nothing");
        else
            what.append("<").append(innermost()).append(">");
        damaged(what);
    }
    m_at = end;
    reader.closed(name);
    m_openNames.resize(m_openAt.back());
    m_openAt.pop_back();
}

// The part's end: every element closed, and one there.
void XmlScanner::partEnded() const {
    if (!m_openAt.empty())
        damaged(std::string("it ends inside <").append(innermost()).append(">"));
    if (!m_rooted)
        damaged("it holds no element");
}

// The steps of run() that every tag or text passes through are kept inline
// (always_inline): as calls they cost the scanner some 2.5% more
// instructions.

// Text up to the next tag. With no tag in the buffer the text may go on in
// the next piece; at the part's end it is all there is.
[[gnu::always_inline]] inline void XmlScanner::textUntilTag(XmlReader& reader) {
    const size_t next = m_buffer.find('<', m_at);
    if (next != std::string::npos)
        textRun(reader, next);
    else if (m_ended || m_buffer.size() - m_at >= LongestToken || !fill())
        textRun(reader, m_buffer.size());
}

// Where what `from` opens is closed by `until`, read as far as needed.
[[gnu::always_inline]] inline size_t XmlScanner::closedAt(size_t from, std::string_view until, const char* what) {
    const size_t end = need(from, until);
    if (end == std::string::npos)
        damaged(what);
    return end;
}

// A CDATA section ending at `end`: its text as it is, line ends as XML reads them.
void XmlScanner::cdata(XmlReader& reader, size_t end) {
    if (reader.wantsText()) {
        std::string_view text(m_buffer.data() + m_at + 9, end - m_at - 12);
        if (text.find('\r') != std::string_view::npos) {
            m_scratch.clear();
            for (size_t i = 0; i < text.size(); ++i)
                if (text[i] != '\r')
                    m_scratch += text[i];
                else if (i + 1 == text.size() || text[i + 1] != '\n')
                    m_scratch += '\n';
            text = m_scratch;
        }
        if (!olvaris::text::isValidUtf8(text))
            damaged("text that is not UTF-8");
        reader.text(text);
    }
    m_at = end;
}

// A processing instruction ending at `end`: passed over, but an XML
// declaration must not name an encoding other than UTF-8.
void XmlScanner::instruction(size_t end) {
    const std::string_view instruction(m_buffer.data() + m_at, end - m_at);
    if (instruction.substr(0, 5) == "<?xml" && instruction.find("encoding") != std::string_view::npos) {
        const size_t quote = instruction.find_first_of("\"'", instruction.find("encoding"));
        const std::string_view encoding = quote == std::string_view::npos ? "" : instruction.substr(quote + 1, 5);
        if (encoding.size() < 5 || (encoding != "UTF-8" && encoding != "utf-8"))
            damaged("only UTF-8 XML is read here");
    }
    m_at = end;
}

// Where the start tag at m_at ends: the first '>' outside quotes, that is
// the first '>' unless a quote before it is left open.
[[gnu::always_inline]] inline size_t XmlScanner::startTagEnd() {
    size_t end = m_at + 1;
    for (char quote = 0;;) {
        const size_t close = m_buffer.find(quote != 0 ? quote : '>', end);
        if (close == std::string::npos) {
            const size_t offset = end - m_at;
            if (!fill())
                damaged("a tag not closed");
            end = m_at + offset;
            continue;
        }
        if (quote != 0) {
            quote = 0;
            end = close + 1;
            continue;
        }
        const char* from = m_buffer.data() + end;
        const char* open = std::find_if(from, static_cast<const char*>(m_buffer.data() + close),
                                        [](char c) { return c == '"' || c == '\'' || c == '<'; });
        if (open == m_buffer.data() + close)
            return close;
        if (*open == '<')
            damaged("a '<' inside a tag");
        quote = *open;
        end = size_t(open - m_buffer.data()) + 1;
    }
}

// The markup at m_at, told by what follows its '<'.
[[gnu::always_inline]] inline void XmlScanner::markup(XmlReader& reader) {
    const char second = m_at + 1 < m_buffer.size() ? m_buffer[m_at + 1] : '\0';
    const std::string_view head(m_buffer.data() + m_at, std::min<size_t>(9, m_buffer.size() - m_at));
    if (second == '/')
        endTag(reader, closedAt(2, ">", "an end tag not closed"));
    else if (second == '!' && head.substr(0, 4) == "<!--")
        m_at = closedAt(4, "-->", "a comment not closed");
    else if (second == '!' && head == "<![CDATA[")
        cdata(reader, closedAt(9, "]]>", "a CDATA section not closed"));
    else if (second == '!')
        throw ReadError(0, m_name + " declares a document type (where entities are declared): no workbook does");
    else if (second == '?')
        instruction(closedAt(2, "?>", "a processing instruction not closed"));
    else
        startTag(reader, startTagEnd() + 1);
}

bool XmlScanner::run(XmlReader& reader) {
    reader.m_pauseAsked = false;
    for (;;) {
        if (reader.m_pauseAsked)
            return true;
        if (m_at >= m_buffer.size() && !fill()) {
            partEnded();
            return false;
        }
        if (m_buffer[m_at] != '<')
            textUntilTag(reader);
        else if (m_buffer.size() - m_at < 9 && !m_ended)
            fill(); // the longest head told apart, "<![CDATA[", whole
        else
            markup(reader);
    }
}

} // namespace olvaris::workbook
