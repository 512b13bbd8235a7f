// Reads or writes one value of the settings store from a process of its own.
// Usage: settings-probe <config folder> read <key>
//        settings-probe <config folder> save <key> <value>    (then kills itself)
//        settings-probe <config folder> type <key> <value>    (as the separator box does; prints "typed")
#include "Branding.h"
#include "PendingSetting.h"
#include "SettingsStore.h"
#include <QCoreApplication>
#include <QSettings>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromLocal8Bit(argv[1]));
    const QString app_key = QString::fromUtf8(olvaris::branding::SettingsApplicationKey);
    const QString section = QString::fromUtf8(olvaris::branding::SettingsSection);
    const QString key = QString::fromUtf8(argv[3]);
    if (qstrcmp(argv[2], "read") == 0) {
        const QByteArray value =
            olvaris::SettingsStore::Read(app_key, section, key, QStringLiteral("<absent>")).toUtf8();
        std::fwrite(value.constData(), 1, size_t(value.size()), stdout);
        return 0;
    }
    if (qstrcmp(argv[2], "save") == 0 && argc == 5) {
        olvaris::SettingsStore::Save(app_key, section, key, QString::fromUtf8(argv[4]));
        // Die at once, as a crash would: nothing may depend on a clean exit.
        std::raise(SIGKILL);
    }
    if (qstrcmp(argv[2], "type") == 0 && argc == 5) {
        olvaris::PendingSetting setting(app_key, section, key);
        setting.Save(QString::fromUtf8(argv[4]));
        setting.flush(500);
        std::printf("typed");
        return 0;
    }
    return 2;
}
