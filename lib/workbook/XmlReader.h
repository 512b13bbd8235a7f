#pragma once
#include "XmlScanner.h"
#include "ZipArchive.h"
#include <exception>
#include <expat.h>
#include <optional>
#include <string>
#include <string_view>

namespace olvaris::workbook {

// Parses one XML part of a workbook with expat, a piece at a time, and hands
// its elements to the handlers below by their local names ("row" for
// "x:row": a workbook's parts use one vocabulary each, so the prefix, which
// a writer may choose, is passed over rather than resolved). A handler may pause the parse (after a
// row, say) and the next run() goes on from there, so only what is asked
// for is read. A document type declaration, which no workbook's part has
// and which is how entities are declared, is refused, as is nesting
// deeper than any workbook's.
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

private:
    friend class XmlScanner;
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
    // What a handler threw, kept while expat (C, which no exception may
    // cross) is stopped, and thrown again once it has returned.
    std::exception_ptr m_thrown;
    template <typename Handler>
    static void guarded(void* self, Handler handler);
};

} // namespace olvaris::workbook
