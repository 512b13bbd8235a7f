#pragma once
#include "SystemPages.h"
#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace olvaris {

// A sequence of small fixed records in blocks that never move: appending
// copies nothing, and a million records cost their own size and a pointer
// per block. Removal moves the records on the shorter side of the removed
// one, a block at a time, so removing near either end is quick at any size.
template <class Record, std::size_t BlockRecords = 8192>
class RowStore {
    static_assert(std::is_trivially_copyable_v<Record>);

public:
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    Record& operator[](std::size_t i) { return slot(m_first + i); }
    const Record& operator[](std::size_t i) const { return const_cast<RowStore*>(this)->slot(m_first + i); }

    void push_back(const Record& record) {
        if (m_first + m_size == m_blocks.size() * BlockRecords)
            m_blocks.push_back(allocatePages<Record>(BlockRecords));
        (*this)[m_size++] = record;
    }

    void erase(std::size_t i) {
        if (i < m_size / 2) {
            moveTowardTheEnd(m_first, m_first + i);
            if (++m_first == BlockRecords) {
                m_blocks.erase(m_blocks.begin());
                m_first = 0;
            }
        } else {
            moveTowardTheStart(m_first + i + 1, m_first + m_size);
        }
        --m_size;
        if (m_first + m_size + BlockRecords <= m_blocks.size() * BlockRecords)
            m_blocks.pop_back();
        if (m_size == 0)
            clear();
    }

    void clear() {
        std::vector<PageArray<Record>>().swap(m_blocks);
        m_size = 0;
        m_first = 0;
    }

private:
    Record& slot(std::size_t at) { return m_blocks[at / BlockRecords][at % BlockRecords]; }

    // Moves the records in slots [from, to) one slot back, over slot from - 1.
    void moveTowardTheStart(std::size_t from, std::size_t to) {
        while (from < to) {
            const std::size_t offset = from % BlockRecords;
            const std::size_t count = std::min(BlockRecords - offset, to - from);
            Record* run = &slot(from);
            slot(from - 1) = run[0];
            std::copy(run + 1, run + count, run);
            from += count;
        }
    }

    // Moves the records in slots [from, to) one slot on, over slot to.
    void moveTowardTheEnd(std::size_t from, std::size_t to) {
        while (to > from) {
            const std::size_t offset = (to - 1) % BlockRecords;
            const std::size_t count = std::min(offset + 1, to - from);
            Record* run = &slot(to - count);
            slot(to) = run[count - 1];
            std::copy_backward(run, run + count - 1, run + count);
            to -= count;
        }
    }

    std::vector<PageArray<Record>> m_blocks;
    std::size_t m_size = 0;
    std::size_t m_first = 0; // the slot of the first record, in the first block
};

} // namespace olvaris
