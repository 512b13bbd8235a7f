#pragma once
#include <string_view>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// Writes rows to a stream: "city<TAB>state<TAB>zip" lines ending in "\n",
// RFC 4180 CSV with the header "city,state,zip" and "\r\n" line ends, or
// JSON Lines (one object {"city":…,"state":…,"zip":…} a line, RFC 8259).
// Text is written as the database holds it (UTF-8). In the tab form a tab
// or line break inside a field would split the row, so it is written as a
// blank there; CSV and JSON keep every character (JSON writes bytes that
// are not UTF-8 as U+FFFD, since its text must be UTF-8).
// With a pattern column, each row is led by the pattern that found it
// ("pattern" in the CSV header and the JSON object).
class RowWriter {
public:
    enum class Format { Tabs, Csv, JsonLines };
    RowWriter(std::FILE* out, Format format, bool patternColumn = false);

    void header();
    void setPattern(std::string_view pattern) { m_pattern = pattern; }
    // A column after the ZIP (its name in the CSV header and the JSON
    // object: "county", "time_zone"), each row's value from its ZIP. Added
    // before the header, in the order they are written.
    using ValueOf = std::function<std::string(const std::string& zip)>;
    void addColumn(std::string name, ValueOf valueOf) { m_columns.push_back({std::move(name), std::move(valueOf)}); }
    void row(std::string_view city, std::string_view state, std::string_view zip);
    // A pattern that found nothing: its own line with empty fields; in
    // JSON, the pattern with no place.
    void nothingFound();
    // Writes what is buffered; false when the stream refused it.
    bool finish();

    // For records of other shapes: text as it is, a CSV field (quoted where
    // it holds the separator, a quote or a line break), a JSON string; a
    // record's end lets the buffer go out when it is full.
    void text(std::string_view text) { m_buffer.append(text.data(), size_t(text.size())); }
    void csvField(std::string_view text, char separator);
    void jsonString(std::string_view text);
    void endRecord() { flushIfFull(); }

private:
    void field(std::string_view text);
    void flushIfFull();

    std::FILE* m_out;
    Format m_format;
    bool m_patternColumn;
    std::string m_pattern;
    struct Column {
        std::string name;
        ValueOf valueOf;
    };
    std::vector<Column> m_columns;
    std::string m_buffer;
    bool m_failed = false;
};

} // namespace olvaris::lookup
