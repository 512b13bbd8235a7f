#pragma once
#include "SystemPages.h"
#include <QByteArrayView>
#include <cstdint>
#include <memory>
#include <vector>

namespace olvaris {

// Append-only storage for the texts of the results list: fixed chunks that
// never move, so growing it copies nothing and leaves no freed blocks behind,
// and a view of a text stays valid until clear().
//
// A place in the arena is one 64-bit offset; texts stored together with
// reserve() lie contiguously in one chunk.
class TextArena {
public:
    static constexpr std::uint64_t ChunkSize = std::uint64_t(1) << 20;

    // Where the next write lands when it fits in the current chunk.
    std::uint64_t end() const { return m_end; }
    // Makes room for size contiguous bytes and returns where they start.
    std::uint64_t reserve(std::uint64_t size);
    // Whether size bytes written at offset stay within its chunk's allocation.
    bool fits(std::uint64_t offset, std::uint64_t size) const;
    // Writes at offset (reserved before) and moves the end past the text.
    void write(std::uint64_t offset, QByteArrayView text);

    // The byte at an offset returned by reserve() (later bytes of the same
    // text follow it in memory).
    const char* at(std::uint64_t offset) const { return m_chunks[offset / ChunkSize].get() + offset % ChunkSize; }

    void clear();
    std::uint64_t allocatedBytes() const { return m_allocated; }

private:
    std::vector<PageArray<char>> m_chunks;   // one slot per ChunkSize of offsets
    std::vector<std::uint64_t> m_chunkBytes; // allocated size of the chunk starting at a slot
    std::uint64_t m_end = 0;
    std::uint64_t m_allocated = 0;
};

} // namespace olvaris
