#include "DesktopPlatform.h"
#include "ClipboardHandOver.h"
#include "Failure.h"
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTime>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <random>

namespace olvaris {

namespace {

// Message texts use "\r\n" and "\r" as line breaks; the screen shows "\n".
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as name filters for the
// dialog: each description with the patterns of its pair. "*.*" is every
// file there; here it would hide the names without a dot, so it becomes "*".
QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        if (description.isEmpty())
            continue;
        if (const qsizetype open = description.lastIndexOf(QLatin1String(" ("));
            open > 0 && description.endsWith(QLatin1Char(')')))
            description.truncate(open);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        filters.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

// A message box wraps any text wider than about 500 pixels, and would cut a
// web address in two. Lines that fit on the screen are kept whole.
void keepLinesWhole(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen();
    if (!label || !screen)
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : label->text().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    if (widest <= screen->availableGeometry().width() * 3 / 4)
        label->setMinimumWidth(widest + 2);
}

} // namespace

void DesktopPlatform::showMessage(const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, displayText(text),
                    QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(QMessageBox::Ok);
    keepLinesWhole(box);
    box.exec();
}

QString DesktopPlatform::askSaveFileName(const SaveDialogRequest& request) {
    QFileDialog dialog(m_parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(nameFilters(request.filter));
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// Nothing more runs: no handler, row or save. The clipboard's text is
// handed to the desktop first, so it outlives the program.
void DesktopPlatform::endProcess(int exitStatus) {
    handClipboardToManager(ClipboardHandOverLimit);
    std::_Exit(exitStatus);
}

void DesktopPlatform::openUrl(const QString& url) {
    // Qt hands the address to the desktop's opener in a separate process.
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw Failure(Error::Kind::Output, QStringLiteral("The browser could not be started for ") + url);
}

int DesktopPlatform::drawOneToHundred() {
    std::mt19937 generator(unsigned(QTime::currentTime().msecsSinceStartOfDay() / 1000));
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    return std::min(100, int(fraction(generator) * 100.0) + 1);
}

} // namespace olvaris
