#include "AppFiles.h"
#include "SystemPath.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cstdlib>
#include <linux/magic.h>
#include <sys/auxv.h>
#include <sys/vfs.h>
#include <unistd.h>

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

QString folderOf(const QByteArray& program) {
    const qsizetype slash = program.lastIndexOf('/');
    if (!program.startsWith('/') || slash < 0)
        return {};
    return QFile::decodeName(slash == 0 ? QByteArray("/") : program.left(slash));
}

// A file system mounted on /proc that is not the kernel's could hold a link
// of anyone's choosing.
bool onKernelProc(const QByteArray& link) {
    struct statfs system {};
    const qsizetype slash = link.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArray("/") : link.left(slash);
    return ::statfs(folder.constData(), &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

} // namespace

QString AppFiles::programFolderFrom(const char* programLink, const char* startedAs) {
    char path[PATH_MAX + 1];
    if (programLink && onKernelProc(programLink)) {
        const ssize_t length = ::readlink(programLink, path, PATH_MAX);
        if (length > 0)
            return folderOf(QByteArray(path, qsizetype(length)));
    }
    // The kernel opened this path, relative to the folder the program was
    // started in, which it has not left yet.
    if (startedAs && *startedAs && ::realpath(startedAs, path))
        return folderOf(QByteArray(path));
    return {};
}

QString AppFiles::applicationFolder() {
    // Found once, before anything could change the working folder.
    // The auxiliary vector gives the path's address as a number.
    const auto* startedAs = reinterpret_cast<const char*>(::getauxval(AT_EXECFN)); // NOLINT(performance-no-int-to-ptr)
    static const QString program = programFolderFrom("/proc/self/exe", startedAs);
    QString folder = folderOverride().isEmpty() ? program : folderOverride();
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator())))
        folder.chop(1);
    return QDir::toNativeSeparators(folder);
}

QString AppFiles::path(const char* relativeName) {
    if (applicationFolder().isEmpty())
        return {};
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
    if (path.isEmpty())
        return QStringLiteral("The folder that holds the program cannot be told (/proc/self/exe cannot be read), so "
                              "its database %1 cannot be found.")
            .arg(QString::fromUtf8(appfile::Database));
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
