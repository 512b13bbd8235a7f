#pragma once
#include "PartReadAhead.h"
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::workbook {

class XmlReader;

// A quick reader of the XML a spreadsheet writes for its big parts (a
// sheet's rows, its shared strings): hundreds of megabytes for a million
// rows, where a general parser takes four times as long as the check of
// the same rows as CSV. It reads UTF-8 XML without a document type, checks
// that every tag is closed in order, and gives the same events as the
// general parser: start and end tags by their local names, attributes with
// their references resolved, text (with its references and CDATA) while
// the reader collects it. Anything else is a damaged part.
class XmlScanner {
public:
    // How much of the part has been read, from 0 to 1; below 0 where not known.
    double fractionRead() const { return m_part.fractionTaken(); }
    XmlScanner(const ZipArchive& archive, const std::string& part);
    // Reads until the reader pauses (true) or the part ends (false).
    // Throws ziplist::ReadError.
    bool run(XmlReader& reader);

    // For a reader that knows a part's shape and reads some of it itself
    // (see QuickXml.h), between the scanner's tokens: the bytes not yet
    // read; the next piece read onto them (false at the part's end, the
    // bytes then as they were); and bytes the reader has read, whole
    // elements and the text between them, so what is open stays open.
    std::string_view unread() const { return std::string_view(m_buffer).substr(m_at); }
    bool readMore() { return fill(); }
    void passOver(size_t bytes) { m_at += bytes; }
    // The innermost open element's name as written, prefix and all (empty
    // where none is open), and how many are open.
    std::string_view openElement() const { return m_openAt.empty() ? std::string_view() : innermost(); }
    size_t depth() const { return m_openAt.size(); }
    static constexpr size_t DeepestNesting = 64;

private:
    bool fill();
    size_t need(size_t from, std::string_view until);
    void partEnded() const;
    void textUntilTag(XmlReader& reader);
    void markup(XmlReader& reader);
    size_t closedAt(size_t from, std::string_view until, const char* what);
    void cdata(XmlReader& reader, size_t end);
    void instruction(size_t end);
    size_t startTagEnd();
    void startTag(XmlReader& reader, size_t end);
    void endTag(XmlReader& reader, size_t end);
    void textRun(XmlReader& reader, size_t end);
    std::string_view resolved(std::string_view raw, std::string& into, bool attribute);
    [[noreturn]] void damaged(const std::string& what) const;

    PartReadAhead m_part;
    std::string m_name;
    // The bytes read, from m_at on; before it, what is read or free room.
    std::string m_buffer;
    size_t m_at = 0;
    std::string m_piece; // the next piece, as it is taken
    bool m_begun = false;
    bool m_ended = false;
    bool m_rooted = false;
    // The open elements' names, one after another, and where each begins.
    std::string m_openNames;
    std::vector<size_t> m_openAt;
    std::string_view innermost() const { return std::string_view(m_openNames).substr(m_openAt.back()); }
    // A tag's attributes, NUL-ended, and the pointers the handlers get.
    std::string m_attributeText;
    std::vector<size_t> m_attributeAt;
    std::vector<const char*> m_attributes;
    std::string m_scratch;
};

} // namespace olvaris::workbook
