#pragma once
#include "FieldSource.h"
#include "ReadError.h"
#include "TextEncoding.h"
#include "Utf16.h"
#include <optional>
#include <string>
#include <vector>

namespace olvaris::ziplist {

// Where a field lies in the text of its record, and whether it was quoted.
struct FieldSpan {
    size_t start = 0, end = 0; // the field's text, its quotes included
    bool quoted = false;
};

// Reads records of fields from a file, a piece at a time, so a list of any
// length takes the same memory. Lines end in "\n", "\r\n" or "\r" alone (an
// older spreadsheet's "CSV (Macintosh)"). With quoting
// (CSV and TSV as spreadsheets write them) a field that starts with a quote
// may hold separators, line breaks and doubled quotes; a quote anywhere else
// is kept as text. Without it (Olvaris's saves, GeoNames) every character is
// the field's own, and the separator may be any text.
// Fields come as UTF-8 (see TextEncoding.h); a leading byte-order mark is
// not part of the first field, and one of UTF-16 makes the file UTF-16.
class RecordReader : public FieldSource {
public:
    // A record longer than this is no line of a list: a file that is not
    // text, or a quote never closed.
    static constexpr size_t LongestRecord = 64 * size_t(1024);

    // Reads the open file descriptor (not closed here), a piece of at most
    // the given size at a time.
    explicit RecordReader(int descriptor, size_t piece = 64 * size_t(1024));

    // Lines of patterns, as written: one field a record, bytes not
    // converted, and nothing read before it is asked for, so a script that
    // writes a line and waits for its answer gets it.
    static RecordReader patternLines(int descriptor);

    // The first line as it stands, for telling the separator; at most the
    // first piece read. Call before the first record.
    std::string_view firstLine();
    // The text read ahead, from the next record on: at most the first piece
    // before the first record.
    std::string_view ahead() const { return std::string_view(m_buffer).substr(m_at); }
    // Throws Error (Usage) for no separator, or a quoted list's of more
    // than one character.
    void setSeparator(std::string separator, bool quoting);
    // A quote at a field's start opens a quoted field only where its closing
    // quote ends the field (the separator, a line end or the file's end
    // follows it); else it is the field's text ("Doc" Watson, or a lone 6"),
    // and no line is joined to the next. For lists people type into.
    void quoteOnlyWholeFields() { m_wholeFieldQuotes = true; }

    // The next record, or false at the end. Throws ReadError.
    bool next() override;
    // After RecordTooLong from an unquoted line: the rest of that line
    // passed over, so next() reads the line after it.
    void skipLine();
    const std::vector<std::string>& fields() const override { return m_fields; }
    // The line the record last read starts on.
    long recordLine() const override { return m_recordLine; }
    // The last record's text as read (decoded to UTF-8 where the file is
    // UTF-16), its line end included: what a copy of the list writes back
    // unchanged. Valid until the next call of next().
    std::string_view recordText() const {
        return std::string_view(m_buffer).substr(m_recordStart - m_consumed, m_consumed + m_at - m_recordStart);
    }
    // Where its line end begins in recordText() (its size where it has none).
    size_t recordContentEnd() const { return m_contentEnd; }
    // Where each of its fields lies in recordText().
    const std::vector<FieldSpan>& fieldSpans() const { return m_spans; }
    Encoding encoding() const { return m_encoding; }
    bool bigEndian() const { return m_bigEndian; }
    bool byteOrderMark() const { return m_byteOrderMark; }

private:
    struct Lines {};
    RecordReader(int descriptor, Lines);
    bool refill();
    void finishUtf16();
    bool more() { return m_at < m_buffer.size() || refill(); }
    bool atSeparator();
    bool quoteOpensField();
    std::string& nextField();
    RecordTooLong tooLong(bool quoted) const;
    void endField(std::string& field);

    int m_descriptor;
    size_t m_piece;
    std::string m_buffer;
    std::string m_raw; // a piece as read, before it is decoded from UTF-16
    std::optional<olvaris::text::Utf16Decoder> m_utf16;
    size_t m_at = 0;
    bool m_ended = false;
    std::string m_separator = ",";
    bool m_quoting = true;
    bool m_wholeFieldQuotes = false;
    Encoding m_encoding = Encoding::Utf8;
    bool m_asWritten = false; // fields keep their bytes
    const char* m_notText = "a NUL byte: this is not a text file";
    const char* m_tooLong = "the line is longer than 64 KiB: not a list of addresses";
    bool m_byteOrderMark = false;
    long m_line = 1;
    long m_recordLine = 0;
    size_t m_recordStart = 0; // bytes consumed before the record began
    size_t m_consumed = 0;    // bytes dropped from the front of the buffer
    std::vector<std::string> m_fields;
    std::vector<FieldSpan> m_spans;
    size_t m_contentEnd = 0;
    bool m_bigEndian = false;
    size_t m_count = 0;
    std::string m_scratch;
};

} // namespace olvaris::ziplist
