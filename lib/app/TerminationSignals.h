#pragma once
#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace olvaris {

// Routes the termination signals (SIGTERM, SIGINT, SIGHUP) into the event
// loop: the signal's handler only writes its number into a pipe, and the
// loop that runs next (the main loop, a command's yield, a modal box's own
// loop) calls onSignal with it. So a logout ends the program the way
// closing the window does, from any depth of nested loops, and the handler
// touches no state another thread could be reading. A signal the process
// ignores stays ignored. One object at a time; it restores the previous
// handlers when it goes.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void arrived();

    static constexpr int Count = 3;
    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[Count] {};
    bool m_caught[Count]{};
};

} // namespace olvaris
