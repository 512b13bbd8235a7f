// Olvaris: finds US cities, states and ZIP codes. Reads no command line.
#include "ui/DesktopPlatform.h"
#include "ui/Form1.h"
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
    // The program reads no command line, and neither does Qt: it is given
    // the program's name only, so its own options (-stylesheet, -platform,
    // -reverse ...) are not taken. The desktop's environment variables are.
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
