#include "SystemClipboard.h"
#include "Failure.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#ifdef OLVARIS_HAVE_XCB
#include "X11ClipboardOwner.h"
#endif

namespace olvaris {

namespace {

const QString PlainText = QStringLiteral("text/plain");

QClipboard* qtClipboard() {
    QClipboard* board = QGuiApplication::clipboard();
    if (!board)
        throw Failure(Error::Kind::Output, QStringLiteral("The clipboard is not available."));
    return board;
}

#ifdef OLVARIS_HAVE_XCB
// The program's own owner on X11, when it can reach the server.
x11::ClipboardOwner* x11Owner() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    x11::ClipboardOwner* owner = x11::ClipboardOwner::instance();
    return owner && !owner->broken() ? owner : nullptr;
}
#endif

} // namespace

bool placeOnClipboard(const QByteArray& utf8) {
    QClipboard* board = qtClipboard();
#ifdef OLVARIS_HAVE_XCB
    if (x11::ClipboardOwner* owner = x11Owner())
        return owner->take(utf8);
#endif
    // Qt is given the UTF-8 bytes themselves (shared, not copied); it holds
    // the text when it answers with the program's own data.
    auto* data = new QMimeData;
    data->setData(PlainText, utf8);
    board->setMimeData(data);
    return board->mimeData() == data;
}

bool emptyClipboard() {
    QClipboard* board = qtClipboard();
    bool empty = true;
#ifdef OLVARIS_HAVE_XCB
    if (x11::ClipboardOwner* owner = x11Owner())
        empty = owner->release();
#endif
    // Text copied in the window's boxes is Qt's.
    if (board->ownsClipboard()) {
        board->clear();
        empty = empty && !board->ownsClipboard();
    }
    return empty;
}

QByteArray programTextOnClipboard() {
#ifdef OLVARIS_HAVE_XCB
    if (x11::ClipboardOwner* owner = x11Owner())
        return owner->text();
#endif
    QClipboard* board = QGuiApplication::clipboard();
    if (!board || !board->ownsClipboard())
        return {};
    const QMimeData* data = board->mimeData();
    return data ? data->data(PlainText) : QByteArray();
}

} // namespace olvaris
