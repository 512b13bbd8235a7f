#include "ApplicationTitle.h"
#include "Branding.h"

namespace olvaris {

namespace {
QString initialTitle() { return QString::fromUtf8(branding::ProductName).left(39); }
QString& storage() {
    static QString title = initialTitle();
    return title;
}
} // namespace

QString ApplicationTitle::current() { return storage(); }
void ApplicationTitle::set(const QString& title) { storage() = title; }
void ApplicationTitle::reset() { storage() = initialTitle(); }

QString ApplicationTitle::shortened(const QString& name) {
    qsizetype blank = name.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return name;
    QString title = name.left(blank);
    while (title.size() > 40) {
        blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        title = title.left(blank);
    }
    return title;
}

} // namespace olvaris
