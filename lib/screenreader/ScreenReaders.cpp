#include "ScreenReaders.h"
#include <QAccessible>
#include <QApplication>
#include <QWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
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

// The objects through which the platform's accessibility bridge answers
// the bus (its adaptors, AtSpiAdaptor and the like), learnt as calls reach
// them in an ordinary turn.
bool isBridge(const QObject* object) {
    const char* name = object->metaObject()->className();
    return qstrncmp(name, "AtSpi", 5) == 0 || qstrncmp(name, "QSpi", 4) == 0;
}

class BridgeReceivers : public QObject {
public:
    BridgeReceivers() { QCoreApplication::instance()->installEventFilter(this); }
    void answer() {
        std::erase_if(m_receivers, [](const QPointer<QObject>& receiver) { return receiver.isNull(); });
        for (const QPointer<QObject>& receiver : std::vector(m_receivers))
            if (receiver)
                QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() == QEvent::MetaCall && receiver != this && isBridge(receiver)
            && std::find(m_receivers.begin(), m_receivers.end(), receiver) == m_receivers.end())
            m_receivers.emplace_back(receiver);
        return false;
    }

private:
    std::vector<QPointer<QObject>> m_receivers;
};

} // namespace

bool screenReaderListening() { return pretending || QAccessible::isActive(); }

void pretendScreenReaderListens(bool listens) { pretending = listens; }

// The accessibility bus is read on a thread of its own, which posts each
// call to the bridge's objects in the window's thread as a meta-call event:
// delivering just those answers the calls, and leaves input, painting,
// layout and every other queued call (a click queued on a command) to the
// next turn, where the program expects them.
void answerScreenReaderCalls() {
    if (!screenReaderListening() || !QCoreApplication::instance())
        return;
    static BridgeReceivers* bridge = new BridgeReceivers;
    bridge->answer();
}

void withNewsKeptBack(QObject* object, QAccessible::Event kind, const std::function<void()>& work) {
    const KeepingBack keeping(object, kind);
    work();
}

namespace {

// The control whose description leads with a note, and its own.
struct Noted {
    QPointer<QWidget> control;
    QString description;
    QMetaObject::Connection focusMoves;
};
Noted noted;

void introduceAgain(QWidget* control) {
    if (QAccessibleInterface* old = QAccessible::queryAccessibleInterface(control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    QAccessibleEvent focus(control, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

} // namespace

// The button is given a new accessible identity (its old one is dropped, as
// for a control that is gone), so the reader takes the focus event as focus
// coming to a control it has not yet said.
void setCaptionSaid(QAbstractButton* button, const QString& caption) {
    if (!button->hasFocus() || !screenReaderListening()) {
        button->setText(caption);
        return;
    }
    withNewsKeptBack(button, QAccessible::NameChanged, [&] { button->setText(caption); });
    introduceAgain(button);
}

void keepNoteBack() {
    QObject::disconnect(noted.focusMoves);
    if (QWidget* control = noted.control)
        withNewsKeptBack(control, QAccessible::DescriptionChanged,
                         [&] { control->setAccessibleDescription(noted.description); });
    noted.control = nullptr;
}

void sayWithControl(QWidget* control, const QString& note, bool introduceNow) {
    keepNoteBack();
    if (control == nullptr || !control->hasFocus() || !screenReaderListening())
        return;
    noted.control = control;
    noted.description = control->accessibleDescription();
    const QString described = noted.description.isEmpty() ? note : note + QStringLiteral(". ") + noted.description;
    withNewsKeptBack(control, QAccessible::DescriptionChanged, [&] { control->setAccessibleDescription(described); });
    noted.focusMoves = QObject::connect(qApp, &QApplication::focusChanged, [] { keepNoteBack(); });
    if (introduceNow)
        introduceAgain(control);
}

} // namespace olvaris
