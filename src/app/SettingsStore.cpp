#include "SettingsStore.h"
#include <QSettings>

namespace olvaris {

namespace {
// One INI file per application key, in the user's configuration folder.
QSettings openStore(const QString& applicationKey) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, applicationKey);
}
} // namespace

QString SettingsStore::Read(const QString& applicationKey, const QString& section, const QString& key,
                            const QString& defaultValue) {
    QSettings store = openStore(applicationKey);
    if (store.status() != QSettings::NoError)
        return defaultValue;
    store.beginGroup(section);
    const QVariant value = store.value(key);
    if (!value.isValid() || store.status() != QSettings::NoError)
        return defaultValue;
    return value.toString();
}

bool SettingsStore::Save(const QString& applicationKey, const QString& section, const QString& key,
                         const QString& value) {
    QSettings store = openStore(applicationKey);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

QString SettingsStore::fileFor(const QString& applicationKey) { return openStore(applicationKey).fileName(); }

} // namespace olvaris
