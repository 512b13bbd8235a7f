#include "SharedStrings.h"
#include "ReadError.h"
#include <algorithm>
#include <limits>

namespace olvaris::workbook {

void SharedStrings::reserve(std::uint64_t partBytes, std::uint64_t mostStrings) {
    m_text.reserve(std::size_t(std::min<std::uint64_t>(partBytes, std::numeric_limits<std::uint32_t>::max())));
    m_ends.reserve(std::size_t(std::min<std::uint64_t>(mostStrings, partBytes / 5 + 1)));
}

void SharedStrings::add(std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max() - m_text.size())
        throw ziplist::ReadError(0, "the shared strings hold more than 4 GiB of text: refused");
    m_text.append(text);
    m_ends.push_back(std::uint32_t(m_text.size()));
}

} // namespace olvaris::workbook
