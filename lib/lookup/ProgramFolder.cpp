#include "ProgramFolder.h"
#include <climits>
#include <cstdlib>
#include <linux/magic.h>
#include <sys/auxv.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

std::optional<std::string> folderOf(const std::string& program) {
    const size_t slash = program.rfind('/');
    if (program.empty() || program.front() != '/' || slash == std::string::npos)
        return std::nullopt;
    return slash == 0 ? std::string("/") : program.substr(0, slash);
}

// A file system mounted on /proc that is not the kernel's could hold a link
// of anyone's choosing.
bool onKernelProc(const std::string& link) {
    struct statfs system {};
    const size_t slash = link.rfind('/');
    const std::string folder = slash == std::string::npos || slash == 0 ? std::string("/") : link.substr(0, slash);
    return ::statfs(folder.c_str(), &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

} // namespace

std::optional<std::string> programFolderFrom(const char* programLink, const char* startedAs) {
    char path[PATH_MAX + 1];
    if (programLink && onKernelProc(programLink)) {
        const ssize_t length = ::readlink(programLink, path, PATH_MAX);
        if (length > 0)
            return folderOf(std::string(path, size_t(length)));
    }
    // The kernel opened this path, relative to the folder the program was
    // started in, which it has not left yet.
    if (startedAs && *startedAs && ::realpath(startedAs, path))
        return folderOf(path);
    return std::nullopt;
}

std::optional<std::string> programFolder() {
    // The auxiliary vector gives the path's address as a number.
    const auto* startedAs = reinterpret_cast<const char*>(::getauxval(AT_EXECFN)); // NOLINT(performance-no-int-to-ptr)
    static const std::optional<std::string> folder = programFolderFrom("/proc/self/exe", startedAs);
    return folder;
}

} // namespace olvaris::lookup
