#pragma once
#include <cstddef>
#include <memory>
#include <vector>

namespace olvaris {

// A sequence of small fixed records in blocks that never move: appending
// copies nothing, and a million records cost their own size and a pointer
// per block. Removal in the middle shifts the later records down.
template <class Record, std::size_t BlockRecords = 8192>
class RowStore {
public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    Record& operator[](std::size_t i) { return m_blocks[i / BlockRecords][i % BlockRecords]; }
    const Record& operator[](std::size_t i) const { return m_blocks[i / BlockRecords][i % BlockRecords]; }

    void push_back(const Record& record) {
        if (m_size == m_blocks.size() * BlockRecords)
            m_blocks.push_back(std::make_unique<Record[]>(BlockRecords));
        (*this)[m_size++] = record;
    }

    void erase(std::size_t i) {
        for (std::size_t k = i; k + 1 < m_size; ++k)
            (*this)[k] = (*this)[k + 1];
        --m_size;
        if (m_size + BlockRecords <= m_blocks.size() * BlockRecords)
            m_blocks.pop_back();
    }

    void clear() {
        std::vector<std::unique_ptr<Record[]>>().swap(m_blocks);
        m_size = 0;
    }

private:
    std::vector<std::unique_ptr<Record[]>> m_blocks;
    std::size_t m_size = 0;
};

} // namespace olvaris
