#include "TerminationSignals.h"
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace olvaris {

namespace {
constexpr int Routed[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};

// Async-signal-safe: one write, errno kept for the code it interrupted. A
// full pipe already holds a signal that will end the program.
extern "C" void forward(int signal) {
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}
} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::arrived);
    struct sigaction handler {};
    handler.sa_handler = forward;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (int i = 0; i < Count; ++i) {
        if (::sigaction(Routed[i], nullptr, &m_previous[i]) != 0 || m_previous[i].sa_handler == SIG_IGN)
            continue;
        m_caught[i] = ::sigaction(Routed[i], &handler, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier)
        return;
    for (int i = 0; i < Count; ++i)
        if (m_caught[i])
            ::sigaction(Routed[i], &m_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::arrived() {
    unsigned char number = 0;
    if (::read(g_pipe[0], &number, 1) == 1 && m_onSignal)
        m_onSignal(number);
}

} // namespace olvaris
