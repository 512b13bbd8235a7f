#include "ClipboardHandOver.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#ifdef OLVARIS_HAVE_XCB
#include "X11ClipboardOwner.h"
#include "X11Selection.h"
#include <cstdlib>
#include <optional>
#endif

namespace olvaris {

#ifdef OLVARIS_HAVE_XCB

namespace {

using Clock = std::chrono::steady_clock;

// Asks the manager to save what the server offers and serves it until the
// manager has it all, or the deadline. Nothing of the program runs
// meanwhile: the process only waits for the manager to take the text.
// The manager's client alone is served: others' requests, however many,
// are read and dropped, so none is answered ahead of the manager's (it
// answers them itself once it has the text).
void askManagerToSave(x11::Connection& connection, x11::SelectionServer& server, Clock::time_point deadline) {
    const xcb_atom_t manager = connection.atom("CLIPBOARD_MANAGER");
    const xcb_window_t managerWindow = connection.selectionOwner(manager);
    if (managerWindow == XCB_NONE)
        return;
    server.serveOnlyClientOf(managerWindow);
    // An empty property asks the manager to save every target offered.
    const xcb_atom_t property = connection.atom("_OLVARIS_SAVE");
    const xcb_timestamp_t now =
        connection.serverTime([&server](const xcb_generic_event_t* event) { server.handle(event); });
    xcb_delete_property(connection.xcb(), connection.window(), property);
    xcb_convert_selection(connection.xcb(), connection.window(), manager, connection.atom("SAVE_TARGETS"), property,
                          now);
    xcb_flush(connection.xcb());

    bool saved = false;
    while (!saved || server.transferring()) {
        while (server.hasWork())
            server.serveTurn();
        xcb_generic_event_t* event = connection.waitForEvent(deadline);
        if (!event)
            return;
        const bool answer = (event->response_type & ~0x80) == XCB_SELECTION_NOTIFY
                            && reinterpret_cast<const xcb_selection_notify_event_t*>(event)->selection == manager;
        if (answer)
            saved = true;
        else
            server.handle(event);
        std::free(event);
        server.endStalledTransfers(Clock::now());
    }
}

// The text is taken over from the window holding the clipboard (any, for
// XCB_NONE) by a connection of the hand-over's own, and served from there.
// A fresh connection, since the one that served the text may have a flood
// of requests queued for it in the X server: every round trip there would
// wait for all of them, read into memory, and the manager's requests would
// come behind them.
void handTextOver(const QByteArray& text, xcb_window_t holder, Clock::time_point deadline) {
    const auto connection = x11::Connection::open();
    if (!connection)
        return;
    const xcb_atom_t clipboard = connection->atom("CLIPBOARD");
    if (connection->selectionOwner(connection->atom("CLIPBOARD_MANAGER")) == XCB_NONE)
        return;
    // Another program's copy since is not taken from it.
    if (holder != XCB_NONE && connection->selectionOwner(clipboard) != holder)
        return;
    const xcb_timestamp_t now = connection->serverTime();
    xcb_set_selection_owner(connection->xcb(), connection->window(), clipboard, now);
    if (connection->selectionOwner(clipboard) != connection->window())
        return;
    x11::SelectionServer server(*connection, clipboard, text, now);
    askManagerToSave(*connection, server, deadline);
}

// A text Qt's clipboard holds: one copied in the window's boxes.
void handQtClipboardOver(Clock::time_point deadline) {
    QClipboard* board = QGuiApplication::clipboard();
    if (!board || !board->ownsClipboard())
        return;
    const QMimeData* data = board->mimeData();
    const QByteArray text = data && data->hasFormat(QStringLiteral("text/plain"))
                                ? data->data(QStringLiteral("text/plain"))
                                : board->text().toUtf8();
    if (!text.isEmpty())
        handTextOver(text, XCB_NONE, deadline);
}

} // namespace

void handClipboardToManager(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (x11::ClipboardOwner* owner = x11::ClipboardOwner::ifStarted()) {
        const x11::ClipboardOwner::Serving serving = owner->stopServing();
        if (serving.server) {
            handTextOver(serving.server->text(), serving.connection.window(), deadline);
            return;
        }
    }
    handQtClipboardOver(deadline);
}

#else

void handClipboardToManager(std::chrono::milliseconds) {}

#endif

} // namespace olvaris
