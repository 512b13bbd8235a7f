#pragma once
#include "QuickXml.h"
#include <cstddef>
#include <string>
#include <string_view>

namespace olvaris::workbook {

// One shared string read straight from the bytes of the shared strings'
// part, in the form spreadsheets write it: <si><t>text</t></si> (with
// xml:space or not), or <si/>. Rich text and phonetic runs are left to the
// general scanner, the string and all.
class QuickSharedString {
public:
    // The string the bytes begin with (after text between strings), once whole.
    Quick scan(std::string_view bytes);
    std::size_t used() const { return m_used; }
    // The string as the scanner gives it, valid till the next scan.
    std::string_view text() const { return m_text; }

private:
    std::string_view m_text;
    std::string m_resolved;
    std::size_t m_used = 0;
};

} // namespace olvaris::workbook
