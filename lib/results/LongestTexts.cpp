#include "LongestTexts.h"
#include <algorithm>

namespace olvaris {

void LongestTexts::offer(int row, std::uint64_t length) {
    // Nearly every row: one comparison, millions of times a run.
    if (m_entries.size() == Kept && length <= m_shortest)
        return;
    const auto same = std::find_if(m_entries.begin(), m_entries.end(), [row](const Entry& e) { return e.row == row; });
    if (same != m_entries.end()) {
        same->length = std::max(same->length, length);
    } else if (m_entries.size() < Kept) {
        m_entries.push_back({row, length});
    } else {
        *std::min_element(m_entries.begin(), m_entries.end(), shorter) = {row, length};
    }
    m_shortest = std::min_element(m_entries.begin(), m_entries.end(), shorter)->length;
}

void LongestTexts::removed(int row) {
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [row](const Entry& e) { return e.row == row; }),
                    m_entries.end());
    for (Entry& entry : m_entries)
        if (entry.row > row)
            --entry.row;
    if (!m_entries.empty())
        m_shortest = std::min_element(m_entries.begin(), m_entries.end(), shorter)->length;
}

std::vector<int> LongestTexts::rows() const {
    std::vector<int> rows;
    rows.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        rows.push_back(entry.row);
    return rows;
}

} // namespace olvaris
