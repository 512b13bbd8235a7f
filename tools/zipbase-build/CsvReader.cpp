#include "CsvReader.h"

namespace zipbase {

CsvReader::CsvReader(std::string text, std::string separator, bool quoting)
    : m_text(std::move(text)), m_separator(std::move(separator)), m_quoting(quoting) {
    if (m_separator.empty())
        throw std::invalid_argument("empty separator");
}

bool CsvReader::atFieldEnd() const {
    return m_at >= m_text.size() || m_text[m_at] == '\n' || m_text[m_at] == '\r' || atSeparator();
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (m_at >= m_text.size())
        return false;
    m_recordLine = m_line;
    std::string field;
    for (;;) {
        if (m_quoting && m_at < m_text.size() && m_text[m_at] == '"') {
            ++m_at;
            for (;;) {
                if (m_at >= m_text.size())
                    throw CsvError(m_recordLine, "unterminated quoted field");
                const char c = m_text[m_at++];
                if (c == '"') {
                    if (m_at < m_text.size() && m_text[m_at] == '"') {
                        field += '"';
                        ++m_at;
                        continue;
                    }
                    break;
                }
                if (c == '\n')
                    ++m_line;
                field += c;
            }
            if (!atFieldEnd())
                throw CsvError(m_line, "text after a closing quote");
        } else {
            while (!atFieldEnd()) {
                if (m_quoting && m_text[m_at] == '"')
                    throw CsvError(m_line, "quote inside an unquoted field");
                field += m_text[m_at++];
            }
        }
        fields.push_back(std::move(field));
        field.clear();
        if (m_at >= m_text.size())
            return true;
        if (atSeparator()) {
            m_at += m_separator.size();
            continue;
        }
        if (m_text[m_at++] == '\r') {
            if (m_at < m_text.size() && m_text[m_at] == '\n')
                ++m_at;
            else
                throw CsvError(m_line, "carriage return without line feed");
        }
        ++m_line;
        return true;
    }
}

} // namespace zipbase
