#include "SettingsText.h"
#include "Utf8.h"

namespace olvaris {

namespace {

bool readableLine(std::string_view line) {
    if (!text::isValidUtf8(line))
        return false;
    for (const char c : line)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
            return false;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return true;
    line = line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
    return line.front() == ';' || line.front() == '#' || (line.front() == '[' && line.back() == ']')
           || line.find('=') != std::string_view::npos;
}

} // namespace

std::string readableSettingsText(std::string_view text, long long largestStore) {
    std::string kept;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(start, end - start);
        start = end;
        if (!readableLine(line.substr(0, line.size() - (line.back() == '\n' ? 1 : 0))))
            continue;
        if (static_cast<long long>(kept.size()) + static_cast<long long>(line.size()) > largestStore / 4)
            break;
        kept += line;
    }
    return kept;
}

} // namespace olvaris
