#pragma once
#include <cstdio>
#include <string>
#include <sys/types.h>
#include <vector>

namespace olvaris::check {

// A file the run reads, which its output may never be.
struct ReadFile {
    int descriptor = -1; // an open one (standard input among them), else
    std::string path;    // one by its name
    std::string role;    // "the list being checked"
};

// Where --output goes, written whole or not at all.
//  - A file (or none yet): written to a temporary file beside it, which
//    commit() renames over it once it is on the disk, with the old file's
//    mode, owner and group. A symbolic link is followed to the file it
//    names, which is replaced; the link stays a link. A file with several
//    names, or one whose owner cannot be given to a new file, is written
//    where it is instead, once the whole output is ready.
//  - A pipe, a device or another special file: written to as a stream,
//    never replaced. A pipe no program opens for reading within a moment is
//    refused, never waited on for ever.
//  - A folder, or a file the run reads (by any name): refused.
// Dropped uncommitted, the temporary file goes and a file is as it was.
class OutputFile {
public:
    // How the output is filled: rows through stream(), or whole by a
    // library that writes a file by its name (temporaryPath()).
    enum class Filling { Stream, ByName };

    // Throws olvaris::Error (Output) saying why the output cannot go there.
    OutputFile(const std::string& path, Filling filling, const std::vector<ReadFile>& reading = {});
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* stream() const { return m_stream; }
    const std::string& temporaryPath() const { return m_temporary; }
    // Throws olvaris::Error (Output).
    void commit();

private:
    enum class Plan { Replace, InPlace, Stream };

    void open(const std::string& path, Filling filling, const std::vector<ReadFile>& reading);
    void release();
    void openSpecial(bool pipe);
    void writeInPlace();

    std::string m_target; // the file replaced or written
    std::string m_temporary;
    Plan m_plan = Plan::Replace;
    int m_temporaryFd = -1;
    int m_destinationFd = -1; // a special file's
    std::FILE* m_stream = nullptr;
    bool m_existed = false;
    mode_t m_mode = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_renamed = false;
};

// While one is held, outputs made on its thread must be files (or not
// there yet): a pipe or a device is refused. A window's Stop must end a save
// at once, and a write to a pipe waits on whatever reads it.
class FilesOnly {
public:
    FilesOnly();
    ~FilesOnly();
    FilesOnly(const FilesOnly&) = delete;
    FilesOnly& operator=(const FilesOnly&) = delete;

    static bool held();
    // Why what has this mode is not a file to save to ("is a named pipe,
    // not a file: ..."); empty for a file.
    static std::string refusal(mode_t mode);

private:
    bool m_before;
};

} // namespace olvaris::check
