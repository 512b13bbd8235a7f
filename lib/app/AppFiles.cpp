#include "AppFiles.h"
#include "SystemPath.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace olvaris {

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
QString& databaseOverride() {
    static QString database;
    return database;
}
} // namespace

QString AppFiles::applicationFolder() {
    QString folder = folderOverride().isEmpty() ? QCoreApplication::applicationDirPath() : folderOverride();
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator())))
        folder.chop(1);
    return QDir::toNativeSeparators(folder);
}

QString AppFiles::path(const char* relativeName) {
    return applicationFolder() + QDir::separator() + QDir::toNativeSeparators(QString::fromUtf8(relativeName));
}

QString AppFiles::databasePath() {
    return databaseOverride().isEmpty() ? path(appfile::Database) : QDir::toNativeSeparators(databaseOverride());
}

void AppFiles::overrideDatabase(const QString& path) { databaseOverride() = path; }

bool AppFiles::databaseThere() {
    return databaseOverride().isEmpty() ? isOrdinaryFile(databasePath()) : fileKindAt(databasePath()) == FileKind::File;
}

QString AppFiles::databaseMissing() {
    const QString path = databasePath();
    const FileKind kind = fileKindAt(path);
    if (databaseOverride().isEmpty() || kind == FileKind::Missing)
        return path + QStringLiteral(" not found.");
    if (kind == FileKind::Folder)
        return path + QStringLiteral(" is a folder, not a database.");
    return path + QStringLiteral(" is not a file (a pipe or a device), not a database.");
}

void AppFiles::overrideFolder(const QString& folder) { folderOverride() = folder; }
void AppFiles::clearOverride() {
    folderOverride().clear();
    databaseOverride().clear();
}

bool FileExists(const QString& path) noexcept {
    try {
        if (path.isEmpty())
            return false;
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

bool isOrdinaryFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

} // namespace olvaris
