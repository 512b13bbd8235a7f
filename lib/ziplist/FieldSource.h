#pragma once
#include <string>
#include <vector>

namespace olvaris::ziplist {

// Where records of fields come from, one at a time: a text list's lines or a
// workbook sheet's rows. Fields are UTF-8.
class FieldSource {
public:
    virtual ~FieldSource() = default;
    // The next record, or false at the end. Throws ReadError.
    virtual bool next() = 0;
    virtual const std::vector<std::string>& fields() const = 0;
    // Where the record last read is, as a person finds it: a text's line,
    // a sheet's row number.
    virtual long recordLine() const = 0;
};

// A record with no text in it: an empty line, a row of empty cells.
bool isBlankRecord(const std::vector<std::string>& fields);

} // namespace olvaris::ziplist
