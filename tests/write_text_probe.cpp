// Saves a text to a file as the program does, in a process of its own so a
// test can run it as another user. Prints "ok" or the failure.
// Usage: write-text-probe <file> <text>
#include "app/Failure.h"
#include "export/SaveText.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    try {
        olvaris::WriteTextFile(argv[2], QString::fromLocal8Bit(argv[1]));
        std::printf("ok\n");
    } catch (const olvaris::Failure& failure) {
        std::printf("failed: %s\n", failure.what());
    }
    return 0;
}
