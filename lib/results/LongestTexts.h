#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace olvaris {

// The rows of a column's longest texts (by their UTF-8 bytes), kept as rows
// arrive, so a column can be fitted to its widest text by measuring a few
// rows rather than millions. The widest on screen is nearly always among
// the longest; Kept of them are measured.
class LongestTexts {
public:
    static constexpr std::size_t Kept = 16;

    // A row's text, new or changed (rows from 0).
    void offer(int row, std::uint64_t length);
    // A row removed: the rows after it move up. Once the rows kept are
    // gone the set must be made again from every row (needsRebuild()).
    void removed(int row);
    void clear() {
        m_entries.clear();
        m_shortest = 0;
    }
    bool needsRebuild(int rowsLeft) const { return m_entries.empty() && rowsLeft > 0; }

    std::vector<int> rows() const;

private:
    struct Entry {
        int row;
        std::uint64_t length;
    };
    static bool shorter(const Entry& a, const Entry& b) { return a.length < b.length; }
    std::vector<Entry> m_entries;
    std::uint64_t m_shortest = 0; // of the entries, once there are Kept
};

} // namespace olvaris
