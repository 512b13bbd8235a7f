#include "BuildOutput.h"
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

// Whether a file begins as every SQLite database does.
bool isDatabase(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    char header[16] = {};
    const ssize_t got = ::read(descriptor, header, sizeof header);
    ::close(descriptor);
    return got == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

// What the build has made so far, for the signal handler to remove: an
// interrupted build leaves nothing beside the output, and the output as it was.
char g_temporary[WorkNameRoom];
char g_journal[WorkNameRoom + 8];

extern "C" void abandonBuild(int signal) {
    ::unlink(g_temporary);
    ::unlink(g_journal);
    ::_exit(128 + signal);
}

} // namespace

void removeWorkOnTermination(const std::string& temporary) {
    std::snprintf(g_temporary, sizeof g_temporary, "%s", temporary.c_str());
    std::snprintf(g_journal, sizeof g_journal, "%s-journal", temporary.c_str());
    struct sigaction action {};
    action.sa_handler = abandonBuild;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

void removeWork(const std::string& temporary) {
    std::remove(temporary.c_str());
    std::remove((temporary + "-journal").c_str());
}

std::string refusedOutput(const std::string& input, const std::string& output) {
    struct stat existing {};
    if (::stat(output.c_str(), &existing) != 0)
        return {};
    if (!S_ISREG(existing.st_mode))
        return output + " is not an ordinary file";
    if (struct stat source{};
        ::stat(input.c_str(), &source) == 0 && source.st_dev == existing.st_dev && source.st_ino == existing.st_ino)
        return output + " is the input " + input + "; give the database another name (the input is left as it was)";
    if (existing.st_size > 0 && !isDatabase(output))
        return output + " is not a database, and the build would replace it; give another name, or remove it first";
    return {};
}

} // namespace olvaris::zipdata
