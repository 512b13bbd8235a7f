#pragma once
#include <QByteArrayView>
#include <cstdio>
#include <string>

namespace olvaris::lookup {

// Writes rows to a stream: "city<TAB>state<TAB>zip" lines ending in "\n",
// RFC 4180 CSV with the header "city,state,zip" and "\r\n" line ends, or
// JSON Lines (one object {"city":…,"state":…,"zip":…} a line, RFC 8259).
// Text is written as the database holds it (UTF-8). In the tab form a tab
// or line break inside a field would split the row, so it is written as a
// blank there; CSV and JSON keep every character (JSON writes bytes that
// are not UTF-8 as U+FFFD, since its text must be UTF-8).
class RowWriter {
public:
    enum class Format { Tabs, Csv, JsonLines };
    RowWriter(std::FILE* out, Format format);

    void header();
    void row(QByteArrayView city, QByteArrayView state, QByteArrayView zip);
    // Writes what is buffered; false when the stream refused it.
    bool finish();

private:
    void field(QByteArrayView text);
    void jsonString(QByteArrayView text);
    void flushIfFull();

    std::FILE* m_out;
    Format m_format;
    std::string m_buffer;
    bool m_failed = false;
};

} // namespace olvaris::lookup
