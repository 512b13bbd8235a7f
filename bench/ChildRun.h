#pragma once
// Programs run from their start to their exit, as a user waits for them.
#include "Measure.h"
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct ChildRun {
    double seconds = 0;
    long peakKiB = 0; // only when asked for
    int status = -1;  // the exit status; -1 where it did not exit
};

// The child's own peak so far, from /proc: the rusage of a spawned child
// counts the memory of the process it was spawned from.
inline long peakKiBOf(pid_t child) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(child) + "/status").c_str(), "r");
    long peak = 0;
    if (!status)
        return 0;
    char line[256];
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            peak = std::atol(line + 6);
    std::fclose(status);
    return peak;
}

// A run of a program from its start to its exit; with measureMemory, its
// peak memory read while it runs (which costs the time figure its truth).
inline ChildRun runChild(const QString& program, const QStringList& arguments, const QString& input,
                         const QString& output, bool measureMemory = false) {
    std::vector<QByteArray> texts{program.toUtf8()};
    for (const QString& argument : arguments)
        texts.push_back(argument.toUtf8());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.isEmpty() ? "/dev/null" : input.toUtf8().constData(), O_RDONLY,
                                     0);
    posix_spawn_file_actions_addopen(&actions, 1, output.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    ChildRun run;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (measureMemory) {
            while (waitpid(child, &status, WNOHANG) == 0) {
                run.peakKiB = std::max(run.peakKiB, peakKiBOf(child));
                usleep(2000);
            }
        } else {
            waitpid(child, &status, 0);
        }
        if (WIFEXITED(status))
            run.status = WEXITSTATUS(status);
    }
    run.seconds = bench::seconds(timer);
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

} // namespace bench
