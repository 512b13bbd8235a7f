#include "SkinEngine.h"
#include "Failure.h"
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QWidget>
#include <sys/stat.h>
#include <algorithm>
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

// The sheet without its comments, read as Qt's parser reads it: a quoted
// string first (a "/*" inside one opens no comment), then comments.
QString withoutComments(const QString& sheet) {
    QString text;
    text.reserve(sheet.size());
    for (qsizetype at = 0; at < sheet.size();) {
        const QChar c = sheet.at(at);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype end = at + 1;
            while (end < sheet.size() && sheet.at(end) != c && sheet.at(end) != QLatin1Char('\n'))
                end += sheet.at(end) == QLatin1Char('\\') ? 2 : 1;
            end = std::min(end + 1, sheet.size());
            text += QStringView(sheet).mid(at, end - at);
            at = end;
        } else if (c == QLatin1Char('/') && at + 1 < sheet.size() && sheet.at(at + 1) == QLatin1Char('*')) {
            const qsizetype close = sheet.indexOf(QLatin1String("*/"), at + 2);
            at = close < 0 ? sheet.size() : close + 2;
            text += QLatin1Char(' ');
        } else {
            text += c;
            ++at;
        }
    }
    return text;
}

// Qt opens every file a style sheet names in url(...) while it styles the
// window, and would wait for ever on a pipe or read a device without end.
// Each one must be an ordinary file that can be read, or a Qt resource.
void checkNamedFiles(const QString& sheet) {
    static const QRegularExpression url(QStringLiteral(R"re(url\(\s*(?:"([^"]*)"|'([^']*)'|([^)]*?))\s*\))re"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString text = withoutComments(sheet);
    for (auto match = url.globalMatch(text); match.hasNext();) {
        const auto found = match.next();
        const QString name = found.captured(1) + found.captured(2) + found.captured(3);
        if (name.startsWith(QLatin1Char(':')) || name.startsWith(QLatin1String("qrc:")))
            continue;
        struct stat status {};
        const QByteArray path = QFile::encodeName(name);
        if (path.isEmpty() || ::stat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode)
            || ::access(path.constData(), R_OK) != 0)
            throw Failure(Error::Kind::Input,
                          QStringLiteral("The skin names %1, which is not a file that can be read.").arg(name));
    }
}

} // namespace

void StyleSheetSkinEngine::LoadSkin(const QString& path, const QString& section) {
    if (!section.isEmpty())
        throw Failure(Error::Kind::Input, QStringLiteral("This skin engine reads whole skin files only."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(Error::Kind::Input, file.errorString());
    if (file.size() > LargestSkinFile)
        throw Failure(Error::Kind::Input, QStringLiteral("The skin file is too large."));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(Error::Kind::Input, file.errorString());

    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(bytes);
    if (decode.hasError() || text.contains(QChar(0)))
        throw Failure(Error::Kind::Input, QStringLiteral("The skin file is not text."));
    if (text.trimmed().isEmpty())
        throw Failure(Error::Kind::Input, QStringLiteral("The skin file is empty."));
    checkNamedFiles(text);
    if (!parsesAsStyleSheet(text))
        throw Failure(Error::Kind::Input, QStringLiteral("The skin file is not a style sheet."));
    m_styleSheet = text;
}

void StyleSheetSkinEngine::ApplyWindow(QWidget* window) {
    if (!window)
        throw Failure(Error::Kind::Usage, QStringLiteral("Invalid window handle."));
    if (m_styleSheet.isEmpty())
        throw Failure(Error::Kind::Usage, QStringLiteral("No skin has been loaded."));
    const QString sheet = (m_options & SkinActive) ? m_styleSheet : QString();
    // Dialogs and tool tips are windows of their own: they see the skin only
    // when it is set for the whole program.
    if (m_applyToDialogs || m_applyToToolTips)
        qApp->setStyleSheet(sheet);
    else
        window->setStyleSheet(sheet);
}

} // namespace olvaris
