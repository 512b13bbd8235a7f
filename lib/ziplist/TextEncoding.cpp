#include "TextEncoding.h"
#include "Utf8.h"
#include "Windows1252.h"

namespace ziplist {

Encoding encodingOf(std::string_view sample) {
    const size_t valid = olvaris::text::validUtf8Prefix(sample);
    // What is left may be a sequence the end of the sample cut short: a
    // lead byte and at most two of its continuation bytes.
    const std::string_view rest = sample.substr(valid);
    if (rest.empty())
        return Encoding::Utf8;
    if (rest.size() > 3 || static_cast<unsigned char>(rest[0]) < 0xC2)
        return Encoding::Windows1252;
    for (size_t i = 1; i < rest.size(); ++i)
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
            return Encoding::Windows1252;
    return Encoding::Utf8;
}

void assignUtf8(std::string& out, std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8 && olvaris::text::isValidUtf8(bytes)) {
        out.assign(bytes.data(), bytes.size());
        return;
    }
    out.clear();
    olvaris::text::appendFromWindows1252(out, bytes);
}

} // namespace ziplist
