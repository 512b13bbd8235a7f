#include "CheckDialogs.h"
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace olvaris::listcheck {

QString CheckDialogs::openList(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(
        parent, QObject::tr("Open an address list"), folder,
        QObject::tr("Address lists (*.csv *.tsv *.txt *.xlsx *.ods *.xls);;All files (*)"));
}

QString CheckDialogs::saveFile(QWidget* parent, const QString& title, const QString& suggested,
                               const QStringList& filters, QString& chosenFilter) {
    // Replacing a file is asked about by the window, which knows whether it
    // is an earlier check's.
    return QFileDialog::getSaveFileName(parent, title, suggested, filters.join(QStringLiteral(";;")), &chosenFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

bool CheckDialogs::confirm(QWidget* parent, const QString& title, const QString& text, const QString& yes) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText); // a file's name is never markup
    QPushButton* replace = box.addButton(yes, QMessageBox::DestructiveRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == replace;
}

void CheckDialogs::tell(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace olvaris::listcheck
