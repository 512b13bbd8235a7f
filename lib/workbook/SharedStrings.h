#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::workbook {

// A workbook's shared strings, held as one block of text and where each
// string ends: a string costs its text and four bytes, so millions of
// empty ones cost megabytes, not the hundreds a string object each would.
class SharedStrings {
public:
    // Room for the strings of a part of `partBytes` bytes, whose text
    // cannot be longer nor its strings more than one in five bytes
    // ("<si/>"): grown by doubling, the text was held twice while it
    // was copied, tens of megabytes at the peak. Only what is written is
    // resident, so room a smaller text leaves costs nothing.
    void reserve(std::uint64_t partBytes, std::uint64_t mostStrings);
    // Throws ziplist::ReadError past 4 GiB of text in all.
    void add(std::string_view text);
    std::size_t size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t index) const {
        const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
        return std::string_view(m_text).substr(begin, m_ends[index] - begin);
    }

private:
    std::string m_text;
    std::vector<std::uint32_t> m_ends;
};

} // namespace olvaris::workbook
