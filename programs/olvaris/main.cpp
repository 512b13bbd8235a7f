// Olvaris: finds US cities, states and ZIP codes.
#include "AppFiles.h"
#include "CommandLine.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include "StartUpMessages.h"
#include "SystemPath.h"
#include <QApplication>
#include <QScreen>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

int main(int argc, char** argv) {
    // A file-size limit makes a save fail with a report instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << olvaris::fromSystemBytes(argv[i]);
    const olvaris::CommandLine line = olvaris::parseCommandLine(arguments);
    switch (line.action) {
    case olvaris::CommandLine::Action::Help:
        std::fputs(olvaris::CommandLineUsage, stdout);
        return EXIT_SUCCESS;
    case olvaris::CommandLine::Action::Version:
        std::puts("olvaris " OLVARIS_VERSION);
        return EXIT_SUCCESS;
    case olvaris::CommandLine::Action::Refuse:
        std::fprintf(stderr, "olvaris: %s\n%s", qPrintable(line.complaint), olvaris::CommandLineUsage);
        return 2;
    case olvaris::CommandLine::Action::Run:
        break;
    }
    // Another database is named as given, from the folder the program was
    // started in; a missing or unusable one is met as the shipped one would be.
    if (!line.database.isEmpty())
        olvaris::AppFiles::overrideDatabase(olvaris::absoluteSystemPath(line.database));
    // Qt reads no command line: it is given the program's name only, so its
    // own options (-stylesheet, -platform, -reverse ...) are not taken. The
    // desktop's environment variables are.
    char fallbackName[] = "olvaris";
    char* programName[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programNameCount = 1;
    std::optional<olvaris::StartUpMessages> startUp(std::in_place, "olvaris");
    QApplication app(programNameCount, programName);
    startUp.reset();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QGuiApplication::setDesktopFileName(QStringLiteral("olvaris"));

    olvaris::DesktopPlatform platform;
    olvaris::Form1 form(platform);
    form.Form_Load();
    form.endOnTerminationSignals();
    platform.setDialogParent(&form);

    // The window opens centred on the screen.
    if (const QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    return app.exec();
}
