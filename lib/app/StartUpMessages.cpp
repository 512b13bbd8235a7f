#include "StartUpMessages.h"
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace olvaris {

namespace {

QtMessageHandler g_passOn = nullptr;
QString g_platformComplaint;
const char* g_program = "olvaris";

void startUpMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool platform = context.category && QByteArrayView(context.category).startsWith("qt.qpa");
    if (type == QtFatalMsg) {
        const QString reason =
            g_platformComplaint.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0) : g_platformComplaint;
        std::fprintf(stderr, "%s: cannot open the display: %s\n", g_program, qPrintable(reason));
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

StartUpMessages::StartUpMessages(const char* program) {
    g_program = program;
    g_passOn = qInstallMessageHandler(startUpMessages);
}

StartUpMessages::~StartUpMessages() { qInstallMessageHandler(g_passOn); }

} // namespace olvaris
