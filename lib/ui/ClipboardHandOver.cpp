#include "ClipboardHandOver.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#ifdef OLVARIS_HAVE_XCB
#include "X11Selection.h"
#include <cstdlib>
#endif

namespace olvaris {

#ifdef OLVARIS_HAVE_XCB

// The clipboard is served from a connection of the hand-over's own, so no
// window event, run or save of the program runs meanwhile: the process
// only waits for the manager to take the text.
void handClipboardToManager(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QClipboard* board = QGuiApplication::clipboard();
    if (!board || !board->ownsClipboard())
        return;
    // The program's own copy is UTF-8 already; anything else set on the
    // clipboard in the program is taken as text.
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
    const xcb_atom_t manager = connection->atom("CLIPBOARD_MANAGER");
    if (connection->selectionOwner(manager) == XCB_NONE)
        return;

    const xcb_timestamp_t now = connection->serverTime();
    xcb_set_selection_owner(connection->xcb(), connection->window(), clipboard, now);
    if (connection->selectionOwner(clipboard) != connection->window())
        return;
    x11::SelectionServer server(*connection, clipboard, text, now);

    // An empty property asks the manager to save every target offered.
    const xcb_atom_t property = connection->atom("_OLVARIS_SAVE");
    xcb_delete_property(connection->xcb(), connection->window(), property);
    xcb_convert_selection(connection->xcb(), connection->window(), manager, connection->atom("SAVE_TARGETS"), property,
                          now);
    xcb_flush(connection->xcb());

    bool saved = false;
    while (!saved || server.transferring()) {
        xcb_generic_event_t* event = connection->waitForEvent(deadline);
        if (!event)
            return;
        const bool answer = (event->response_type & ~0x80) == XCB_SELECTION_NOTIFY
                            && reinterpret_cast<const xcb_selection_notify_event_t*>(event)->selection == manager;
        if (answer)
            saved = true;
        else
            server.handle(event);
        std::free(event);
    }
}

#else

void handClipboardToManager(std::chrono::milliseconds) {}

#endif

} // namespace olvaris
