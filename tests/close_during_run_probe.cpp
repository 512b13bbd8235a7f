// Starts the real program on a folder, lists all rows, and closes the window
// from inside the run after 50 rows. The process must end there and then.
// Prints "rows N" before every event-loop turn, and "run returned" if the
// run ever returns (it must not).
// Usage: close-during-run-probe <program folder>
#include "AppFiles.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    olvaris::AppFiles::overrideFolder(QString::fromLocal8Bit(argv[1]));
    // The real end of the process; only the home-page draw is fixed, so
    // that no browser is asked for.
    struct Platform : olvaris::DesktopPlatform {
        int drawOneToHundred() override { return 50; }
    } platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
    form.show();
    form.yielder().setExact(true);
    bool closing = false;
    form.yielder().addBeforeTurn([&form, &closing] {
        const int rows = form.results().count();
        std::printf("rows %d\n", rows);
        std::fflush(stdout);
        if (rows == 50 && !closing) {
            closing = true;
            QMetaObject::invokeMethod(&form, &QWidget::close, Qt::QueuedConnection);
        }
    });
    form.runs().PushButton3_Click();
    std::printf("run returned\n");
    return 3;
}
