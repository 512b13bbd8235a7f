#pragma once
#include "FieldSource.h"
#include "ZipColumns.h"
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ziplist {

// A table's header and the three columns it names.
struct HeaderRow {
    std::vector<std::string> fields;
    ZipColumns columns;
    long line = 0;
};

// A workbook's sheet often has a title line or two above its header: the
// header is the first of the first rows that names the city, state and ZIP
// columns (by their names, or by the --columns given). Each row passed over
// is shown to passedOver first, so it can be kept. Throws ReadError with
// what the likeliest row lacks, or that the sheet is empty.
HeaderRow findHeaderRow(FieldSource& source, const std::optional<std::string>& columns,
                        const std::function<void()>& passedOver, const std::string& emptyMessage);

// How many rows are looked at for the header.
constexpr int HeaderSearchRows = 10;

} // namespace ziplist
