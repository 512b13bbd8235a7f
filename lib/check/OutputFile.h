#pragma once
#include <cstdio>
#include <string>

namespace olvaris::lookup {

// A text file written whole or not at all: rows go to a temporary file
// beside it, which commit() puts in its place once it is on the disk.
// Dropped uncommitted, the temporary file goes and the file is as it was.
class OutputFile {
public:
    // Throws std::runtime_error where the folder takes no file.
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* stream() const { return m_stream; }
    // Throws std::runtime_error.
    void commit();

private:
    std::string m_path, m_temporary;
    std::FILE* m_stream = nullptr;
    bool m_committed = false;
};

} // namespace olvaris::lookup
