#pragma once
#include <cstddef>
#include <string>

namespace olvaris::zipdata {

// Why the output must not be replaced, or empty. The build ends by renaming
// over it: a pipe, a device (/dev/null as root) or a folder there would be
// replaced, not written; and never the input itself, or a file that is not
// a database.
std::string refusedOutput(const std::string& input, const std::string& output);

// The longest name of the build's work (a temporary file beside the
// output) that can be kept for its removal on a signal.
inline constexpr size_t WorkNameRoom = 4096;
// The work and its journal removed should the program be ended by a
// signal (SIGINT, SIGTERM or SIGHUP, one not ignored), the program ending
// with 128 + the signal's number.
void removeWorkOnTermination(const std::string& temporary);
// The work and its journal removed, where they are.
void removeWork(const std::string& temporary);

} // namespace olvaris::zipdata
