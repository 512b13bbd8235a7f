#pragma once
#include <string>

namespace zipbase {

// The text of an input file as UTF-8: a file that is valid UTF-8 is taken as
// it is (without a leading byte-order mark); any other is Windows-1252, the
// code page Olvaris saves in, and is converted.
std::string asUtf8(std::string bytes);

bool isValidUtf8(const std::string& bytes);

} // namespace zipbase
