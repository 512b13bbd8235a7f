// Olvaris: finds US cities, states and ZIP codes. Reads no command line.
#include "ui/DesktopPlatform.h"
#include "ui/Form1.h"
#include <QApplication>
#include <QScreen>
#include <QStyleFactory>
#include <csignal>

int main(int argc, char** argv) {
    // A file-size limit makes a save fail with a report instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The program reads no command line, and neither does Qt: it is given
    // the program's name only, so its own options (-stylesheet, -platform,
    // -reverse ...) are not taken. The desktop's environment variables are.
    char fallbackName[] = "olvaris";
    char* programName[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programNameCount = 1;
    QApplication app(programNameCount, programName);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QGuiApplication::setDesktopFileName(QStringLiteral("olvaris"));

    olvaris::DesktopPlatform platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
    platform.setDialogParent(&form);

    // The window opens centred on the screen.
    if (const QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    return app.exec();
}
