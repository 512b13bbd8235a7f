#pragma once
#include <QString>

namespace olvaris {

// The program's own files, named from the folder that holds the program.
namespace appfile {
inline constexpr const char* Database = "zipbase.mdb";
inline constexpr const char* HandCursor = "HAND-M.CUR";
inline constexpr const char* Skin = "x/o.cjs";
} // namespace appfile

class AppFiles {
public:
    // The folder that holds the program file, without a trailing separator;
    // empty where the system does not tell it (never the working folder,
    // where a list's folder may hold files named as the program's own).
    static QString applicationFolder();
    // The folder plus the separator plus the relative name, in native form;
    // empty where the folder is not known.
    static QString path(const char* relativeName);
    // The program's folder from the kernel's link to the program (trusted
    // only on the kernel's /proc), else, where /proc is not mounted, from
    // the path the program was started by (may be null), resolved against
    // the folder it was started in; empty where neither tells it.
    static QString programFolderFrom(const char* programLink, const char* startedAs);

    // The database the window opens: the one beside the program, unless the
    // command line named another (an empty path returns to the default).
    static QString databasePath();
    static void overrideDatabase(const QString& path);
    // Whether the database there can be opened; where it cannot, what the
    // user is told. The one beside the program is there when it is an
    // ordinary file, not hidden, and is otherwise "not found"; one named on
    // the command line is taken as named (a hidden file too), and a folder,
    // a pipe or a device there is said to be one.
    static bool databaseThere();
    static QString databaseMissing();

    // Tests run the program's start-up against folders of their own.
    static void overrideFolder(const QString& folder);
    static void clearOverride();
};

// True when the path's last-modification time can be read. Never throws.
bool FileExists(const QString& path) noexcept;

// True for an existing ordinary file that is not hidden; folders do not count.
bool isOrdinaryFile(const QString& path);

} // namespace olvaris
