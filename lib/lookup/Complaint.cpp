#include "Complaint.h"
#include "Utf8.h"
#include <algorithm>
#include <cstdio>

namespace olvaris::lookup {

std::string shownSafely(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = bytes[at];
        if (c >= 0x80) {
            // C1 controls (U+0080..U+009F) steer terminals as ESC does.
            const size_t length = text::validUtf8Length(bytes + at, text.size() - at);
            const bool control = length == 2 && c == 0xC2 && bytes[at + 1] < 0xA0;
            if (length > 0 && !control) {
                shown.append(text.data() + at, length);
                at += length;
                continue;
            }
        } else if (c >= 0x20 && c != 0x7F) {
            shown += char(c);
            ++at;
            continue;
        }
        const size_t length = c >= 0x80 ? std::max<size_t>(1, text::validUtf8Length(bytes + at, text.size() - at)) : 1;
        for (size_t i = 0; i < length; ++i) {
            const unsigned char byte = bytes[at + i];
            if (byte == '\t')
                shown += "\\t";
            else if (byte == '\n')
                shown += "\\n";
            else if (byte == '\r')
                shown += "\\r";
            else
                shown += {'\\', 'x', Hex[byte >> 4], Hex[byte & 0xF]};
        }
        at += length;
    }
    return shown;
}

int complain(std::string_view message) {
    const std::string shown = "olvaris-lookup: " + shownSafely(message) + "\n";
    std::fputs(shown.c_str(), stderr);
    return Trouble;
}

int complain(std::string_view where, std::string_view message) {
    std::string joined(where);
    joined += ": ";
    joined += message;
    return complain(joined);
}

} // namespace olvaris::lookup
