#include "PendingSetting.h"
#include "SettingsStore.h"
#include <QLockFile>

namespace olvaris {

PendingSetting::PendingSetting(QString applicationKey, QString section, QString key, QObject* parent)
    : QObject(parent), m_applicationKey(std::move(applicationKey)), m_section(std::move(section)),
      m_key(std::move(key)) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, [this] { attempt(0); });
}

void PendingSetting::Save(const QString& value) {
    m_value = value;
    attempt(0);
}

void PendingSetting::flush(int milliseconds) {
    if (m_value)
        attempt(milliseconds);
}

void PendingSetting::attempt(int waitMilliseconds) {
    if (!m_value)
        return;
    // A store that must not be opened (a pipe, a huge file) takes nothing.
    if (!SettingsStore::usable(m_applicationKey)) {
        m_value.reset();
        return;
    }
    // The store takes this lock for every write and waits for it without
    // bound (a lock left by a crash counts as stale only after 30 s), so it
    // is tried here first without waiting, and released at once for the
    // store to take.
    QLockFile lock(SettingsStore::fileFor(m_applicationKey) + QStringLiteral(".lock"));
    if (!lock.tryLock(waitMilliseconds) && lock.error() == QLockFile::LockFailedError) {
        m_retry.start();
        return;
    }
    lock.unlock();
    // A value that cannot be stored at all (a folder in the way, no
    // permission) is lost alone, as before; it is not retried.
    SettingsStore::Save(m_applicationKey, m_section, m_key, *m_value);
    m_value.reset();
}

} // namespace olvaris
