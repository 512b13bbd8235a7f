#include "RowWriter.h"
#include "Utf8.h"

namespace olvaris::lookup {

namespace {
constexpr size_t BufferSize = 1 << 16;

bool needsQuotes(std::string_view text, char separator) {
    for (const char c : text)
        if (c == separator || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}
} // namespace

RowWriter::RowWriter(std::FILE* out, Format format, bool patternColumn)
    : m_out(out), m_format(format), m_patternColumn(patternColumn) {
    m_buffer.reserve(BufferSize + 1024);
}

void RowWriter::header() {
    if (m_format == Format::Csv) {
        m_buffer += m_patternColumn ? "pattern,city,state,zip" : "city,state,zip";
        for (const Column& column : m_columns)
            m_buffer += "," + column.name;
        m_buffer += "\r\n";
    }
}

void RowWriter::row(std::string_view city, std::string_view state, std::string_view zip) {
    if (m_format == Format::JsonLines) {
        m_buffer += '{';
        if (m_patternColumn) {
            m_buffer += "\"pattern\":";
            jsonString(m_pattern);
            m_buffer += ',';
        }
        m_buffer += "\"city\":";
        jsonString(city);
        m_buffer += ",\"state\":";
        jsonString(state);
        m_buffer += ",\"zip\":";
        jsonString(zip);
        for (const Column& column : m_columns) {
            m_buffer += ",\"" + column.name + "\":";
            jsonString(column.valueOf(std::string(zip)));
        }
        m_buffer += "}\n";
        flushIfFull();
        return;
    }
    const char separator = m_format == Format::Csv ? ',' : '\t';
    if (m_patternColumn) {
        field(m_pattern);
        m_buffer += separator;
    }
    field(city);
    m_buffer += separator;
    field(state);
    m_buffer += separator;
    field(zip);
    for (const Column& column : m_columns) {
        m_buffer += separator;
        field(zip.empty() ? std::string() : column.valueOf(std::string(zip)));
    }
    m_buffer += m_format == Format::Csv ? "\r\n" : "\n";
    flushIfFull();
}

void RowWriter::nothingFound() {
    if (m_format != Format::JsonLines) {
        row({}, {}, {});
        return;
    }
    m_buffer += "{\"pattern\":";
    jsonString(m_pattern);
    m_buffer += "}\n";
    flushIfFull();
}

void RowWriter::field(std::string_view text) {
    if (m_format == Format::Tabs) {
        for (const char c : text)
            m_buffer += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
        return;
    }
    csvField(text, ',');
}

void RowWriter::csvField(std::string_view text, char separator) {
    if (!needsQuotes(text, separator)) {
        m_buffer.append(text.data(), size_t(text.size()));
        return;
    }
    m_buffer += '"';
    for (const char c : text) {
        if (c == '"')
            m_buffer += '"';
        m_buffer += c;
    }
    m_buffer += '"';
}

// A JSON string: quotes and backslashes escaped, control characters as
// escapes, UTF-8 sequences kept, any other byte as U+FFFD.
void RowWriter::jsonString(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    m_buffer += '"';
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = size_t(text.size());
    for (size_t at = 0; at < size;) {
        const unsigned char c = bytes[at];
        if (c >= 0x80) {
            const size_t length = text::validUtf8Length(bytes + at, size - at);
            if (length == 0) {
                m_buffer += "\\ufffd";
                ++at;
            } else {
                m_buffer.append(text.data() + at, length);
                at += length;
            }
            continue;
        }
        ++at;
        switch (c) {
        case '"':
            m_buffer += "\\\"";
            break;
        case '\\':
            m_buffer += "\\\\";
            break;
        case '\n':
            m_buffer += "\\n";
            break;
        case '\r':
            m_buffer += "\\r";
            break;
        case '\t':
            m_buffer += "\\t";
            break;
        case '\b':
            m_buffer += "\\b";
            break;
        case '\f':
            m_buffer += "\\f";
            break;
        default:
            if (c < 0x20) {
                m_buffer += "\\u00";
                m_buffer += Hex[c >> 4];
                m_buffer += Hex[c & 0xF];
            } else {
                m_buffer += char(c);
            }
        }
    }
    m_buffer += '"';
}

void RowWriter::flushIfFull() {
    if (m_buffer.size() >= BufferSize)
        finish();
}

bool RowWriter::finish() {
    if (!m_failed && !m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
    if (!m_failed && std::fflush(m_out) != 0)
        m_failed = true;
    return !m_failed;
}

} // namespace olvaris::lookup
