// A small clipboard manager for the tests, speaking the freedesktop
// CLIPBOARD_MANAGER protocol as desktop clipboard managers do.
//   clipboard-manager-standin manager   owns CLIPBOARD_MANAGER; on SAVE_TARGETS
//                                       takes the clipboard's text and serves it
//                                       as the clipboard's owner from then on
//   clipboard-manager-standin hang      owns CLIPBOARD_MANAGER and never answers
//   clipboard-manager-standin read      prints the clipboard's text
//   clipboard-manager-standin flood [N] from N windows (50), asks for the
//                                       clipboard as STRING twice every 10 ms,
//                                       each time into a new property, and
//                                       never takes it
// The first two print "ready" once they own CLIPBOARD_MANAGER, the third once
// it asks; all three run until killed.
#include "X11Selection.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace olvaris::x11;
using Clock = std::chrono::steady_clock;

namespace {

// A property's whole value, deleting it (which asks an owner sending in
// pieces for the next one).
QByteArray takeProperty(Connection& connection, xcb_atom_t property, xcb_atom_t* type) {
    xcb_connection_t* xcb = connection.xcb();
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        xcb, xcb_get_property(xcb, 1, connection.window(), property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
        nullptr));
    if (!reply)
        return {};
    *type = reply->type;
    const int length = xcb_get_property_value_length(reply.get());
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
}

// Reads a selection's text as UTF-8, also in pieces; empty when no one
// answers before the deadline.
QByteArray readSelection(Connection& connection, xcb_atom_t selection, std::chrono::steady_clock::time_point deadline) {
    xcb_connection_t* xcb = connection.xcb();
    const xcb_atom_t property = connection.atom("_OLVARIS_READ");
    xcb_delete_property(xcb, connection.window(), property);
    xcb_convert_selection(xcb, connection.window(), selection, connection.atom("UTF8_STRING"), property,
                          XCB_CURRENT_TIME);
    xcb_flush(xcb);
    bool answered = false;
    while (!answered) {
        Reply<xcb_generic_event_t> event(connection.waitForEvent(deadline));
        if (!event)
            return {};
        if (eventType(event.get()) != XCB_SELECTION_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
        if (notify->selection != selection)
            continue;
        if (notify->property == XCB_NONE)
            return {};
        answered = true;
    }
    xcb_atom_t type = XCB_NONE;
    QByteArray value = takeProperty(connection, property, &type);
    xcb_flush(xcb);
    if (type != connection.atom("INCR"))
        return value;
    QByteArray whole;
    for (;;) {
        Reply<xcb_generic_event_t> event(connection.waitForEvent(deadline));
        if (!event)
            return {};
        if (eventType(event.get()) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->atom != property || notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        const QByteArray piece = takeProperty(connection, property, &type);
        xcb_flush(xcb);
        if (piece.isEmpty())
            return whole;
        whole += piece;
    }
}

int read(Connection& connection) {
    const QByteArray text =
        readSelection(connection, connection.atom("CLIPBOARD"), Clock::now() + std::chrono::seconds(5));
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return text.isEmpty() ? 1 : 0;
}

int manage(Connection& connection, bool answer) {
    const xcb_atom_t manager = connection.atom("CLIPBOARD_MANAGER");
    const xcb_atom_t clipboard = connection.atom("CLIPBOARD");
    const xcb_atom_t saveTargets = connection.atom("SAVE_TARGETS");
    xcb_set_selection_owner(connection.xcb(), connection.window(), manager, connection.serverTime());
    if (connection.selectionOwner(manager) != connection.window())
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    std::unique_ptr<SelectionServer> serving;
    for (;;) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(
            connection.waitForEvent(Clock::now() + std::chrono::hours(1)), &std::free);
        if (!event)
            continue;
        if ((event->response_type & ~0x80) == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<const xcb_selection_request_event_t*>(event.get());
            if (request.selection == manager) {
                if (!answer)
                    continue;
                if (request.target != saveTargets) {
                    answerRequest(connection, request, XCB_NONE);
                    continue;
                }
                const QByteArray text = readSelection(connection, clipboard, Clock::now() + std::chrono::seconds(5));
                const xcb_timestamp_t now = connection.serverTime();
                xcb_set_selection_owner(connection.xcb(), connection.window(), clipboard, now);
                serving = std::make_unique<SelectionServer>(connection, clipboard, text, now);
                answerRequest(connection, request, request.property);
                std::printf("saved %lld bytes\n", static_cast<long long>(text.size()));
                std::fflush(stdout);
                continue;
            }
        }
        if (serving) {
            serving->handle(event.get());
            while (serving->hasWork())
                serving->serveTurn();
        }
    }
}

int flood(Connection& connection, int count) {
    xcb_connection_t* xcb = connection.xcb();
    const xcb_atom_t clipboard = connection.atom("CLIPBOARD");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
    std::vector<xcb_window_t> windows(size_t(std::max(1, count)));
    for (xcb_window_t& window : windows) {
        window = xcb_generate_id(xcb);
        xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    std::vector<xcb_atom_t> properties;
    properties.reserve(1000);
    for (int i = 0; i < 1000; ++i)
        properties.push_back(connection.atom(("_FLOOD_" + std::to_string(i)).c_str()));
    std::printf("ready\n");
    std::fflush(stdout);
    for (size_t next = 0;;) {
        for (const xcb_window_t window : windows)
            for (int twice = 0; twice < 2; ++twice)
                xcb_convert_selection(xcb, window, clipboard, XCB_ATOM_STRING, properties[next++ % properties.size()],
                                      XCB_CURRENT_TIME);
        xcb_flush(xcb);
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb))
            std::free(event);
        if (xcb_connection_has_error(xcb))
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return 2;
    const auto connection = Connection::open();
    if (!connection) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    if (std::strcmp(argv[1], "read") == 0)
        return read(*connection);
    if (std::strcmp(argv[1], "manager") == 0)
        return manage(*connection, true);
    if (std::strcmp(argv[1], "hang") == 0)
        return manage(*connection, false);
    if (std::strcmp(argv[1], "flood") == 0)
        return flood(*connection, argc == 3 ? std::atoi(argv[2]) : 50);
    return 2;
}
