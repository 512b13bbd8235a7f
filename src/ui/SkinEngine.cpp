#include "SkinEngine.h"
#include "app/Failure.h"
#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace olvaris {

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
