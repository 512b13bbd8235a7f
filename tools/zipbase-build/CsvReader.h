#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace zipbase {

// A malformed input, with the line on which the bad record starts.
class CsvError : public std::runtime_error {
public:
    CsvError(long line, const std::string& message) : std::runtime_error(message), m_line(line) {}
    long line() const { return m_line; }

private:
    long m_line;
};

// Reads records of fields parted by a separator (any non-empty text); lines
// end in "\n" or "\r\n". With quoting (CSV), a field that starts with a
// quote may hold the separator, line breaks and doubled quotes; without it
// (Olvaris's saves, GeoNames) every character is the field's own.
class CsvReader {
public:
    explicit CsvReader(std::string text, std::string separator = ",", bool quoting = true);
    // The next record, or false at the end of the text.
    bool next(std::vector<std::string>& fields);
    // The line on which the record last returned starts.
    long recordLine() const { return m_recordLine; }

private:
    bool atSeparator() const { return m_text.compare(m_at, m_separator.size(), m_separator) == 0; }
    bool atFieldEnd() const;

    std::string m_text;
    std::string m_separator;
    bool m_quoting;
    size_t m_at = 0;
    long m_line = 1;
    long m_recordLine = 0;
};

} // namespace zipbase
