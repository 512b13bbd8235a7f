#pragma once
#include "X11Selection.h"
#include <QByteArray>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace olvaris::x11 {

// Holds the program's text on the X11 CLIPBOARD from a connection and a
// thread of its own, with the bounded SelectionServer: whatever other
// clients ask, and however often, the window's thread does none of the
// work and the memory stays the text's (Qt's own clipboard makes a new
// Latin-1 copy and transfer for every request). The window's thread gives
// it the text and takes it back; requests are answered meanwhile.
class ClipboardOwner {
public:
    // The one owner, started at the first call; null where there is no X
    // server to reach.
    static ClipboardOwner* instance();
    // The owner if it was started, else null.
    static ClipboardOwner* ifStarted();
    ~ClipboardOwner();
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    // Owns the clipboard with this text; whether it does now.
    bool take(QByteArray utf8);
    // Gives the clipboard up if it holds it; whether it holds nothing now.
    bool release();
    // The text while the clipboard is still this owner's, else null.
    QByteArray text();
    // Whether the connection to the X server broke.
    bool broken() const { return xcb_connection_has_error(m_connection->xcb()) != 0; }

    // Ends the serving thread, at the program's end: the connection and
    // the server (null when the clipboard is no longer held) are the
    // caller's from then on.
    struct Serving {
        Connection& connection;
        SelectionServer* server;
    };
    Serving stopServing();

private:
    ClipboardOwner(std::unique_ptr<Connection> connection, int wake);
    void serve();
    void wake();
    // With the lock held: whether the text is still on the clipboard.
    bool holds() const { return m_server && !m_server->lost(); }

    std::unique_ptr<Connection> m_connection;
    const int m_wake;
    const xcb_atom_t m_clipboard;
    std::mutex m_mutex;
    std::optional<SelectionServer> m_server;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace olvaris::x11
