#include "RowWriter.h"

namespace olvaris::lookup {

namespace {
constexpr size_t BufferSize = 1 << 16;

bool needsQuotes(QByteArrayView text) {
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}
} // namespace

RowWriter::RowWriter(std::FILE* out, Format format) : m_out(out), m_format(format) {
    m_buffer.reserve(BufferSize + 1024);
}

void RowWriter::header() {
    if (m_format == Format::Csv)
        m_buffer += "city,state,zip\r\n";
}

void RowWriter::row(QByteArrayView city, QByteArrayView state, QByteArrayView zip) {
    const char separator = m_format == Format::Csv ? ',' : '\t';
    field(city);
    m_buffer += separator;
    field(state);
    m_buffer += separator;
    field(zip);
    m_buffer += m_format == Format::Csv ? "\r\n" : "\n";
    flushIfFull();
}

void RowWriter::field(QByteArrayView text) {
    if (m_format == Format::Tabs) {
        for (const char c : text)
            m_buffer += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
        return;
    }
    if (!needsQuotes(text)) {
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
