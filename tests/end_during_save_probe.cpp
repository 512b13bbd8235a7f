// Starts the real program on a folder, lists all rows and saves them over a
// file that is written in place; once the write has begun, it ends the
// process from inside the save's yield, in one of two ways:
//   signal  opens the Help box, and SIGTERM arrives while the box waits
//   exit    calls exit(1), as Qt's X11 plugin does when the X server goes
// Prints "save returned" if the save ever returns (it must not).
// Usage: end-during-save-probe <program folder> <target file> <signal | exit>
#include "AppFiles.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4)
        return 2;
    olvaris::AppFiles::overrideFolder(QString::fromLocal8Bit(argv[1]));
    const QString target = QString::fromLocal8Bit(argv[2]);
    const bool bySignal = qstrcmp(argv[3], "signal") == 0;
    // The real end of the process and the real Help box; the save dialog
    // answers with the target, and no browser is asked for.
    struct Platform : olvaris::DesktopPlatform {
        QString target;
        QString askSaveFileName(const olvaris::SaveDialogRequest&) override { return target; }
        int drawOneToHundred() override { return 50; }
    } platform;
    platform.target = target;
    olvaris::Form1 form(platform);
    form.Form_Load();
    form.endOnTerminationSignals();
    form.runs().PushButton3_Click();

    // The old text is all "o": another first byte means the write has begun.
    const int watched = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    bool ended = false;
    form.yielder().setExact(true);
    form.yielder().addBeforeTurn([&] {
        char first = 'o';
        if (ended || ::pread(watched, &first, 1, 0) != 1 || first == 'o')
            return;
        ended = true;
        if (!bySignal)
            std::exit(EXIT_FAILURE);
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        form.PushButton7->click();
        std::printf("box closed\n");
    });
    form.exports().PushButton4_Click();
    std::printf("save returned\n");
    return 3;
}
