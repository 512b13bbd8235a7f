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
void askManagerToSave(x11::Connection& connection, x11::SelectionServer& server, Clock::time_point deadline) {
    const xcb_atom_t manager = connection.atom("CLIPBOARD_MANAGER");
    if (connection.selectionOwner(manager) == XCB_NONE)
        return;
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

// A text Qt's clipboard holds (one copied in the window's boxes) is taken
// over by a connection of the hand-over's own, and served from there.
void handQtClipboardOver(Clock::time_point deadline) {
    QClipboard* board = QGuiApplication::clipboard();
    if (!board || !board->ownsClipboard())
        return;
    const QMimeData* data = board->mimeData();
    const QByteArray text = data && data->hasFormat(QStringLiteral("text/plain"))
                                ? data->data(QStringLiteral("text/plain"))
                                : board->text().toUtf8();
    if (text.isEmpty())
        return;
    const auto connection = x11::Connection::open();
    if (!connection)
        return;
    const xcb_atom_t clipboard = connection->atom("CLIPBOARD");
    if (connection->selectionOwner(connection->atom("CLIPBOARD_MANAGER")) == XCB_NONE)
        return;
    const xcb_timestamp_t now = connection->serverTime();
    xcb_set_selection_owner(connection->xcb(), connection->window(), clipboard, now);
    if (connection->selectionOwner(clipboard) != connection->window())
        return;
    x11::SelectionServer server(*connection, clipboard, text, now);
    askManagerToSave(*connection, server, deadline);
}

} // namespace

void handClipboardToManager(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (x11::ClipboardOwner* owner = x11::ClipboardOwner::ifStarted()) {
        const x11::ClipboardOwner::Serving serving = owner->stopServing();
        if (serving.server) {
            askManagerToSave(serving.connection, *serving.server, deadline);
            return;
        }
    }
    handQtClipboardOver(deadline);
}

#else

void handClipboardToManager(std::chrono::milliseconds) {}

#endif

} // namespace olvaris
