#include "SkinEngine.h"
#include "app/Failure.h"
#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace olvaris {

namespace {

// Qt reads a style sheet only when it styles a widget, and reports a sheet
// it cannot parse as a warning on the terminal. The check styles a widget
// of its own and listens for that warning.
bool g_unparsable = false;
QtMessageHandler g_passOn = nullptr;

void listenForParseWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("Could not parse"))) {
        g_unparsable = true;
        return;
    }
    if (g_passOn)
        g_passOn(type, context, message);
}

bool parsesAsStyleSheet(const QString& sheet) {
    g_unparsable = false;
    g_passOn = qInstallMessageHandler(listenForParseWarnings);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_passOn);
    return !g_unparsable;
}

} // namespace

void StyleSheetSkinEngine::LoadSkin(const QString& path, const QString& section) {
    if (!section.isEmpty())
        throw Failure(QStringLiteral("This skin engine reads whole skin files only."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString());
    if (file.size() > LargestSkinFile)
        throw Failure(QStringLiteral("The skin file is too large."));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(file.errorString());

    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError() || text.contains(QChar(0)))
        throw Failure(QStringLiteral("The skin file is not text."));
    if (text.trimmed().isEmpty())
        throw Failure(QStringLiteral("The skin file is empty."));
    if (!parsesAsStyleSheet(text))
        throw Failure(QStringLiteral("The skin file is not a style sheet."));
    m_styleSheet = text;
}

void StyleSheetSkinEngine::ApplyWindow(QWidget* window) {
    if (!window)
        throw Failure(QStringLiteral("Invalid window handle."));
    if (m_styleSheet.isEmpty())
        throw Failure(QStringLiteral("No skin has been loaded."));
    const QString sheet = (m_options & SkinActive) ? m_styleSheet : QString();
    // Dialogs and tool tips are windows of their own: they see the skin only
    // when it is set for the whole program.
    if (m_applyToDialogs || m_applyToToolTips)
        qApp->setStyleSheet(sheet);
    else
        window->setStyleSheet(sheet);
}

} // namespace olvaris
