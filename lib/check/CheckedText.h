#pragma once
#include "CheckedOutput.h"
#include "RowWriter.h"
#include "TextEncoding.h"
#include <cstdio>
#include <utility>

namespace olvaris::check {

struct ListHeader;

// A text list checked, written back as it was read: every line's bytes as
// they were (its encoding and byte-order mark, its line ends, the quoting
// of each field, the lines above the header, blank lines), but for the
// fields a correction changed, written in the list's own quoting and
// encoding, and the verdict's columns (verdict, suggested_zip, note) after
// the header's columns, quoted as the line quotes its fields. An earlier
// check's columns are replaced. With problemsOnly, the header and the rows
// to look at only, each with its line.
class CheckedText : public CheckedOutput {
public:
    CheckedText(std::FILE* out, const ListHeader& header, std::pair<size_t, size_t> earlierColumns, bool problemsOnly);
    void above(const ListRow& row) override;
    void passed(const RecordAsRead& record) override;
    void header(const ListRow& header) override;
    void row(const ListRow& row, const RowVerdict& verdict) override;
    bool finish(const Tally&) override;
    void abandon() override { m_writer.finish(); }
    std::string problem() const override;

private:
    void noteFailure();
    void put(std::string_view text);
    void appendField(std::string& line, std::string_view utf8, bool quoted) const;
    void writeRecord(const RecordAsRead& record, const ListRow* row, const std::vector<std::string>& added);
    void writeMadeHeader(std::string_view lineEnd);

    std::FILE* m_out;
    lookup::RowWriter m_writer;
    int m_error = 0; // the system's reason the stream refused the rows
    char m_separator;
    ziplist::Encoding m_encoding;
    bool m_utf8Mark, m_bigEndian, m_problemsOnly;
    size_t m_named = 0;   // the header's columns, an earlier check's left out
    size_t m_dropped = 0; // an earlier check's columns after them
    bool m_headerless = false;
    bool m_started = false;
    std::vector<std::string> m_names; // a list without a header: its columns, blank
    std::string m_line, m_encoded;
};

} // namespace olvaris::check
