// Olvaris: finds US cities, states and ZIP codes.
#include "AppFiles.h"
#include "CommandLine.h"
#include "DesktopPlatform.h"
#include "Form1.h"
#include "SystemPath.h"
#include <QApplication>
#include <QScreen>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Started where no display can be opened (over ssh, from cron), Qt reports
// it as a fatal error and aborts with a core dump. While the application
// starts, the platform's complaints are kept back, and a fatal one ends the
// program with one line and status 1.
QtMessageHandler g_passOn = nullptr;
QString g_platformComplaint;

void startUpMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool platform = context.category && QByteArrayView(context.category).startsWith("qt.qpa");
    if (type == QtFatalMsg) {
        const QString reason =
            g_platformComplaint.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0) : g_platformComplaint;
        std::fprintf(stderr, "olvaris: cannot open the display: %s\n", qPrintable(reason));
        std::_Exit(EXIT_FAILURE);
    }
    if (platform && type != QtDebugMsg) {
        if (g_platformComplaint.isEmpty())
            g_platformComplaint = message;
        return;
    }
    if (g_passOn)
        g_passOn(type, context, message);
}

} // namespace

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
    g_passOn = qInstallMessageHandler(startUpMessages);
    QApplication app(programNameCount, programName);
    qInstallMessageHandler(g_passOn);
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
