#include "RemoveOnSignal.h"
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace olvaris::check {

namespace {

// What the handler removes: set before the handlers are armed, cleared
// before the file gets its final name.
char g_path[4096];
volatile sig_atomic_t g_armed = 0;

extern "C" void removeAndEnd(int signal) {
    if (g_armed != 0)
        ::unlink(g_path);
    ::_exit(128 + signal);
}

} // namespace

void removeOnSignal(const std::string& path) {
    std::snprintf(g_path, sizeof g_path, "%s", path.c_str());
    g_armed = 1;
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigfillset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller ignores (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

void keepOnSignal() { g_armed = 0; }

} // namespace olvaris::check
