#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <xcb/xcb.h>

namespace olvaris::x11 {

// The selection requests waiting for an answer, by the X client that made
// them (windows of one client share the bits outside the resource-ID mask).
// Bounded per client and in all: a request past either bound is not kept,
// so a client asking faster than it is answered costs nothing more than
// its requests already waiting. Taken in turn, one client after another,
// so a paste is answered after at most one request of each flooding
// client, never behind all of theirs.
class RequestQueue {
public:
    explicit RequestQueue(uint32_t resourceIdMask) : m_clientMask(~resourceIdMask) {}

    // Whether the request was kept.
    bool push(const xcb_selection_request_event_t& request);
    // The next request in turn; none when empty.
    std::optional<xcb_selection_request_event_t> pop();
    // Drops every request but those of the client owning the window, and
    // keeps no other client's from now on.
    void keepOnlyClientOf(xcb_window_t window);
    bool empty() const { return m_size == 0; }
    size_t size() const { return m_size; }
    // The client that made a window.
    uint32_t clientOf(xcb_window_t window) const { return window & m_clientMask; }

    static constexpr size_t MaxPerClient = 16;
    static constexpr size_t MaxRequests = 4096;

private:
    uint32_t m_clientMask;
    std::map<uint32_t, std::deque<xcb_selection_request_event_t>> m_byClient;
    uint32_t m_lastServed = 0;
    size_t m_size = 0;
    std::optional<uint32_t> m_onlyClient;
};

} // namespace olvaris::x11
