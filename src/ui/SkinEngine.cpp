#include "SkinEngine.h"
#include "app/Failure.h"
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QWidget>
#include <sys/stat.h>
#include <unistd.h>

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

// Qt opens every file a style sheet names in url(...) while it styles the
// window, and would wait for ever on a pipe or read a device without end.
// Each one must be an ordinary file that can be read, or a Qt resource.
void checkNamedFiles(const QString& sheet) {
    static const QRegularExpression comment(QStringLiteral(R"(/\*.*?\*/)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression url(QStringLiteral(R"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^)]*?))\s*\))re"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString text = sheet;
    text.remove(comment);
    for (auto match = url.globalMatch(text); match.hasNext();) {
        const auto found = match.next();
        const QString name = found.captured(1) + found.captured(2) + found.captured(3);
        if (name.startsWith(QLatin1Char(':')) || name.startsWith(QLatin1String("qrc:")))
            continue;
        struct stat status {};
        const QByteArray path = QFile::encodeName(name);
        if (path.isEmpty() || ::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode)
            || ::access(path.constData(), R_OK) != 0)
            throw Failure(QStringLiteral("The skin names %1, which is not a file that can be read.").arg(name));
    }
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
    checkNamedFiles(text);
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
