#pragma once
#include "CurrentData.h"
#include "RecordReader.h"
#include "SourceFile.h"
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::zipdata {

// A column a source's header names: by one of its names, or a name that
// ends in one of its endings ("customer zip"); in small letters, the
// header's blanks trimmed.
struct HeaderColumn {
    std::vector<std::string_view> names;
    std::vector<std::string_view> endings = {};
};

// A source besides the list, CSV or TSV (quoted fields, any encoding the
// lists have), read a record at a time: its header's columns found by
// name, each record's fields in those columns. A line that cannot be read
// throws olvaris::Error naming the source and the line.
class SourceColumns {
public:
    SourceColumns(const std::string& path, const std::vector<HeaderColumn>& wanted,
                  SourceFile::Kind kind = SourceFile::Kind::Source);

    // The first wanted column the header does not name; none where it names
    // them all (the records are read only then).
    std::optional<size_t> missing() const { return m_missing; }

    // The next record's wanted fields, trimmed, in the order wanted; false
    // at the end. A blank line is passed over; one with too few fields is
    // left out, said.
    bool next(std::vector<std::string_view>& fields, long& line, std::vector<LeftOut>& leftOut);

private:
    std::string m_path;
    SourceFile m_file;
    std::optional<ziplist::RecordReader> m_reader;
    std::vector<size_t> m_columns;
    std::optional<size_t> m_missing;
};

} // namespace olvaris::zipdata
