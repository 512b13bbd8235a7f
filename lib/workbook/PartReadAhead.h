#pragma once
#include "ZipArchive.h"
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

namespace olvaris::workbook {

// A part of the archive expanded in a thread of its own, a few pieces
// ahead of the reader, so the inflating and the reading of a big part take
// the time of the slower one, not of both. At most Ahead pieces wait. What
// goes wrong in the thread (a damaged part, a zip bomb, memory running
// out) is thrown to the reader where it would have met it.
// Invariant: the thread inflates through the archive's zip_t while the
// reader's thread goes on, and libzip asks that every use of one archive be
// synchronised. It is safe only because nothing else opens or reads a part
// of that archive while a read-ahead runs, and the sheet that owns both
// declares its ZipArchive before its rows (XlsxSheet, OdsSheet), so the
// read-ahead (and its thread) ends before the archive closes.
class PartReadAhead {
public:
    PartReadAhead(const ZipArchive& archive, const std::string& name);
    ~PartReadAhead();
    PartReadAhead(const PartReadAhead&) = delete;
    PartReadAhead& operator=(const PartReadAhead&) = delete;

    // Hands the next piece over whole, not copied (a megabyte a piece, a
    // copy costs a reader as much as reading it): its bytes begin at
    // Headroom, and the room before them is the reader's, to put in front
    // what it kept of the piece before. False at the end. Throws
    // ziplist::ReadError.
    bool take(std::string& piece);
    static constexpr size_t Headroom = 16 * size_t(1024);
    // How much of the part has been taken, from 0 to 1 (below 0 where the
    // archive does not give its size): for a progress bar.
    double fractionTaken() const;

private:
    static constexpr size_t Ahead = 4;
    static constexpr size_t Piece = 1024 * size_t(1024);
    void expand();

    ZipArchive::Part m_part;
    uint64_t m_declared;  // fixed before the thread starts
    uint64_t m_taken = 0; // the reader's count, on its thread
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_ready;
    bool m_ended = false, m_stopping = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace olvaris::workbook
