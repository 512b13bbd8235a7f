#pragma once
#include "ReadError.h"
#include <string>

namespace olvaris::zipdata {

// An input besides the list, open. A source must be an ordinary file: a
// pipe or a device (/dev/zero) may never end, and is refused without
// waiting for a writer. The list itself, read again for its points, is
// taken as it is. Throws olvaris::Error.
class SourceFile {
public:
    enum class Kind { Source, List };
    explicit SourceFile(const std::string& path, Kind kind = Kind::Source);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    int descriptor() const { return m_descriptor; }

private:
    int m_descriptor;
};

// A line of a source that cannot be read, as an error naming the source:
// the reader's error knows only the line.
Error unreadable(const std::string& path, const ziplist::ReadError& error);

} // namespace olvaris::zipdata
