#pragma once
#include "XmlScanner.h"
#include "ZipArchive.h"
#include <array>
#include <cstddef>
#include <exception>
#include <expat.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::workbook {

// Parses one XML part of a workbook with expat, a piece at a time, and hands
// its elements to the handlers below by their local names ("row" for
// "x:row"), with the namespace each is in: a reader that names the
// namespaces it reads (readOnly) is given theirs only, so a <row> of
// another vocabulary is never taken for the sheet's. A handler may pause
// the parse (after a row, say) and the next run() goes on from there, so
// only what is asked for is read. A document type declaration, which no
// workbook's part has and which is how entities are declared, is refused,
// as is nesting deeper than any workbook's.
class XmlReader {
public:
    // Expat reads any XML; the scanner (XmlScanner.h) reads what a
    // spreadsheet writes for its big parts, four times as fast.
    enum class Engine { Expat, Scanner };
    XmlReader(const ZipArchive& archive, const std::string& part, Engine engine = Engine::Expat);
    virtual ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Parses until a handler pauses (true) or the part ends (false).
    // Throws ziplist::ReadError.
    bool run();
    // How much of the part has been read, from 0 to 1; below 0 where that
    // cannot be told (expat's reading).
    double fractionRead() const { return m_scanner ? m_scanner->fractionRead() : -1; }

protected:
    virtual void start(std::string_view name, const char** attributes) = 0;
    virtual void end(std::string_view name) = 0;
    // Character data, only while collecting (see collect()).
    virtual void text(std::string_view) {}
    void pause();
    void collect(bool on) { m_collecting = on; }
    bool collecting() const { return m_collecting; }
    // The scanner, for a reader that reads some of the part itself; null
    // with expat.
    XmlScanner* scanner() { return m_scanner ? &*m_scanner : nullptr; }
    // An attribute's value by its local name; nullptr where there is none.
    static const char* attribute(const char** attributes, std::string_view name);
    static std::string_view localName(std::string_view name);

    // The namespaces (by their names, URIs) whose elements the handlers
    // are given; an element of another, and all it holds, text and all, is
    // passed over. Set before the first run(); where none are, every
    // element is handed over.
    void readOnly(std::vector<std::string> spaces) { m_spaces = std::move(spaces); }
    // Which of them the element a handler is given is in: its index in
    // readOnly's list. NoSpace where readOnly names none.
    std::size_t space() const { return m_space; }
    // The innermost open element's namespace, as space() tells it.
    std::size_t openSpace() const { return m_open.empty() ? NoSpace : m_open.back().space; }
    static constexpr std::size_t NoSpace = std::size_t(-1);

private:
    friend class XmlScanner;
    // An element's start and end as written, prefix and all, from either
    // engine: its namespace told, then handed over or passed over.
    void opened(std::string_view name, const char** attributes);
    void closed(std::string_view name);
    bool wantsText() const { return m_collecting && m_passing == 0; }
    // A prefix's namespace, of those read; NoSpace for another, or none.
    std::size_t spaceOf(std::string_view prefix) {
        // Prefixes are a few bytes, compared here rather than by a call.
        for (std::size_t i = 0; i < m_toldCount; ++i) {
            const std::string_view told = m_told[i].prefix;
            if (told.size() != prefix.size())
                continue;
            std::size_t same = 0;
            while (same < told.size() && told[same] == prefix[same])
                ++same;
            if (same == told.size())
                return m_told[i].space;
        }
        return declaredSpace(prefix);
    }
    std::size_t declaredSpace(std::string_view prefix);

    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes);
    static void onEnd(void* self, const XML_Char* name);
    static void onText(void* self, const XML_Char* text, int length);
    static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int);
    void stop(const std::string& why);
    [[noreturn]] void fail();

    std::optional<ZipArchive::Part> m_part;
    std::optional<XmlScanner> m_scanner;
    std::string m_name;
    XML_Parser m_parser = nullptr;
    bool m_pauseAsked = false;
    std::string m_piece;
    bool m_suspended = false;
    bool m_ended = false;
    bool m_collecting = false;
    int m_depth = 0;
    std::string m_refused;
    // The namespaces read, those declared in scope (innermost last), and
    // each open element's: the declarations in scope before it, its own.
    std::vector<std::string> m_spaces;
    struct Declared {
        std::string prefix; // empty for the default namespace
        std::size_t space;
    };
    std::vector<Declared> m_declared;
    struct Open {
        std::size_t declared, space;
    };
    std::vector<Open> m_open;
    std::size_t m_space = NoSpace;
    std::size_t m_passing = 0; // open elements in one passed over, it too
    // The last prefixes told, while the declarations stay as they are: a
    // part's elements use a few, declared once at its root.
    struct Told {
        std::string_view prefix;
        std::size_t space;
    };
    std::array<Told, 4> m_told{};
    std::size_t m_toldCount = 0, m_toldNext = 0;
    // What a handler threw, kept while expat (C, which no exception may
    // cross) is stopped, and thrown again once it has returned.
    std::exception_ptr m_thrown;
    template <typename Handler>
    static void guarded(void* self, Handler handler);
};

} // namespace olvaris::workbook
