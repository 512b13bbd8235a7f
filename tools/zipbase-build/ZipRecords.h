#pragma once
#include "CsvReader.h"
#include <array>
#include <optional>
#include <string>

namespace zipbase {

// The city, state and ZIP code rows of an input file, in either shape it
// may have; the shape is told by the first line:
//  - a header City<sep>State<sep>Zip in any letter case, <sep> any text:
//    CSV with quoting when <sep> is a comma, otherwise what Olvaris saves
//    (no quoting; a city that holds the separator keeps it, since the
//    state and ZIP code are the last two fields);
//  - the GeoNames postal-code dump: no header, 12 tab-separated columns led
//    by a two-letter country code; place name, admin code 1 and postal code
//    are taken.
// Empty lines at the end (a save ends with one) are not rows.
class ZipRecords {
public:
    // Throws CsvError (line 1) when the first line is neither shape.
    explicit ZipRecords(std::string utf8Text);
    // The next row; false at the end. A malformed line throws CsvError.
    bool next(std::array<std::string, 3>& row);
    long recordLine() const { return m_reader->recordLine(); }
    bool geoNames() const { return m_geoNames; }

private:
    std::optional<CsvReader> m_reader;
    std::string m_separator;
    bool m_geoNames = false;
    bool m_quoted = false;
    std::vector<std::string> m_fields;
};

} // namespace zipbase
