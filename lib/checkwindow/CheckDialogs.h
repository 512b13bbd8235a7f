#pragma once
#include <QString>
#include <QStringList>

class QWidget;

namespace olvaris::listcheck {

// What the list check's window asks of the person in a dialog; tests put
// their own answers in its place.
class CheckDialogs {
public:
    virtual ~CheckDialogs() = default;
    // A list to open, or empty.
    virtual QString openList(QWidget* parent, const QString& folder);
    // Where to save, or empty; filters as QFileDialog takes them, the
    // chosen one given back.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& suggested,
                             const QStringList& filters, QString& chosenFilter);
    virtual bool confirm(QWidget* parent, const QString& title, const QString& text, const QString& yes);
    virtual void tell(QWidget* parent, const QString& title, const QString& text);
};

} // namespace olvaris::listcheck
