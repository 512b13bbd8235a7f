#pragma once
#include "X11RequestQueue.h"
#include <QByteArray>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <utility>
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
    // The bits of a window's ID that tell it from the other windows of its
    // client (the same for every client of the server).
    uint32_t resourceIdMask() const { return xcb_get_setup(m_xcb)->resource_id_mask; }

private:
    Connection(xcb_connection_t* xcb, xcb_window_t window);

    xcb_connection_t* m_xcb;
    xcb_window_t m_window;
    size_t m_largestChunk;
    std::map<std::string, xcb_atom_t> m_atoms;
};

// Serves a text as the owner of a selection: answers TARGETS, TIMESTAMP and
// the text types, large texts in pieces (the INCR protocol); refuses the
// rest (MULTIPLE among them). Every request shares the one text (and one
// Latin-1 copy, none for ASCII): an open transfer is a place in the text
// and nothing more. What any client can cost is bounded: requests wait in
// a RequestQueue (a few per client, taken client after client), at most
// MaxTransfersPerClient transfers are open for one client (its further
// text requests are refused) and MaxTransfers in all. A requestor that
// stops taking its pieces loses its transfer after StalledTransfer, or
// sooner when all are open and another asks: the longest stalled gives its
// place up, never one that keeps taking pieces; a requestor whose window
// is gone loses it at once.
//
// Events are only taken by handle(); the answers are written by
// serveTurn(), a bounded share at a time, so the caller can write only
// while the server reads: libxcb reads every event the server sends while
// a write waits, into a queue of its own without bound.
class SelectionServer {
public:
    using Clock = std::chrono::steady_clock;

    SelectionServer(Connection& connection, xcb_atom_t selection, QByteArray utf8, xcb_timestamp_t since);

    // Takes the event when it belongs to serving the selection.
    bool handle(const xcb_generic_event_t* event);
    // Whether requests or pieces wait to be written.
    bool hasWork() const { return !m_waiting.empty() || !m_due.empty(); }
    // Writes the pieces due and answers the requests waiting, at most
    // AnswersPerTurn of them and about TurnBytes of text, and flushes.
    void serveTurn();
    // From now on serves the client that made the window alone (the
    // clipboard manager at the close); others' requests are dropped.
    void serveOnlyClientOf(xcb_window_t window);
    // The requests not answered yet, for the server that follows this one.
    RequestQueue giveUpWaitingRequests() {
        return std::exchange(m_waiting, RequestQueue(m_connection.resourceIdMask()));
    }
    void adoptWaitingRequests(RequestQueue waiting) { m_waiting = std::move(waiting); }
    // Whether a piecewise transfer is still going on.
    bool transferring() const { return !m_transfers.empty(); }
    // Ends the transfers whose requestors took no piece for StalledTransfer.
    void endStalledTransfers(Clock::time_point now);
    // Whether another owner has taken the selection.
    bool lost() const { return m_lost; }
    const QByteArray& text() const { return m_utf8; }

    static constexpr size_t MaxTransfers = 1024;
    static constexpr size_t MaxTransfersPerClient = 4;
    static constexpr std::chrono::milliseconds StalledTransfer{2000};
    static constexpr int AnswersPerTurn = 64;
    static constexpr size_t TurnBytes = size_t(256) << 10;

private:
    using TransferKey = std::pair<xcb_window_t, xcb_atom_t>;
    struct Transfer {
        QByteArray data;
        xcb_atom_t type;
        size_t sent = 0;
        Clock::time_point moved;
        bool due = false;
    };
    // The bytes of text written.
    size_t answer(const xcb_selection_request_event_t& request);
    size_t sendPiece(const TransferKey& key, Transfer& transfer);
    bool roomForTransfer(xcb_window_t requestor);
    void endTransfersTo(xcb_window_t requestor);

    Connection& m_connection;
    xcb_atom_t m_selection;
    QByteArray m_utf8;
    QByteArray m_latin1;
    xcb_timestamp_t m_since;
    bool m_lost = false;
    RequestQueue m_waiting;
    std::map<TransferKey, Transfer> m_transfers;
    // Transfers whose requestor took the last piece, in the order it did.
    std::deque<TransferKey> m_due;
};

// Tells a requestor that its request is answered in the property, or
// refused (XCB_NONE).
void answerRequest(Connection& connection, const xcb_selection_request_event_t& request, xcb_atom_t property);

} // namespace olvaris::x11
