// Starts the window on the X server, fills the list, copies it, writes the
// copied text to a file, and closes the window as a person does; the
// process then ends as the program's does. With a hold, the window stays
// open that many milliseconds after the copy (a signal may end it sooner)
// and says "copied" on standard output once the copy is written and
// "closing" when it closes.
// Usage: clipboard-close-probe <program folder> <copied text file> <filter | --all | --none> [hold ms]
#include "AppFiles.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {
// The copy's confirmation would wait for a person; everything else is real.
class UnattendedPlatform : public olvaris::DesktopPlatform {
public:
    void showMessage(const QString&, const QString&, olvaris::MessageIcon) override {}
    int drawOneToHundred() override { return 50; }
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    const int hold = argc == 5 ? std::atoi(argv[4]) : 0;
    olvaris::AppFiles::overrideFolder(QString::fromLocal8Bit(argv[1]));
    UnattendedPlatform platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
    form.endOnTerminationSignals();
    form.show();
    const QString filter = QString::fromLocal8Bit(argv[3]);
    if (filter == QLatin1String("--all"))
        form.runs().PushButton3_Click();
    else if (filter != QLatin1String("--none")) {
        form.Text1->setText(filter);
        form.runs().PushButton1_Click();
    }
    if (filter != QLatin1String("--none"))
        form.exports().PushButton6_Click();
    QFile copied(QString::fromLocal8Bit(argv[2]));
    if (!copied.open(QIODevice::WriteOnly))
        return 3;
    copied.write(QGuiApplication::clipboard()->text().toUtf8());
    copied.close();
    if (hold > 0) {
        std::printf("copied\n");
        std::fflush(stdout);
    }
    QTimer::singleShot(hold, &form, [&form, hold] {
        if (hold > 0) {
            std::printf("closing\n");
            std::fflush(stdout);
        }
        form.close();
    });
    app.exec();
    return 4; // only if closing the window did not end the process
}
