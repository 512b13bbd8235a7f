#include "SourceFile.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

SourceFile::SourceFile(const std::string& path, Kind kind)
    : m_descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | (kind == Kind::Source ? O_NONBLOCK : 0))) {
    if (m_descriptor < 0)
        throw Error(Error::Kind::Input, "cannot open " + path + ": " + std::strerror(errno));
    struct stat status {};
    if (kind == Kind::Source && (::fstat(m_descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(m_descriptor);
        throw Error(Error::Kind::Input, path + " is not an ordinary file");
    }
}

SourceFile::~SourceFile() { ::close(m_descriptor); }

Error unreadable(const std::string& path, const ziplist::ReadError& error) {
    return Error(Error::Kind::Input, error.what(), path, error.line());
}

} // namespace olvaris::zipdata
