#pragma once
#include <QByteArray>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <xcb/xcb.h>

namespace olvaris::x11 {

// A reply or event from the server, which the caller frees.
struct FreeEvent {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeEvent>;

inline int eventType(const xcb_generic_event_t* event) { return event->response_type & ~0x80; }

// A connection of its own to the X server, with the atoms of the clipboard
// protocols and one window to own selections and receive answers on. Kept
// apart from Qt's connection, so serving the clipboard here runs none of
// the program's handlers.
class Connection {
public:
    // Null when there is no X server to reach.
    static std::unique_ptr<Connection> open();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* xcb() const { return m_xcb; }
    xcb_window_t window() const { return m_window; }
    xcb_atom_t atom(const char* name);
    xcb_window_t selectionOwner(xcb_atom_t selection);
    // The server's time now, from a property change on the window. Other
    // events that come meanwhile go to the given handler (else dropped).
    xcb_timestamp_t serverTime(const std::function<void(const xcb_generic_event_t*)>& others = {});
    // The next event, waiting until the deadline; null when it passed.
    xcb_generic_event_t* waitForEvent(std::chrono::steady_clock::time_point deadline);
    // The largest property one request may write.
    size_t largestChunk() const { return m_largestChunk; }

private:
    Connection(xcb_connection_t* xcb, xcb_window_t window);

    xcb_connection_t* m_xcb;
    xcb_window_t m_window;
    size_t m_largestChunk;
    std::map<std::string, xcb_atom_t> m_atoms;
};

// Serves a text as the owner of a selection: answers TARGETS, TIMESTAMP and
// the text types, large texts in pieces (the INCR protocol). Every request
// shares the one text (and one Latin-1 copy, none for ASCII): an open
// transfer is a place in the text and nothing more, and there are at most
// MaxTransfers, so memory stays bounded whatever the requestors do. A
// requestor that stops taking its pieces loses its transfer after
// StalledTransfer, or sooner when all are open and another asks: the
// longest stalled gives its place up, never one that keeps taking pieces.
class SelectionServer {
public:
    using Clock = std::chrono::steady_clock;

    SelectionServer(Connection& connection, xcb_atom_t selection, QByteArray utf8, xcb_timestamp_t since);

    // Takes the event when it belongs to serving the selection.
    bool handle(const xcb_generic_event_t* event);
    // Whether a piecewise transfer is still going on.
    bool transferring() const { return !m_transfers.empty(); }
    // Ends the transfers whose requestors took no piece for StalledTransfer.
    void endStalledTransfers(Clock::time_point now);
    // Whether another owner has taken the selection.
    bool lost() const { return m_lost; }
    const QByteArray& text() const { return m_utf8; }

    static constexpr size_t MaxTransfers = 1024;
    static constexpr std::chrono::milliseconds StalledTransfer{2000};

private:
    struct Transfer {
        QByteArray data;
        xcb_atom_t type;
        size_t sent = 0;
        Clock::time_point moved;
    };
    void answer(const xcb_selection_request_event_t& request);
    void continueTransfer(const xcb_property_notify_event_t& notify);
    void makeRoomForTransfer();

    Connection& m_connection;
    xcb_atom_t m_selection;
    QByteArray m_utf8;
    QByteArray m_latin1;
    xcb_timestamp_t m_since;
    bool m_lost = false;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> m_transfers;
};

// Tells a requestor that its request is answered in the property, or
// refused (XCB_NONE).
void answerRequest(Connection& connection, const xcb_selection_request_event_t& request, xcb_atom_t property);

} // namespace olvaris::x11
