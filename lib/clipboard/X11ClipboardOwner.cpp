#include "X11ClipboardOwner.h"
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace olvaris::x11 {

namespace {

std::unique_ptr<ClipboardOwner> g_owner;
std::once_flag g_started;

// Events are taken a turn at a time, so the window's thread, waiting for
// the lock to give or take the text, gets it between turns of a flood.
// Taking them is cheap (requests past the server's bounds are dropped), so
// the thread reads faster than any flood comes and a paste is seen soon.
constexpr int EventsPerTurn = 512;
// Stalled transfers are looked for at least this often while any is open;
// with none the thread sleeps until the server or the window's thread has
// something for it.
constexpr int LongestSleepMs = 250;

} // namespace

ClipboardOwner* ClipboardOwner::instance() {
    std::call_once(g_started, [] {
        auto connection = Connection::open();
        const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (!connection || wake < 0) {
            if (wake >= 0)
                ::close(wake);
            return;
        }
        g_owner.reset(new ClipboardOwner(std::move(connection), wake));
    });
    return g_owner.get();
}

ClipboardOwner* ClipboardOwner::ifStarted() { return g_owner.get(); }

ClipboardOwner::ClipboardOwner(std::unique_ptr<Connection> connection, int wake)
    : m_connection(std::move(connection)), m_wake(wake), m_clipboard(m_connection->atom("CLIPBOARD")),
      m_thread([this] { serve(); }) {}

ClipboardOwner::~ClipboardOwner() {
    stopServing();
    m_server.reset();
    m_connection.reset();
    ::close(m_wake);
}

void ClipboardOwner::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

// The server's time is asked for while requests may be coming: they are
// answered from the text held until then.
bool ClipboardOwner::take(QByteArray utf8) {
    std::unique_lock lock(m_mutex);
    if (m_stop)
        return false;
    const xcb_timestamp_t now = m_connection->serverTime([this](const xcb_generic_event_t* event) {
        if (m_server)
            m_server->handle(event);
    });
    xcb_set_selection_owner(m_connection->xcb(), m_connection->window(), m_clipboard, now);
    const bool owned = m_connection->selectionOwner(m_clipboard) == m_connection->window();
    // Requests still waiting are answered with the new text.
    std::optional<RequestQueue> waiting;
    if (m_server)
        waiting = m_server->giveUpWaitingRequests();
    m_server.reset();
    if (owned) {
        m_server.emplace(*m_connection, m_clipboard, std::move(utf8), now);
        if (waiting)
            m_server->adoptWaitingRequests(std::move(*waiting));
    }
    lock.unlock();
    // Events read while the window's thread waited are in the connection's
    // queue: the serving thread is woken to look.
    wake();
    return owned;
}

bool ClipboardOwner::release() {
    std::unique_lock lock(m_mutex);
    if (m_server && !m_server->lost())
        xcb_set_selection_owner(m_connection->xcb(), XCB_NONE, m_clipboard, XCB_CURRENT_TIME);
    m_server.reset();
    const bool released = m_connection->selectionOwner(m_clipboard) != m_connection->window();
    lock.unlock();
    wake();
    return released;
}

QByteArray ClipboardOwner::text() {
    std::lock_guard lock(m_mutex);
    return holds() ? m_server->text() : QByteArray();
}

ClipboardOwner::Serving ClipboardOwner::stopServing() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    return Serving{*m_connection, holds() ? &*m_server : nullptr};
}

void ClipboardOwner::serve() {
    xcb_connection_t* xcb = m_connection->xcb();
    bool writable = false;
    for (;;) {
        bool moreEvents = false;
        bool work = false;
        bool transferring = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            int taken = 0;
            for (; taken < EventsPerTurn; ++taken) {
                Reply<xcb_generic_event_t> event(xcb_poll_for_event(xcb));
                if (!event)
                    break;
                if (m_server)
                    m_server->handle(event.get());
            }
            moreEvents = taken == EventsPerTurn;
            if (m_server && writable && m_server->hasWork()) {
                m_server->serveTurn();
                // A write that waited may have queued events on the way.
                moreEvents = true;
            }
            if (m_server) {
                m_server->endStalledTransfers(SelectionServer::Clock::now());
                // Another program's copy: the text is of no more use.
                if (m_server->lost())
                    m_server.reset();
            }
            if (xcb_connection_has_error(xcb)) {
                m_server.reset();
                return;
            }
            work = m_server && m_server->hasWork();
            transferring = m_server && m_server->transferring();
        }
        // Answers wait until the socket takes them: then they are written
        // at once, and the events that come meanwhile stay with the server.
        pollfd waits[2] = {{xcb_get_file_descriptor(xcb), short(POLLIN | (work ? POLLOUT : 0)), 0},
                           {m_wake, POLLIN, 0}};
        ::poll(waits, 2, moreEvents ? 0 : transferring ? LongestSleepMs : -1);
        writable = (waits[0].revents & POLLOUT) != 0;
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wake, &count, sizeof count);
    }
}

} // namespace olvaris::x11
