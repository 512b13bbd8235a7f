// A small clipboard manager for the tests, speaking the freedesktop
// CLIPBOARD_MANAGER protocol as desktop clipboard managers do.
//   clipboard-manager-standin manager   owns CLIPBOARD_MANAGER; on SAVE_TARGETS
//                                       takes the clipboard's text and serves it
//                                       as the clipboard's owner from then on
//   clipboard-manager-standin hang      owns CLIPBOARD_MANAGER and never answers
//   clipboard-manager-standin read      prints the clipboard's text
// The first two print "ready" once they own CLIPBOARD_MANAGER, and run until killed.
#include "ui/X11Selection.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace olvaris::x11;
using Clock = std::chrono::steady_clock;

namespace {

int read(Connection& connection) {
    const QByteArray text = readSelection(connection, connection.atom("CLIPBOARD"), Clock::now() + std::chrono::seconds(5));
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
        if (serving)
            serving->handle(event.get());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
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
    return 2;
}
