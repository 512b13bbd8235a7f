#pragma once
#include "RecordReader.h"
#include "ZipColumns.h"
#include <array>
#include <optional>
#include <string>

namespace olvaris::ziplist {

// The city, state and ZIP code fields of a list, in the shapes the builder
// takes; the first line tells the shape:
//  - the GeoNames postal-code dump: no header, 12 tab-separated columns led
//    by a two-letter country code; place name, admin code 1 and postal code
//    are taken;
//  - what Olvaris saves: the header City<sep>State<sep>Zip with any <sep>
//    but a comma, no quoting; a city that holds the separator keeps it, since
//    the state and ZIP code are the last two fields;
//  - CSV or TSV as spreadsheets export it: the separator told by the header
//    line, the columns found by their names; other columns are passed over.
// Empty lines are not rows.
class ZipRecords {
public:
    // Throws ReadError (line 1) when the first line is none of these. With
    // columns ("CITY,STATE,ZIP", names or 1-based numbers) the list is CSV
    // or TSV with a header, its columns as named.
    explicit ZipRecords(int descriptor, const std::optional<std::string>& columns = std::nullopt);
    // A workbook's sheet: its header found among the first rows (see
    // HeaderRow.h), rows of any length (a sheet leaves out the empty cells
    // at a row's end). The sheet is read, not kept.
    ZipRecords(FieldSource& sheet, const std::optional<std::string>& columns, const std::string& emptyMessage);
    // The next row's fields as written; false at the end. A malformed line
    // throws ReadError.
    bool next(std::array<std::string, 3>& row);
    long recordLine() const { return m_source->recordLine(); }

private:
    enum class Shape { GeoNames, Saved, Exported, Sheet };
    std::optional<RecordReader> m_reader;
    FieldSource* m_source;
    Shape m_shape = Shape::Exported;
    std::string m_separator;
    ZipColumns m_columns;
    size_t m_headerFields = 0;
};

} // namespace olvaris::ziplist
