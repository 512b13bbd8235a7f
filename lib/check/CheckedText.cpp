#include "CheckedText.h"
#include "ListUnderCheck.h"
#include "Utf16.h"
#include "Windows1252.h"
#include <cerrno>
#include <cstring>

namespace olvaris::check {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

bool quotesEveryField(const RecordAsRead& record) {
    if (!record.spans || record.spans->empty())
        return false;
    for (const ziplist::FieldSpan& span : *record.spans)
        if (!span.quoted)
            return false;
    return true;
}

} // namespace

CheckedText::CheckedText(std::FILE* out, const ListHeader& header, std::pair<size_t, size_t> earlierColumns,
                         bool problemsOnly)
    : m_out(out), m_writer(out, lookup::RowWriter::Format::Csv), m_separator(header.separator),
      m_encoding(header.encoding), m_utf8Mark(header.utf8Mark), m_bigEndian(header.bigEndian),
      m_problemsOnly(problemsOnly), m_named(header.row.fields.size()), m_dropped(earlierColumns.second),
      m_headerless(header.row.headerless) {}

// Text in the list's encoding: a UTF-16 list's lines are held as UTF-8 and
// encoded as they go out; the byte-order mark it had leads.
void CheckedText::put(std::string_view text) {
    if (!m_started) {
        m_started = true;
        if (m_encoding == ziplist::Encoding::Utf16)
            m_writer.text(m_bigEndian ? "\xFE\xFF" : "\xFF\xFE");
        else if (m_utf8Mark)
            m_writer.text(Utf8Mark);
    }
    if (m_encoding != ziplist::Encoding::Utf16) {
        m_writer.text(text);
    } else {
        m_encoded.clear();
        text::appendUtf16(m_encoded, text, m_bigEndian);
        m_writer.text(m_encoded);
    }
    m_writer.endRecord();
    noteFailure();
}

// Read as the write fails, before anything else changes errno: a full disk
// is said as one.
void CheckedText::noteFailure() {
    if (m_error == 0 && std::ferror(m_out))
        m_error = errno != 0 ? errno : EIO;
}

bool CheckedText::finish(const Tally&) {
    const bool written = m_writer.finish();
    noteFailure();
    return written;
}

std::string CheckedText::problem() const {
    return m_error == 0 ? CheckedOutput::problem() : CheckedOutput::problem() + ": " + std::strerror(m_error);
}

// Text the check made, as the list writes a field: in its code page, and
// quoted where the field was or where it must be.
void CheckedText::appendField(std::string& line, std::string_view utf8, bool quoted) const {
    std::string text;
    if (m_encoding == ziplist::Encoding::Windows1252)
        text::appendWindows1252(text, utf8);
    else
        text.assign(utf8);
    const char special[] = {m_separator, '"', '\r', '\n', '\0'};
    if (!quoted && text.find_first_of(special) == std::string::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

// The record as read with its first columns kept (a corrected field in new
// text), blank fields up to the header's width, the fields added, what it
// has beyond the header (an earlier check's columns left out), its line end.
void CheckedText::writeRecord(const RecordAsRead& record, const ListRow* row, const std::vector<std::string>& added) {
    const std::string_view text = record.text;
    const std::vector<ziplist::FieldSpan>& spans = *record.spans;
    const size_t kept = std::min(spans.size(), m_named);
    m_line.clear();
    size_t at = 0;
    for (size_t column = 0; column < kept; ++column) {
        const ziplist::FieldSpan& span = spans[column];
        m_line.append(text.substr(at, span.start - at));
        at = span.end;
        int corrected = -1;
        for (size_t i = 0; row && i < 3; ++i)
            if (row->corrected[i] && row->columns[i] == int(column))
                corrected = int(i);
        if (corrected < 0)
            m_line.append(text.substr(span.start, span.end - span.start));
        else
            appendField(m_line, (*row->fields)[column], span.quoted);
    }
    m_line.append(m_named - kept, m_separator);
    const bool quoteAll = quotesEveryField(record);
    for (const std::string& field : added) {
        m_line += m_separator;
        appendField(m_line, field, quoteAll);
    }
    const size_t rest = m_named + m_dropped;
    if (spans.size() > rest && rest > 0)
        m_line.append(text.substr(spans[rest - 1].end, record.contentEnd - spans[rest - 1].end));
    m_line.append(text.substr(record.contentEnd));
    put(m_line);
}

void CheckedText::above(const ListRow& row) {
    if (!m_problemsOnly && row.record)
        put(row.record->text);
}

void CheckedText::passed(const RecordAsRead& record) {
    if (!m_problemsOnly)
        put(record.text);
}

void CheckedText::header(const ListRow& header) {
    if (!header.record) {
        // No header in the list: one is made for the verdict's columns,
        // ended as the first row is.
        m_names.assign(header.fields->size(), std::string());
        return;
    }
    std::vector<std::string> added = {"verdict", "suggested_zip", "note"};
    if (m_problemsOnly)
        added.emplace_back("line");
    writeRecord(*header.record, nullptr, added);
}

void CheckedText::writeMadeHeader(std::string_view lineEnd) {
    m_line.assign(m_named, m_separator);
    m_line.append("verdict").append(1, m_separator).append("suggested_zip").append(1, m_separator).append("note");
    if (m_problemsOnly)
        m_line.append(1, m_separator).append("line");
    m_line.append(lineEnd.empty() ? std::string_view("\r\n") : lineEnd);
    put(m_line);
    m_headerless = false;
}

void CheckedText::row(const ListRow& row, const RowVerdict& verdict) {
    if (!row.record)
        return;
    if (m_headerless)
        writeMadeHeader(row.record->text.substr(row.record->contentEnd));
    if (m_problemsOnly && !hasProblem(verdict.kind))
        return;
    std::vector<std::string> added = {std::string(verdictWord(verdict.kind)), verdict.suggestedZip, verdict.note};
    if (m_problemsOnly)
        added.push_back(std::to_string(row.line));
    writeRecord(*row.record, &row, added);
}

} // namespace olvaris::check
