#pragma once
#include "AsciiCase.h"
#include <string>
#include <string_view>

namespace olvaris::check {

// The part of a path after its last '/': what a person calls the file.
inline std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether a file's name ends so, in any letter case (".XLSX" is a workbook too).
inline bool nameEndsWith(std::string_view name, std::string_view end) {
    return name.size() >= end.size() && text::equalIgnoringAsciiCase(name.substr(name.size() - end.size()), end);
}

} // namespace olvaris::check
