#include "EarlierOutput.h"
#include <algorithm>
#include "OpenSheet.h"
#include "RecordReader.h"
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::check {

namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A header line the check wrote: the list's columns, then its own three
// (and the line, with --problems), in the list's separator.
bool isCheckedHeader(std::string_view line) {
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.remove_prefix(3);
    for (const char separator : {',', ';', '\t'}) {
        std::string added = "verdict";
        added.append(1, separator).append("suggested_zip").append(1, separator).append("note");
        if (endsWith(line, added) || endsWith(line, added.append(1, separator).append("line")))
            return true;
    }
    return line.compare(0, 7, "{\"row\":") == 0;
}

// A workbook the check wrote: its Summary sheet counts rows by verdict.
bool isCheckedWorkbook(const std::string& path, workbook::FileKind kind) {
    try {
        const std::unique_ptr<workbook::Sheet> summary = workbook::openSheet(path, kind, std::string("Summary"));
        return summary->next() && !summary->fields().empty() && summary->fields()[0].rfind("Rows of ", 0) == 0
               && endsWith(summary->fields()[0], " by verdict");
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

std::string foreignOutput(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    // Opened without waiting and looked at as opened: a pipe put there since
    // would hold the check for ever.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return {}; // what cannot be read is the output's to refuse
    std::string start(4096, '\0');
    const bool file = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
    const ssize_t got = file ? ::pread(descriptor, start.data(), start.size(), 0) : 0;
    start.resize(size_t(std::max<ssize_t>(got, 0)));
    const workbook::FileKind kind = workbook::fileKindOf(start);
    std::string foreign;
    if (file && kind != workbook::FileKind::Text) {
        // The workbook's libraries open it by a name: the one it is open by.
        const std::string opened = "/proc/self/fd/" + std::to_string(descriptor);
        foreign = isCheckedWorkbook(::access(opened.c_str(), R_OK) == 0 ? opened : path, kind)
                      ? std::string()
                      : "a workbook that is not an earlier check's output (it has no Summary sheet of counts): name "
                        "a new file, or move it away first";
    } else if (file && !isCheckedHeader(std::string_view(start).substr(0, start.find_first_of("\r\n")))) {
        foreign = "a file that is not an earlier check's output (its first line has no verdict, suggested_zip and "
                  "note columns): name a new file, or move it away first";
    }
    ::close(descriptor);
    return foreign;
}

size_t earlierVerdictColumns(const std::vector<std::string>& header) {
    static const std::vector<std::string> Added{"verdict", "suggested_zip", "note"};
    for (const size_t extra : {size_t(0), size_t(1)}) {
        if (header.size() < Added.size() + extra || (extra == 1 && header.back() != "line"))
            continue;
        const size_t start = header.size() - Added.size() - extra;
        if (std::equal(Added.begin(), Added.end(), header.begin() + long(start)))
            return start;
    }
    return header.size();
}

} // namespace olvaris::check
