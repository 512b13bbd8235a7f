#pragma once
#include "CheckedOutput.h"
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::listcheck {

// The texts a checked row is shown with, in the window's columns.
enum class RowText : std::uint8_t { Name, City, State, Zip, Suggestion, Note };
inline constexpr size_t RowTextCount = 6;

// Rows as the check hands them over, a batch at a time: each row's texts
// packed one after another (a 16-bit length, then the bytes), so a batch
// is a few allocations whatever its rows.
struct RowBatch {
    struct Entry {
        std::uint32_t at = 0;   // where its texts begin in texts
        std::uint32_t line = 0; // its line or row in the list
        check::RowVerdict::Kind kind = check::RowVerdict::Kind::Ok;
    };
    std::string texts;
    std::vector<Entry> entries;

    // A text longer than this is cut (at a character's start) where it is
    // shown: no one reads a note of 30,000 characters in a table's cell.
    static constexpr size_t LongestShown = 2000;
    void add(std::uint32_t line, check::RowVerdict::Kind kind, const std::string_view (&texts)[RowTextCount]);
    size_t size() const { return entries.size(); }
};

// Every checked row the window lists, each text held once in fixed chunks
// that never move (appending copies a batch's texts once; the caller drops the batch), a
// row 16 bytes besides its texts.
class CheckedRowStore {
public:
    void append(const RowBatch& batch);
    void clear();
    size_t size() const { return m_size; }
    std::uint32_t line(size_t row) const { return rowAt(row).line; }
    check::RowVerdict::Kind kind(size_t row) const { return rowAt(row).kind; }
    std::string_view text(size_t row, RowText which) const;
    // The bytes held: for the memory figure.
    size_t heldBytes() const;
    // The texts' chunks are of this many bytes; a row's texts lie in one.
    static constexpr size_t ChunkSize = size_t(1) << 20;

private:
    struct Row {
        std::uint64_t at = 0; // in the chunks, as chunk * ChunkSize + offset
        std::uint32_t line = 0;
        check::RowVerdict::Kind kind = check::RowVerdict::Kind::Ok;
    };
    // Rows are kept in blocks too: a vector of a million rows grown by
    // doubling would copy 16 MB at a time while the window waits.
    static constexpr size_t BlockRows = size_t(1) << 16;
    const Row& rowAt(size_t row) const { return m_blocks[row / BlockRows][row % BlockRows]; }
    const char* at(std::uint64_t offset) const { return m_chunks[offset / ChunkSize].get() + offset % ChunkSize; }
    std::vector<std::unique_ptr<Row[]>> m_blocks;
    size_t m_size = 0;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    std::vector<size_t> m_chunkSizes;
    size_t m_used = ChunkSize; // in the last chunk; a full one begins a new chunk
};

} // namespace olvaris::listcheck
