#include "CsvReader.h"

namespace zipbase {

CsvReader::CsvReader(std::string text) : m_text(std::move(text)) {
    if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        m_at = 3;
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (m_at >= m_text.size())
        return false;
    m_recordLine = m_line;
    std::string field;
    for (;;) {
        if (m_at < m_text.size() && m_text[m_at] == '"') {
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
            if (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '\n' && m_text[m_at] != '\r')
                throw CsvError(m_line, "text after a closing quote");
        } else {
            while (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '\n' && m_text[m_at] != '\r') {
                if (m_text[m_at] == '"')
                    throw CsvError(m_line, "quote inside an unquoted field");
                field += m_text[m_at++];
            }
        }
        fields.push_back(std::move(field));
        field.clear();
        if (m_at >= m_text.size())
            return true;
        const char end = m_text[m_at++];
        if (end == ',')
            continue;
        if (end == '\r') {
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
