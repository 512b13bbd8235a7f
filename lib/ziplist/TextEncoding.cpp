#include "TextEncoding.h"
#include "Utf8.h"
#include "Windows1252.h"

namespace olvaris::ziplist {

namespace {

// A lead byte and at most two of its continuation bytes: a sequence the end
// of a sample cut short.
bool cutShort(std::string_view rest) {
    if (rest.size() > 3 || static_cast<unsigned char>(rest[0]) < 0xC2)
        return false;
    for (size_t i = 1; i < rest.size(); ++i)
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
            return false;
    return true;
}

} // namespace

Encoding encodingOf(std::string_view sample) {
    // Windows-1252 where stray bytes outnumber the well-formed characters
    // beyond ASCII: one byte pasted into a UTF-8 list does not make every
    // other field of it Windows-1252.
    size_t characters = 0, stray = 0;
    for (size_t at = 0; at < sample.size();) {
        const size_t valid = olvaris::text::validUtf8Prefix(sample.substr(at));
        for (size_t i = at; i < at + valid; ++i)
            characters += (static_cast<unsigned char>(sample[i]) & 0xC0) == 0xC0;
        at += valid;
        if (at == sample.size() || cutShort(sample.substr(at)))
            break;
        ++stray;
        ++at;
    }
    return stray > characters ? Encoding::Windows1252 : Encoding::Utf8;
}

void assignUtf8(std::string& out, std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8 && olvaris::text::isValidUtf8(bytes)) {
        out.assign(bytes.data(), bytes.size());
        return;
    }
    out.clear();
    olvaris::text::appendFromWindows1252(out, bytes);
}

} // namespace olvaris::ziplist
