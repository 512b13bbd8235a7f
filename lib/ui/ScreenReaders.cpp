#include "ScreenReaders.h"
#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QAbstractButton>
#include <vector>

namespace olvaris {

namespace {

bool pretending = false;

struct KeptBack {
    QObject* object;
    QAccessible::Event kind;
};
std::vector<KeptBack> keptBack;
QAccessible::UpdateHandler handlerBefore = nullptr;

void passOnNewsNotKeptBack(QAccessibleEvent* event) {
    for (const KeptBack& kept : keptBack)
        if (event->type() == kept.kind && event->object() == kept.object)
            return;
    if (handlerBefore) {
        handlerBefore(event);
        return;
    }
    // A handler is the only way to the platform's bridge: it steps aside for
    // the one event. (Table-model news must not come this way: the
    // accessibility layer applies it to its cache before the handler runs,
    // and would apply it again.)
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(passOnNewsNotKeptBack);
}

struct KeepingBack {
    KeepingBack(QObject* object, QAccessible::Event kind) {
        if (keptBack.empty())
            handlerBefore = QAccessible::installUpdateHandler(passOnNewsNotKeptBack);
        keptBack.push_back({object, kind});
    }
    ~KeepingBack() {
        keptBack.pop_back();
        if (keptBack.empty())
            QAccessible::installUpdateHandler(handlerBefore);
    }
    KeepingBack(const KeepingBack&) = delete;
    KeepingBack& operator=(const KeepingBack&) = delete;
};

} // namespace

bool screenReaderListening() { return pretending || QAccessible::isActive(); }

void pretendScreenReaderListens(bool listens) { pretending = listens; }

// The accessibility bus is read on a thread of its own, which posts each
// call to the window's thread as a meta-call event: delivering just those
// answers the calls and leaves input, painting and layout to the next turn.
void answerScreenReaderCalls() {
    if (screenReaderListening())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void withNewsKeptBack(QObject* object, QAccessible::Event kind, const std::function<void()>& work) {
    const KeepingBack keeping(object, kind);
    work();
}

// The button is given a new accessible identity (its old one is dropped, as
// for a control that is gone), so the reader takes the focus event as focus
// coming to a control it has not yet said.
void setCaptionSaid(QAbstractButton* button, const QString& caption) {
    if (!button->hasFocus() || !screenReaderListening()) {
        button->setText(caption);
        return;
    }
    withNewsKeptBack(button, QAccessible::NameChanged, [&] { button->setText(caption); });
    if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(button))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    QAccessibleEvent focus(button, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

} // namespace olvaris
