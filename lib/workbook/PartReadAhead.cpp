#include "PartReadAhead.h"

namespace olvaris::workbook {

PartReadAhead::PartReadAhead(const ZipArchive& archive, const std::string& name)
    : m_part(archive, name), m_thread([this] { expand(); }) {}

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
        m_changed.notify_all();
        return true;
    }
    if (m_failure)
        std::rethrow_exception(m_failure);
    return false;
}

} // namespace olvaris::workbook
