#include "PartReadAhead.h"
#include <algorithm>

namespace olvaris::workbook {

PartReadAhead::PartReadAhead(const ZipArchive& archive, const std::string& name)
    : m_part(archive, name), m_declared(m_part.declaredSize()), m_thread([this] { expand(); }) {}

double PartReadAhead::fractionTaken() const {
    if (m_declared == UINT64_MAX || m_declared == 0)
        return -1;
    return std::min(1.0, double(m_taken) / double(m_declared));
}

PartReadAhead::~PartReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PartReadAhead::expand() {
    try {
        for (;;) {
            std::string piece(Headroom + Piece, '\0');
            piece.resize(Headroom + m_part.read(piece.data() + Headroom, Piece));
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || m_ready.size() < Ahead; });
            if (m_stopping)
                return;
            if (piece.size() == Headroom) {
                m_ended = true;
                m_changed.notify_all();
                return;
            }
            m_ready.push_back(std::move(piece));
            m_changed.notify_all();
        }
    } catch (...) {
        const std::lock_guard lock(m_mutex);
        m_failure = std::current_exception();
        m_changed.notify_all();
    }
}

bool PartReadAhead::take(std::string& piece) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_ended || m_failure; });
    if (!m_ready.empty()) {
        piece.swap(m_ready.front());
        m_ready.pop_front();
        m_taken += piece.size() > Headroom ? piece.size() - Headroom : 0;
        m_changed.notify_all();
        return true;
    }
    if (m_failure)
        std::rethrow_exception(m_failure);
    return false;
}

} // namespace olvaris::workbook
