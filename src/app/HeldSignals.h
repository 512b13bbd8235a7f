#pragma once
#include <csignal>

namespace olvaris {

// While an object of this type lives, the termination signals (SIGTERM,
// SIGINT, SIGHUP) are held: one that arrives is remembered, and acts as it
// would have when the object ends. A signal sent to the process may be
// delivered to any of its threads, so the signals are caught for the whole
// process rather than blocked on one thread. A signal the process ignores
// stays ignored.
class HeldTerminationSignals {
public:
    HeldTerminationSignals();
    ~HeldTerminationSignals();
    HeldTerminationSignals(const HeldTerminationSignals&) = delete;
    HeldTerminationSignals& operator=(const HeldTerminationSignals&) = delete;

private:
    static constexpr int Count = 3;
    struct sigaction m_previous[Count] {};
    bool m_caught[Count]{};
};

} // namespace olvaris
