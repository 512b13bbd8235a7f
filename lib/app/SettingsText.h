#pragma once
#include <string>
#include <string_view>

namespace olvaris {

// What of a settings file the store can write back whole and read again:
// its lines that are UTF-8 text without control characters and blank, a
// comment, a [section] or a key=value, in order, as long as they fit in a
// quarter of the largest store read (a rewrite percent-encodes keys and
// escapes values, which makes them at most about three times longer). A
// file the store wrote itself comes back as it is; random bytes come back
// empty.
std::string readableSettingsText(std::string_view text, long long largestStore);

} // namespace olvaris
