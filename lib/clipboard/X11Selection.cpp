#include "X11Selection.h"
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace olvaris::x11 {

namespace {

// Pieces of a large transfer stay well below any server's request limit,
// and within what the socket to the server takes without waiting.
constexpr size_t LargestPiece = size_t(64) << 10;

bool isAscii(const QByteArray& text) {
    return std::all_of(text.cbegin(), text.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::unique_ptr<Connection> Connection::open() {
    int screenNumber = 0;
    xcb_connection_t* xcb = xcb_connect(nullptr, &screenNumber);
    if (!xcb || xcb_connection_has_error(xcb)) {
        if (xcb)
            xcb_disconnect(xcb);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(xcb);
        return nullptr;
    }
    const xcb_window_t window = xcb_generate_id(xcb);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    return std::unique_ptr<Connection>(new Connection(xcb, window));
}

Connection::Connection(xcb_connection_t* xcb, xcb_window_t window)
    : m_xcb(xcb), m_window(window),
      m_largestChunk(std::min(LargestPiece, size_t(xcb_get_maximum_request_length(xcb)) * 4 - 1024)) {}

Connection::~Connection() {
    xcb_destroy_window(m_xcb, m_window);
    xcb_flush(m_xcb);
    xcb_disconnect(m_xcb);
}

xcb_atom_t Connection::atom(const char* name) {
    if (const auto known = m_atoms.find(name); known != m_atoms.end())
        return known->second;
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_xcb, xcb_intern_atom(m_xcb, 0, uint16_t(std::strlen(name)), name), nullptr));
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    m_atoms[name] = atom;
    return atom;
}

xcb_window_t Connection::selectionOwner(xcb_atom_t selection) {
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_xcb, xcb_get_selection_owner(m_xcb, selection), nullptr));
    return reply ? reply->owner : xcb_window_t(XCB_NONE);
}

xcb_timestamp_t Connection::serverTime(const std::function<void(const xcb_generic_event_t*)>& others) {
    const xcb_atom_t probe = atom("_OLVARIS_TIME");
    xcb_change_property(m_xcb, XCB_PROP_MODE_APPEND, m_window, probe, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(m_xcb);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (xcb_generic_event_t* event = waitForEvent(deadline)) {
        Reply<xcb_generic_event_t> owned(event);
        if (eventType(event) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (notify->window == m_window && notify->atom == probe)
                return notify->time;
        }
        if (others)
            others(event);
    }
    return XCB_CURRENT_TIME;
}

// The deadline holds whatever the traffic: a client that keeps asking must
// not keep the caller waiting past it.
xcb_generic_event_t* Connection::waitForEvent(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return nullptr;
        if (xcb_generic_event_t* event = xcb_poll_for_event(m_xcb))
            return event;
        if (xcb_connection_has_error(m_xcb))
            return nullptr;
        pollfd socket{xcb_get_file_descriptor(m_xcb), POLLIN, 0};
        ::poll(&socket, 1, int(std::max<long long>(1, left.count())));
    }
}

SelectionServer::SelectionServer(Connection& connection, xcb_atom_t selection, QByteArray utf8, xcb_timestamp_t since)
    : m_connection(connection), m_selection(selection), m_utf8(std::move(utf8)), m_since(since),
      m_waiting(connection.resourceIdMask()) {}

bool SelectionServer::handle(const xcb_generic_event_t* event) {
    switch (eventType(event)) {
    case XCB_SELECTION_REQUEST: {
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request->owner != m_connection.window())
            return false;
        // Past the queue's bounds the request is dropped unanswered: its
        // client already has requests waiting, or too many clients have.
        m_waiting.push(*request);
        return true;
    }
    case XCB_SELECTION_CLEAR: {
        const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        if (clear->selection != m_selection || clear->owner != m_connection.window())
            return false;
        m_lost = true;
        return true;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const auto transfer = m_transfers.find({notify->window, notify->atom});
        if (transfer == m_transfers.end())
            return false;
        // The requestor took the last piece: the next is due.
        if (notify->state == XCB_PROPERTY_DELETE && !transfer->second.due) {
            transfer->second.due = true;
            m_due.push_back(transfer->first);
        }
        return true;
    }
    case 0: {
        // A requestor's window destroyed meanwhile: its transfers end.
        const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event);
        if (error->error_code != XCB_WINDOW)
            return false;
        endTransfersTo(error->resource_id);
        return true;
    }
    default:
        return false;
    }
}

namespace {

void notifyRequestor(xcb_connection_t* xcb, const xcb_selection_request_event_t& request, xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(xcb, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
}

} // namespace

void answerRequest(Connection& connection, const xcb_selection_request_event_t& request, xcb_atom_t property) {
    notifyRequestor(connection.xcb(), request, property);
    xcb_flush(connection.xcb());
}

void SelectionServer::serveTurn() {
    size_t bytes = 0;
    while (!m_due.empty() && bytes < TurnBytes) {
        const TransferKey key = m_due.front();
        m_due.pop_front();
        const auto transfer = m_transfers.find(key);
        if (transfer != m_transfers.end() && transfer->second.due)
            bytes += sendPiece(key, transfer->second);
    }
    for (int answered = 0; answered < AnswersPerTurn && bytes < TurnBytes; ++answered) {
        const auto request = m_waiting.pop();
        if (!request)
            break;
        bytes += answer(*request);
    }
    xcb_flush(m_connection.xcb());
}

void SelectionServer::serveOnlyClientOf(xcb_window_t window) {
    m_waiting.keepOnlyClientOf(window);
    const uint32_t client = m_waiting.clientOf(window);
    for (auto at = m_transfers.begin(); at != m_transfers.end();)
        at = m_waiting.clientOf(at->first.first) == client ? std::next(at) : m_transfers.erase(at);
}

size_t SelectionServer::answer(const xcb_selection_request_event_t& request) {
    xcb_connection_t* xcb = m_connection.xcb();
    xcb_atom_t answered = XCB_NONE;
    size_t written = 0;

    // Old clients name no property: the target is the property then.
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    // The request's time is not held against it: the server sends requests
    // to the owner only, and clients (Qt among them) stamp them with the
    // last time they saw, which may be before this owner took the selection.
    const bool ours = request.selection == m_selection && !m_lost;
    const xcb_atom_t utf8 = m_connection.atom("UTF8_STRING");
    const xcb_atom_t plainUtf8 = m_connection.atom("text/plain;charset=utf-8");
    const xcb_atom_t targets = m_connection.atom("TARGETS");
    const xcb_atom_t timestamp = m_connection.atom("TIMESTAMP");
    const xcb_atom_t text = m_connection.atom("TEXT");
    const xcb_atom_t plain = m_connection.atom("text/plain");

    auto sendData = [&](const QByteArray& data, xcb_atom_t type) {
        if (size_t(data.size()) <= m_connection.largestChunk()) {
            xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8, uint32_t(data.size()),
                                data.constData());
            written = size_t(data.size());
            answered = property;
            return;
        }
        const TransferKey key{request.requestor, property};
        if (!m_transfers.count(key) && !roomForTransfer(request.requestor))
            return;
        // In pieces: announce the size, then send a piece each time the
        // requestor deletes the property, and an empty piece at the end.
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(xcb, request.requestor, XCB_CW_EVENT_MASK, &events);
        const uint32_t size = uint32_t(data.size());
        xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, request.requestor, property, m_connection.atom("INCR"), 32, 1,
                            &size);
        m_transfers[key] = Transfer{data, type, 0, Clock::now()};
        answered = property;
    };

    if (ours) {
        if (request.target == targets) {
            const xcb_atom_t offered[] = {targets, timestamp, utf8, plainUtf8, XCB_ATOM_STRING, text, plain};
            xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                                uint32_t(std::size(offered)), offered);
            answered = property;
        } else if (request.target == timestamp) {
            xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32, 1,
                                &m_since);
            answered = property;
        } else if (request.target == utf8 || request.target == plainUtf8) {
            sendData(m_utf8, request.target);
        } else if (request.target == XCB_ATOM_STRING || request.target == text || request.target == plain) {
            // One Latin-1 copy, made at the first request and shared by all;
            // an ASCII text is its own.
            if (m_latin1.isNull())
                m_latin1 = isAscii(m_utf8) ? m_utf8 : QString::fromUtf8(m_utf8).toLatin1();
            sendData(m_latin1, XCB_ATOM_STRING);
        }
    }
    notifyRequestor(xcb, request, answered);
    return written;
}

size_t SelectionServer::sendPiece(const TransferKey& key, Transfer& transfer) {
    const size_t left = size_t(transfer.data.size()) - transfer.sent;
    const size_t piece = std::min(left, m_connection.largestChunk());
    xcb_change_property(m_connection.xcb(), XCB_PROP_MODE_REPLACE, key.first, key.second, transfer.type, 8,
                        uint32_t(piece), transfer.data.constData() + transfer.sent);
    transfer.sent += piece;
    transfer.moved = Clock::now();
    transfer.due = false;
    if (piece == 0)
        m_transfers.erase(key);
    return piece;
}

// A client with MaxTransfersPerClient open is refused another; when all
// MaxTransfers are open, the longest stalled gives its place up.
bool SelectionServer::roomForTransfer(xcb_window_t requestor) {
    const uint32_t client = m_waiting.clientOf(requestor);
    size_t clientsOwn = 0;
    auto stalest = m_transfers.end();
    for (auto at = m_transfers.begin(); at != m_transfers.end(); ++at) {
        if (m_waiting.clientOf(at->first.first) == client && ++clientsOwn >= MaxTransfersPerClient)
            return false;
        if (stalest == m_transfers.end() || at->second.moved < stalest->second.moved)
            stalest = at;
    }
    if (m_transfers.size() >= MaxTransfers)
        m_transfers.erase(stalest);
    return true;
}

void SelectionServer::endTransfersTo(xcb_window_t requestor) {
    auto at = m_transfers.lower_bound({requestor, 0});
    while (at != m_transfers.end() && at->first.first == requestor)
        at = m_transfers.erase(at);
}

void SelectionServer::endStalledTransfers(Clock::time_point now) {
    for (auto at = m_transfers.begin(); at != m_transfers.end();)
        at = !at->second.due && now - at->second.moved >= StalledTransfer ? m_transfers.erase(at) : std::next(at);
}

} // namespace olvaris::x11
