#include "CheckedRowStore.h"
#include <algorithm>
#include <cstring>

namespace olvaris::listcheck {

namespace {

// The length of text cut to at most limit bytes at a character's start.
size_t cutLength(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return text.size();
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end;
}

std::uint16_t lengthAt(const char* at) {
    std::uint16_t length;
    std::memcpy(&length, at, sizeof length);
    return length;
}

} // namespace

void RowBatch::add(std::uint32_t line, check::RowVerdict::Kind kind, const std::string_view (&shown)[RowTextCount]) {
    entries.push_back({std::uint32_t(texts.size()), line, kind});
    for (const std::string_view text : shown) {
        const auto length = std::uint16_t(cutLength(text, LongestShown));
        texts.append(reinterpret_cast<const char*>(&length), sizeof length);
        texts.append(text.data(), length);
    }
}

void CheckedRowStore::append(const RowBatch& batch) {
    for (size_t i = 0; i < batch.entries.size(); ++i) {
        const RowBatch::Entry& entry = batch.entries[i];
        const size_t end = i + 1 < batch.entries.size() ? batch.entries[i + 1].at : batch.texts.size();
        const size_t length = end - entry.at;
        if (m_used + length > ChunkSize) {
            // A row's texts lie in one chunk: a row that does not fit starts the next, and the
            // unused end of the last stays unused (its pages are never touched, so never resident).
            const size_t size = ChunkSize; // a row's texts are at most 6 * (2 + LongestShown) bytes
            m_chunks.push_back(std::make_unique_for_overwrite<char[]>(size));
            m_chunkSizes.push_back(size);
            m_used = 0;
        }
        const std::uint64_t at = std::uint64_t(m_chunks.size() - 1) * ChunkSize + m_used;
        std::memcpy(m_chunks.back().get() + m_used, batch.texts.data() + entry.at, length);
        m_used += length;
        if (m_size % BlockRows == 0)
            m_blocks.push_back(std::make_unique_for_overwrite<Row[]>(BlockRows));
        m_blocks.back()[m_size % BlockRows] = {at, entry.line, entry.kind};
        ++m_size;
    }
}

void CheckedRowStore::clear() {
    m_blocks.clear();
    m_size = 0;
    m_chunks.clear();
    m_chunkSizes.clear();
    m_used = ChunkSize;
}

std::string_view CheckedRowStore::text(size_t row, RowText which) const {
    const char* at = this->at(rowAt(row).at);
    for (size_t field = 0; field < size_t(which); ++field)
        at += sizeof(std::uint16_t) + lengthAt(at);
    return {at + sizeof(std::uint16_t), lengthAt(at)};
}

size_t CheckedRowStore::heldBytes() const {
    size_t bytes = m_blocks.size() * BlockRows * sizeof(Row);
    for (const size_t size : m_chunkSizes)
        bytes += size;
    return bytes;
}

} // namespace olvaris::listcheck
