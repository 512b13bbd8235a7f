#include "ZipRecords.h"
#include "HeaderRow.h"
#include "ZipRules.h"
#include "AsciiCase.h"
#include <algorithm>

namespace olvaris::ziplist {

using olvaris::text::equalIgnoringAsciiCase;

namespace {

constexpr size_t GeoNamesColumns = 12;

// A GeoNames line by its content, not its look: a country code, a postal
// code, a place name, and a latitude and longitude as numbers. A TSV whose
// header has 12 columns and starts with two capitals ("ID") is none.
bool looksLikeGeoNames(std::string_view line) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos)
            break;
        at = tab + 1;
    }
    if (fields.size() != GeoNamesColumns)
        return false;
    const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto number = [](std::string_view text) {
        if (!text.empty() && text.front() == '-')
            text.remove_prefix(1);
        return !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos
               && std::count(text.begin(), text.end(), '.') <= 1;
    };
    return fields[0].size() == 2 && capital(fields[0][0]) && capital(fields[0][1]) && !fields[1].empty()
           && !fields[2].empty() && number(fields[9]) && number(fields[10]);
}

// The separator of Olvaris's header "City<sep>State<sep>Zip" (any letter
// case): the two separators are alike, so the header's length tells theirs.
std::optional<std::string> savedSeparator(std::string_view line) {
    if (line.size() < 14 || (line.size() - 12) % 2 != 0)
        return std::nullopt;
    const std::string separator(line.substr(4, (line.size() - 12) / 2));
    if (equalIgnoringAsciiCase(line, "city" + separator + "state" + separator + "zip"))
        return separator;
    return std::nullopt;
}

[[noreturn]] void refuseHeader(std::string_view line, const ZipColumns& columns,
                               const std::vector<std::string>& header) {
    if (trimmed(line).empty())
        throw ReadError(1, "empty file: expected a header naming the City, State and ZIP columns, or GeoNames lines");
    if (header.size() == 1 && equalIgnoringAsciiCase(trimmed(line), "zip"))
        throw ReadError(1, "the City and State columns are missing (a file saved with Save Zip Codes Only?)");
    if (columns.city >= 0 && columns.state >= 0 && header.size() == 2)
        throw ReadError(1, "the Zip column is missing (a file saved with Save States and Cities Only?)");
    if (const std::string groups = addressGroups(header); !groups.empty())
        throw ReadError(1, missingColumns(columns, header) + ": " + groups);
    throw ReadError(1, missingColumns(columns, header)
                           + ": the header must name the City, State and ZIP columns, or the file be a GeoNames "
                             "postal-code dump");
}

} // namespace

ZipRecords::ZipRecords(FieldSource& sheet, const std::optional<std::string>& columns, const std::string& emptyMessage)
    : m_source(&sheet), m_shape(Shape::Sheet) {
    m_columns = findHeaderRow(
                    sheet, columns, [] {}, emptyMessage)
                    .columns;
}

ZipRecords::ZipRecords(int descriptor, const std::optional<std::string>& columns)
    : m_reader(std::in_place, descriptor), m_source(&*m_reader) {
    RecordReader& reader = *m_reader;
    const std::string line(reader.firstLine());
    if (columns) {
        reader.setSeparator(std::string(1, separatorOf(line)), true);
        std::vector<std::string> header;
        if (reader.next())
            header = reader.fields();
        m_columns = namedColumns(*columns, header, 1);
        m_headerFields = header.size();
        return;
    }
    if (looksLikeGeoNames(line)) {
        m_shape = Shape::GeoNames;
        reader.setSeparator("\t", false);
        return;
    }
    if (const std::optional<std::string> separator = savedSeparator(line); separator && *separator != ",") {
        m_shape = Shape::Saved;
        m_separator = *separator;
        reader.setSeparator(m_separator, false);
        reader.next();
        return;
    }
    reader.setSeparator(std::string(1, separatorOf(line)), true);
    std::vector<std::string> header;
    if (reader.next())
        header = reader.fields();
    m_columns = findColumns(header);
    if (!m_columns.complete())
        refuseHeader(line, m_columns, header);
    if (const std::string shared = sharedNames(m_columns, header); !shared.empty())
        throw ReadError(1, shared);
    m_headerFields = header.size();
}

bool ZipRecords::next(std::array<std::string, 3>& row) {
    do {
        if (!m_source->next())
            return false;
    } while (m_shape == Shape::Sheet ? isBlankRecord(m_source->fields())
                                     : m_source->fields().size() == 1 && trimmed(m_source->fields()[0]).empty());
    const std::vector<std::string>& fields = m_source->fields();
    const size_t found = fields.size();
    switch (m_shape) {
    case Shape::GeoNames:
        if (found != GeoNamesColumns)
            throw ReadError(recordLine(), "expected 12 tab-separated GeoNames fields, found " + std::to_string(found));
        row = {fields[2], fields[4], fields[1]};
        return true;
    case Shape::Saved: {
        if (found < 3)
            throw ReadError(recordLine(), "expected 3 fields, found " + std::to_string(found));
        std::string city = fields[0];
        for (size_t i = 1; i + 2 < found; ++i)
            city += m_separator + fields[i];
        row = {std::move(city), fields[found - 2], fields[found - 1]};
        return true;
    }
    case Shape::Exported:
        if (found != m_headerFields)
            throw ReadError(recordLine(),
                            "expected " + std::to_string(m_headerFields) + " fields, found " + std::to_string(found));
        row = {fields[size_t(m_columns.city)], fields[size_t(m_columns.state)], fields[size_t(m_columns.zip)]};
        return true;
    case Shape::Sheet: {
        const auto at = [&](int column) { return size_t(column) < found ? fields[size_t(column)] : std::string(); };
        row = {at(m_columns.city), at(m_columns.state), at(m_columns.zip)};
        return true;
    }
    }
    return false;
}

} // namespace olvaris::ziplist
