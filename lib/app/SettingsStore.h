#pragma once
#include <QString>

namespace olvaris {

// Per-user text values addressed by application key, section and key.
// Values are kept exactly as given; every save is on disk when it returns.
// Nothing is cached: each read looks at the file again.
class SettingsStore {
public:
    static QString Read(const QString& applicationKey, const QString& section, const QString& key,
                        const QString& defaultValue);
    // Returns false when the value could not be stored; the store is otherwise unchanged.
    static bool Save(const QString& applicationKey, const QString& section, const QString& key, const QString& value);

    // Where the values of an application key live (for tests and the README).
    static QString fileFor(const QString& applicationKey);

    // Whether the store and its lock may be opened at all: each is missing
    // or an ordinary file, and the store is no larger than any real one. A
    // named pipe would block the window in open(), a huge file in parsing.
    // The first refusal is told on standard error, once per process.
    static bool usable(const QString& applicationKey);
    static constexpr qint64 LargestStore = qint64(1) << 20;
};

inline constexpr const char* SeparatingCharacterKey = "Separating Character";
inline constexpr const char* DefaultSeparatingCharacter = "TAB";

} // namespace olvaris
