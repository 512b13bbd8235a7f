// Starts the window on the X server, fills the list, copies it, writes the
// copied text to a file, and closes the window as a person does; the
// process then ends as the program's does.
// Usage: clipboard-close-probe <program folder> <copied text file> <filter | --all | --none>
#include "AppFiles.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

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
    if (argc != 4)
        return 2;
    olvaris::AppFiles::overrideFolder(QString::fromLocal8Bit(argv[1]));
    UnattendedPlatform platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
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
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    app.exec();
    return 4; // only if closing the window did not end the process
}
