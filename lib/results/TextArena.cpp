#include "TextArena.h"
#include <algorithm>
#include <cstring>

namespace olvaris {

std::uint64_t TextArena::reserve(std::uint64_t size) {
    if (!m_chunks.empty() && fits(m_end, size))
        return m_end;
    // A new chunk, large enough for the text; a very long text takes as many
    // offset slots as its size needs, the extra slots left empty.
    const std::uint64_t bytes = std::max(ChunkSize, size);
    const std::uint64_t slotCount = (bytes + ChunkSize - 1) / ChunkSize;
    const std::uint64_t start = std::uint64_t(m_chunks.size()) * ChunkSize;
    m_chunks.push_back(allocatePages<char>(bytes));
    m_chunkBytes.push_back(bytes);
    for (std::uint64_t i = 1; i < slotCount; ++i) {
        m_chunks.emplace_back();
        m_chunkBytes.push_back(0);
    }
    m_allocated += bytes;
    m_end = start;
    return start;
}

bool TextArena::fits(std::uint64_t offset, std::uint64_t size) const {
    const std::uint64_t slot = offset / ChunkSize;
    if (slot >= m_chunks.size() || !m_chunks[slot])
        return false;
    return offset % ChunkSize + size <= m_chunkBytes[slot];
}

void TextArena::write(std::uint64_t offset, QByteArrayView text) {
    if (!text.isEmpty())
        std::memcpy(m_chunks[offset / ChunkSize].get() + offset % ChunkSize, text.data(), size_t(text.size()));
    m_end = offset + std::uint64_t(text.size());
}

void TextArena::clear() {
    std::vector<PageArray<char>>().swap(m_chunks);
    std::vector<std::uint64_t>().swap(m_chunkBytes);
    m_end = 0;
    m_allocated = 0;
}

} // namespace olvaris
