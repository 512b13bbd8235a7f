// Saves a text to a file as the program does, in a process of its own so a
// test can run it as another user or under a file-size limit. Prints "ok"
// or the failure.
// Usage: write-text-probe <file> <text> [file-size limit in bytes]
#include "Failure.h"
#include "WriteTextFile.h"
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4)
        return 2;
    if (argc == 4) {
        const rlimit limit{rlim_t(std::atoll(argv[3])), rlim_t(std::atoll(argv[3]))};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    try {
        olvaris::WriteTextFile(argv[2], QString::fromLocal8Bit(argv[1]));
        std::printf("ok\n");
    } catch (const olvaris::Failure& failure) {
        std::printf("failed: %s\n", failure.what());
    }
    return 0;
}
