#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <zip.h>

struct inflate_state;

namespace olvaris::workbook {

// What a part whose bytes are not those it was written with is told by.
constexpr const char* ChecksumMismatch =
    "does not match its checksum (CRC-32): the file was changed after it was saved";

// A deflated part of a zip archive expanded from its stored bytes (opened
// with ZIP_FL_COMPRESSED) by ISA-L's inflate, which takes a third of the
// time of zlib's that libzip uses (a million rows are 286 MB of XML). The
// CRC-32 the archive gives the part is checked at its end, as libzip checks
// what it expands, so a part changed after it was written is refused,
// never read as other cells.
class PartInflater {
public:
    // The file stays the caller's.
    PartInflater(zip_file_t* stored, std::string name, std::uint32_t crc);
    ~PartInflater();
    PartInflater(const PartInflater&) = delete;
    PartInflater& operator=(const PartInflater&) = delete;

    // At most size bytes; 0 at the end, once the CRC matched. Throws
    // ziplist::ReadError.
    std::size_t read(char* into, std::size_t size);

private:
    std::size_t inflate(char* into, std::size_t size);
    [[noreturn]] void damaged(const std::string& what) const;

    zip_file_t* m_stored;
    std::string m_name;
    std::uint32_t m_expected;
    std::uint32_t m_crc = 0;
    bool m_ended = false;
    // The inflater's state and the stored bytes it reads from.
    std::unique_ptr<inflate_state> m_state;
    std::string m_input;
    bool m_inputEnded = false;
};

} // namespace olvaris::workbook
