#pragma once
#include "Error.h"
#include <string>

namespace olvaris::ziplist {

// A list that cannot be read, with the line the trouble is on (0: none).
class ReadError : public olvaris::Error {
public:
    ReadError(long line, const std::string& message) : Error(Kind::Input, message, {}, line) {}
};

// A record past the longest there may be: a reader of lines one by one may
// skip it (skipLine) and read on.
class RecordTooLong : public ReadError {
    using ReadError::ReadError;
};

} // namespace olvaris::ziplist
