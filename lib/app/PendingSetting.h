#pragma once
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace olvaris {

// One setting on its way to the settings store, for values that change on
// every keystroke. A value is stored at once when the store is free; while
// another process holds the store's lock (or a crash left the lock behind,
// until it is known to be stale) the value is kept and stored as soon as the
// store is free, the last value given winning. Saving never waits on the lock.
class PendingSetting : public QObject {
public:
    PendingSetting(QString applicationKey, QString section, QString key, QObject* parent = nullptr);

    void Save(const QString& value);
    bool pending() const { return m_value.has_value(); }
    // Before the process ends: stores a waiting value, waiting for the
    // store's lock at most the given time.
    void flush(int milliseconds);

    static constexpr int RetryMilliseconds = 200;

private:
    void attempt(int waitMilliseconds);

    QString m_applicationKey, m_section, m_key;
    std::optional<QString> m_value;
    QTimer m_retry;
};

} // namespace olvaris
