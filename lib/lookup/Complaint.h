#pragma once
#include <string>
#include <string_view>

namespace olvaris::lookup {

// The exit status of a usage error, a list or a database that cannot be read.
inline constexpr int Trouble = 2;

// Says on standard error what went wrong, led by the program's name
// ("olvaris-lookup: where: message"), and returns Trouble. Control
// characters and bytes that are not UTF-8 (from a list, a pattern, a file's
// name) are shown escaped, so nothing read can steer the terminal.
int complain(std::string_view message);
int complain(std::string_view where, std::string_view message);

// The text as it is safe to show on a terminal: tabs, line breaks, escapes
// and other control characters, and bytes that are not part of UTF-8, as
// \t, \n, \r and \xHH; every other character as it is.
std::string shownSafely(std::string_view text);

} // namespace olvaris::lookup
