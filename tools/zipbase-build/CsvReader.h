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

// Reads comma-separated records: quoted fields may hold commas, line breaks
// and doubled quotes; lines end in "\n" or "\r\n"; a leading UTF-8 byte
// order mark is skipped.
class CsvReader {
public:
    explicit CsvReader(std::string text);
    // The next record, or false at the end of the text.
    bool next(std::vector<std::string>& fields);
    // The line on which the record last returned starts.
    long recordLine() const { return m_recordLine; }

private:
    std::string m_text;
    size_t m_at = 0;
    long m_line = 1;
    long m_recordLine = 0;
};

} // namespace zipbase
