#include "SettingsStore.h"
#include "SettingsText.h"
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <cstdio>
#include <sys/stat.h>

namespace olvaris {

namespace {
// One INI file per application key, in the user's configuration folder.
QSettings openStore(const QString& applicationKey) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, applicationKey);
}

// A save rewrites the whole store through QSettings, which reads any bytes
// as some INI and writes back what it made of them, escaped: random bytes
// would come back larger than any store it reads, and the value saved
// would be lost with them. What the store cannot read back is dropped
// first (under the lock the store writes under), so that what is written
// is read again.
bool keepWhatCanBeReadBack(const QString& file) {
    QFile store(file);
    if (!store.exists())
        return true;
    if (!store.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = store.read(SettingsStore::LargestStore + 1);
    store.close();
    const std::string readable =
        readableSettingsText(std::string_view(text.constData(), size_t(text.size())), SettingsStore::LargestStore);
    if (readable.size() == size_t(text.size()))
        return true;
    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.tryLock(1000))
        return false;
    QSaveFile rewritten(file);
    return rewritten.open(QIODevice::WriteOnly)
           && rewritten.write(readable.data(), qint64(readable.size())) == qint64(readable.size())
           && rewritten.commit();
}
} // namespace

QString SettingsStore::Read(const QString& applicationKey, const QString& section, const QString& key,
                            const QString& defaultValue) {
    if (!usable(applicationKey))
        return defaultValue;
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
    if (!usable(applicationKey) || !keepWhatCanBeReadBack(fileFor(applicationKey)))
        return false;
    QSettings store = openStore(applicationKey);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

// Asking QSettings for the file's name would read the file; the name of a
// store that does not exist tells the folder without opening anything there.
QString SettingsStore::fileFor(const QString& applicationKey) {
    const QString unopened = openStore(QStringLiteral(".olvaris-no-such-store")).fileName();
    return QFileInfo(unopened).path() + QLatin1Char('/') + applicationKey + QStringLiteral(".ini");
}

bool SettingsStore::usable(const QString& applicationKey) {
    const QString file = fileFor(applicationKey);
    QString refusal;
    struct stat status {};
    for (const QString& path : {file, file + QStringLiteral(".lock")}) {
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        if (!S_ISREG(status.st_mode))
            refusal = path + QStringLiteral(" is not an ordinary file");
        else if (path == file && status.st_size > LargestStore)
            refusal = path + QStringLiteral(" is larger than any settings file");
        if (!refusal.isEmpty())
            break;
    }
    if (refusal.isEmpty())
        return true;
    static bool told = false;
    if (!told) {
        told = true;
        std::fprintf(stderr, "olvaris: settings not read or stored: %s\n", qPrintable(refusal));
    }
    return false;
}

} // namespace olvaris
