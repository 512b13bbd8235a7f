#include "PartInflater.h"
#include "ReadError.h"
#include <isa-l/igzip_lib.h>
#include <algorithm>

namespace olvaris::workbook {

namespace {

// Stored bytes read at a time: some 512 KiB of a sheet's XML.
constexpr std::size_t StoredPiece = 64 * std::size_t(1024);

// ISA-L's AVX code returns with the vector registers' upper halves dirty,
// and every SSE instruction the thread runs after pays for that (the
// check's distances took twenty times as long): they are cleared after
// each call.
#if defined(__x86_64__)
__attribute__((target("avx"))) void clearUpperHalvesWithAvx() { __builtin_ia32_vzeroupper(); }
void clearUpperHalves() {
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        clearUpperHalvesWithAvx();
}
#else
void clearUpperHalves() {}
#endif

} // namespace

PartInflater::PartInflater(zip_file_t* stored, std::string name, std::uint32_t crc)
    : m_stored(stored), m_name(std::move(name)), m_expected(crc) {
    m_state = std::make_unique<inflate_state>();
    isal_inflate_init(m_state.get());
    m_state->crc_flag = ISAL_GZIP_NO_HDR; // raw deflate, its output's CRC-32 kept
    m_input.resize(StoredPiece);
}

PartInflater::~PartInflater() = default;

void PartInflater::damaged(const std::string& what) const {
    throw ziplist::ReadError(0, "the workbook is damaged: " + m_name + " " + what);
}

std::size_t PartInflater::read(char* into, std::size_t size) {
    if (m_ended || size == 0)
        return 0;
    const std::size_t got = inflate(into, size);
    if (got > 0)
        return got;
    m_ended = true;
    if (m_crc != m_expected)
        damaged(ChecksumMismatch);
    return 0;
}

// Fills `into` whole where the part has that much more: the reader's
// pieces end where its size says, not where a read of stored bytes did.
std::size_t PartInflater::inflate(char* into, std::size_t size) {
    inflate_state& state = *m_state;
    const std::uint32_t room = std::uint32_t(std::min<std::size_t>(size, UINT32_MAX));
    state.next_out = reinterpret_cast<std::uint8_t*>(into);
    state.avail_out = room;
    while (state.avail_out > 0 && state.block_state != ISAL_BLOCK_FINISH) {
        if (state.avail_in == 0 && !m_inputEnded) {
            const zip_int64_t got = zip_fread(m_stored, m_input.data(), m_input.size());
            if (got < 0)
                damaged(std::string("could not be read: ") + zip_file_strerror(m_stored));
            m_inputEnded = got == 0;
            state.next_in = reinterpret_cast<std::uint8_t*>(m_input.data());
            state.avail_in = std::uint32_t(got);
        }
        const std::uint32_t in = state.avail_in, out = state.avail_out;
        const int status = isal_inflate(&state);
        clearUpperHalves();
        if (status != ISAL_DECOMP_OK)
            damaged("holds compressed data that does not expand");
        if (m_inputEnded && state.avail_in == in && state.avail_out == out && state.block_state != ISAL_BLOCK_FINISH)
            damaged("is cut short");
    }
    if (state.block_state == ISAL_BLOCK_FINISH)
        m_crc = state.crc;
    return room - state.avail_out;
}

} // namespace olvaris::workbook
