#include "CheckedRows.h"
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace olvaris::check {

CheckedRows::CheckedRows(std::FILE* out, bool json, bool problemsOnly, char separator, bool byteOrderMark)
    : m_out(out), m_writer(out, lookup::RowWriter::Format::Csv), m_json(json), m_problemsOnly(problemsOnly),
      m_separator(separator), m_byteOrderMark(byteOrderMark) {}

void CheckedRows::header(const ListRow& header) {
    const std::vector<std::string>& fields = *header.fields;
    m_headerFields = fields.size();
    if (m_json)
        return;
    // A spreadsheet reads a CSV without one in its own code page.
    if (m_byteOrderMark)
        m_writer.text("\xEF\xBB\xBF");
    for (const std::string& field : fields) {
        m_writer.csvField(field, m_separator);
        m_writer.text(std::string_view(&m_separator, 1));
    }
    // Only the rows to look at: each keeps its line, to be found in the list.
    const std::string added = std::string("verdict") + m_separator + "suggested_zip" + m_separator + "note"
                              + (m_problemsOnly ? m_separator + std::string("line") : std::string()) + "\r\n";
    m_writer.text(added);
}

void CheckedRows::row(const ListRow& row, const RowVerdict& verdict) {
    if (m_problemsOnly && !hasProblem(verdict.kind))
        return;
    const std::vector<std::string>& fields = *row.fields;
    const std::string_view word = verdictWord(verdict.kind);
    if (m_json) {
        m_writer.text("{\"row\":" + std::to_string(row.number) + ",\"line\":" + std::to_string(row.line));
        const char* names[] = {",\"city\":", ",\"state\":", ",\"zip\":"};
        for (size_t i = 0; i < 3; ++i) {
            m_writer.text(names[i]);
            m_writer.jsonString(row.place[i]);
        }
        m_writer.text(",\"verdict\":");
        m_writer.jsonString(word);
        m_writer.text(",\"suggested_zip\":");
        m_writer.jsonString(verdict.suggestedZip);
        m_writer.text(",\"note\":");
        m_writer.jsonString(verdict.note);
        if (verdict.milesFromCity) {
            char miles[48];
            std::snprintf(miles, sizeof miles, ",\"distance_mi\":%.1f", *verdict.milesFromCity);
            m_writer.text(miles);
        }
        m_writer.text(",\"fields\":[");
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                m_writer.text(",");
            m_writer.jsonString(fields[i]);
        }
        m_writer.text("]}\n");
    } else {
        // The verdict stands under its header whatever the row's length:
        // a short row is filled out, and the fields a row has beyond the
        // header's (a trailing separator) follow the note.
        const size_t named = std::min(fields.size(), m_headerFields);
        for (size_t i = 0; i < named; ++i) {
            m_writer.csvField(fields[i], m_separator);
            m_writer.text(std::string_view(&m_separator, 1));
        }
        for (size_t i = named; i < m_headerFields; ++i)
            m_writer.text(std::string_view(&m_separator, 1));
        m_writer.text(word);
        m_writer.text(std::string_view(&m_separator, 1));
        m_writer.text(verdict.suggestedZip);
        m_writer.text(std::string_view(&m_separator, 1));
        m_writer.csvField(verdict.note, m_separator);
        if (m_problemsOnly) {
            m_writer.text(std::string_view(&m_separator, 1));
            m_writer.text(std::to_string(row.line));
        }
        for (size_t i = named; i < fields.size(); ++i) {
            m_writer.text(std::string_view(&m_separator, 1));
            m_writer.csvField(fields[i], m_separator);
        }
        m_writer.text("\r\n");
    }
    m_writer.endRecord();
    noteFailure();
}

// Read as the write fails, before anything else changes errno: a full disk
// is said as one.
void CheckedRows::noteFailure() {
    if (m_error == 0 && std::ferror(m_out))
        m_error = errno != 0 ? errno : EIO;
}

bool CheckedRows::finish(const Tally&) {
    const bool written = m_writer.finish();
    noteFailure();
    return written;
}

std::string CheckedRows::problem() const {
    return m_error == 0 ? CheckedOutput::problem() : CheckedOutput::problem() + ": " + std::strerror(m_error);
}

} // namespace olvaris::check
