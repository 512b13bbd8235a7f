#include "X11RequestQueue.h"

namespace olvaris::x11 {

bool RequestQueue::push(const xcb_selection_request_event_t& request) {
    const uint32_t client = clientOf(request.requestor);
    if (m_onlyClient && client != *m_onlyClient)
        return false;
    if (m_size >= MaxRequests)
        return false;
    auto& waiting = m_byClient[client];
    if (waiting.size() >= MaxPerClient)
        return false;
    waiting.push_back(request);
    ++m_size;
    return true;
}

std::optional<xcb_selection_request_event_t> RequestQueue::pop() {
    if (m_byClient.empty())
        return std::nullopt;
    // The first client after the one served last, round the clients' order.
    auto next = m_byClient.upper_bound(m_lastServed);
    if (next == m_byClient.end())
        next = m_byClient.begin();
    const xcb_selection_request_event_t request = next->second.front();
    next->second.pop_front();
    m_lastServed = next->first;
    if (next->second.empty())
        m_byClient.erase(next);
    --m_size;
    return request;
}

void RequestQueue::keepOnlyClientOf(xcb_window_t window) {
    const uint32_t client = clientOf(window);
    m_onlyClient = client;
    for (auto at = m_byClient.begin(); at != m_byClient.end();) {
        if (at->first == client) {
            ++at;
            continue;
        }
        m_size -= at->second.size();
        at = m_byClient.erase(at);
    }
}

} // namespace olvaris::x11
