// Saves the whole shipped table under a file-size limit far below its size.
// Prints the statement numbers of the error reports, one per line.
// Usage: save-limit-probe <program folder> <target file> <limit in bytes>
#include "AppFiles.h"
#include "support/ScriptedPlatform.h"
#include "Form1.h"
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    if (argc != 4)
        return 2;
    olvaris::AppFiles::overrideFolder(QString::fromLocal8Bit(argv[1]));
    olvaris::test::ScriptedPlatform platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
    form.runs().PushButton3_Click();

    const rlimit limit{rlim_t(std::atol(argv[3])), rlim_t(std::atol(argv[3]))};
    setrlimit(RLIMIT_FSIZE, &limit);
    platform.saveAnswers.push_back(QString::fromLocal8Bit(argv[2]));
    form.exports().PushButton4_Click();
    for (int statement : platform.reportedStatements())
        std::printf("%d\n", statement);
    std::printf("pointer %d\n", form.mousePointer());
    return 0;
}
