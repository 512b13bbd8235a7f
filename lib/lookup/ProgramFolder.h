#pragma once
#include <optional>
#include <string>

namespace olvaris::lookup {

// The folder that holds the running program, without a trailing "/": the
// kernel's link to the program where /proc is the kernel's, else (/proc not
// mounted, as in some containers) the path the program was started by,
// resolved against the folder it was started in. None where neither tells
// it: the working folder is never taken for it, as a list's folder may hold
// files named as the program's own. Found once, before anything could
// change the working folder.
std::optional<std::string> programFolder();

// The same from the sources named: the link to the program (trusted only on
// the kernel's /proc) and the path it was started by (may be null).
std::optional<std::string> programFolderFrom(const char* programLink, const char* startedAs);

} // namespace olvaris::lookup
