#include "ZipRecords.h"
#include <algorithm>
#include <cctype>

namespace zipbase {

namespace {

constexpr size_t GeoNamesColumns = 12;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool looksLikeGeoNames(const std::string& line) {
    size_t columns = 1;
    for (const char c : line)
        columns += c == '\t';
    return columns == GeoNamesColumns && line.size() > 3 && std::isupper(static_cast<unsigned char>(line[0]))
           && std::isupper(static_cast<unsigned char>(line[1])) && line[2] == '\t';
}

// The separator of a header "City<sep>State<sep>Zip" (any letter case):
// the two separators are alike, so the header's length tells theirs.
std::optional<std::string> headerSeparator(const std::string& line) {
    const std::string text = lower(line);
    if (text.size() < 14 || (text.size() - 12) % 2 != 0)
        return std::nullopt;
    const size_t length = (text.size() - 12) / 2;
    const std::string separator = line.substr(4, length);
    if (text == "city" + lower(separator) + "state" + lower(separator) + "zip")
        return separator;
    return std::nullopt;
}

[[noreturn]] void refuseHeader(const std::string& line) {
    const std::string text = lower(line);
    if (text == "zip")
        throw CsvError(1, "the City and State columns are missing (a file saved with Save Zip Codes Only?)");
    if (text.size() >= 9 && text.compare(0, 4, "city") == 0 && text.compare(text.size() - 5, 5, "state") == 0)
        throw CsvError(1, "the Zip column is missing (a file saved with Save States and Cities Only?)");
    if (text.empty())
        throw CsvError(1, "empty file: expected the header City, State, Zip or GeoNames lines");
    throw CsvError(1, "the header must be City, State and Zip parted by one separator (as Olvaris saves them, "
                      "or city,state,zip), or the file a GeoNames postal-code dump");
}

} // namespace

ZipRecords::ZipRecords(std::string utf8Text) {
    // A save ends its last row with one line end more.
    while (!utf8Text.empty() && (utf8Text.back() == '\n' || utf8Text.back() == '\r'))
        utf8Text.pop_back();
    const std::string line = firstLine(utf8Text);
    if (looksLikeGeoNames(line)) {
        m_geoNames = true;
        m_separator.assign(1, '\t');
        m_reader.emplace(std::move(utf8Text), m_separator, false);
        return;
    }
    const std::optional<std::string> separator = headerSeparator(line);
    if (!separator)
        refuseHeader(line);
    m_separator = *separator;
    m_quoted = m_separator == ",";
    m_reader.emplace(std::move(utf8Text), m_separator, m_quoted);
    std::vector<std::string> header;
    m_reader->next(header);
}

bool ZipRecords::next(std::array<std::string, 3>& row) {
    if (!m_reader->next(m_fields))
        return false;
    const size_t found = m_fields.size();
    if (m_geoNames) {
        if (found != GeoNamesColumns)
            throw CsvError(recordLine(), "expected 12 tab-separated GeoNames fields, found " + std::to_string(found));
        row = {m_fields[2], m_fields[4], m_fields[1]};
        return true;
    }
    if (found < 3 || (m_quoted && found != 3))
        throw CsvError(recordLine(), "expected 3 fields, found " + std::to_string(found));
    // Unquoted, the separator may stand inside a city's name.
    std::string city = m_fields[0];
    for (size_t i = 1; i + 2 < found; ++i)
        city += m_separator + m_fields[i];
    row = {std::move(city), m_fields[found - 2], m_fields[found - 1]};
    return true;
}

} // namespace zipbase
