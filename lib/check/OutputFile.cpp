#include "OutputFile.h"
#include "RemoveOnSignal.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::lookup {

OutputFile::OutputFile(const std::string& path) : m_path(path), m_temporary(path + ".XXXXXX") {
    const int descriptor = ::mkstemp(m_temporary.data());
    if (descriptor < 0)
        throw std::runtime_error(std::strerror(errno));
    m_stream = ::fdopen(descriptor, "w");
    if (m_stream == nullptr) {
        ::close(descriptor);
        ::unlink(m_temporary.c_str());
        throw std::runtime_error(std::strerror(errno));
    }
    removeOnSignal(m_temporary);
}

OutputFile::~OutputFile() {
    if (m_stream != nullptr)
        std::fclose(m_stream);
    if (!m_committed)
        ::unlink(m_temporary.c_str());
    keepOnSignal();
}

void OutputFile::commit() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const int descriptor = ::fileno(m_stream);
    const bool written =
        std::fflush(m_stream) == 0 && ::fsync(descriptor) == 0 && ::fchmod(descriptor, 0666 & ~mask) == 0;
    const int error = errno;
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    if (!written || !closed)
        throw std::runtime_error(std::strerror(written ? errno : error));
    keepOnSignal();
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        throw std::runtime_error(std::strerror(errno));
    m_committed = true;
}

} // namespace olvaris::lookup
