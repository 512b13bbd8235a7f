#pragma once
#include "FieldSource.h"
#include "ZipColumns.h"
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace olvaris::ziplist {

// A table's header and the three columns it names.
struct HeaderRow {
    std::vector<std::string> fields;
    ZipColumns columns;
    long line = 0;
    // No header: the row found is the first of the data, and fields are
    // blank names, one a column.
    bool headerless = false;
    // The source holds a data row read ahead (the first of a headerless
    // list, or the one that told how to read address groups): check it
    // before asking for the next.
    bool pending = false;
    // Two or more address groups, of which each row is checked on the one
    // it fills.
    std::vector<AddressGroup> groups;
};

// How the header is looked for.
struct HeaderSearch {
    std::optional<std::string> columns; // "CITY,STATE,ZIP", names or numbers
    std::optional<std::string> address; // the column of whole addresses, by name or number
    bool noHeader = false;              // the first row is data
    // A list's check reads more than the builder: a first row that is data
    // (told by a ZIP code after a state's code), a column of whole
    // addresses, rows that fill one of several address groups.
    bool lenient = false;
};

// A workbook's sheet often has a title line or two above its header, and a
// CSV a spreadsheet saved too: the header is the first of the first rows
// that names the city, state and ZIP columns (by their names, or by the
// --columns given). Each row passed over is shown to passedOver first, so it
// can be kept. Throws ReadError with what the likeliest row lacks and what
// to name, or that the source is empty.
HeaderRow findHeaderRow(FieldSource& source, const HeaderSearch& search, const std::function<void()>& passedOver,
                        const std::string& emptyMessage);
inline HeaderRow findHeaderRow(FieldSource& source, const std::optional<std::string>& columns,
                               const std::function<void()>& passedOver, const std::string& emptyMessage) {
    return findHeaderRow(source, HeaderSearch{columns, {}, false, false}, passedOver, emptyMessage);
}

// The columns a row of data shows by itself: a ZIP code (five digits or a
// ZIP+4) after a state's two-letter code after a city; nothing where no
// field is so.
std::optional<ZipColumns> dataColumns(const std::vector<std::string>& fields);

// The columns of the row's address group: the first that holds anything.
const ZipColumns& groupOfRow(const std::vector<AddressGroup>& groups, const std::vector<std::string>& fields);

// How many rows are looked at for the header.
constexpr int HeaderSearchRows = 10;

} // namespace olvaris::ziplist
