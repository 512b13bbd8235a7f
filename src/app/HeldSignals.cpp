#include "HeldSignals.h"

namespace olvaris {

namespace {
constexpr int Held[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t arrived = 0;

extern "C" void remember(int signal) {
    if (arrived == 0)
        arrived = signal;
}
} // namespace

HeldTerminationSignals::HeldTerminationSignals() {
    struct sigaction catcher {};
    catcher.sa_handler = remember;
    sigemptyset(&catcher.sa_mask);
    catcher.sa_flags = SA_RESTART;
    for (int i = 0; i < Count; ++i) {
        if (sigaction(Held[i], nullptr, &m_previous[i]) != 0 || m_previous[i].sa_handler == SIG_IGN)
            continue;
        m_caught[i] = sigaction(Held[i], &catcher, nullptr) == 0;
    }
}

HeldTerminationSignals::~HeldTerminationSignals() {
    for (int i = 0; i < Count; ++i)
        if (m_caught[i])
            sigaction(Held[i], &m_previous[i], nullptr);
    const int signal = arrived;
    arrived = 0;
    if (signal != 0)
        std::raise(signal);
}

} // namespace olvaris
