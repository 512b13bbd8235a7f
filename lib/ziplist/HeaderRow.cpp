#include "HeaderRow.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <stdexcept>

namespace ziplist {

bool isBlankRecord(const std::vector<std::string>& fields) {
    for (const std::string& field : fields)
        if (!trimmed(field).empty())
            return false;
    return true;
}

namespace {

int found(const ZipColumns& columns) {
    return int(columns.city >= 0) + int(columns.state >= 0) + int(columns.zip >= 0);
}

} // namespace

HeaderRow findHeaderRow(FieldSource& source, const std::optional<std::string>& columns,
                        const std::function<void()>& passedOver, const std::string& emptyMessage) {
    // What is said when no row will do is about the row that came nearest.
    std::optional<HeaderRow> nearest;
    std::string namedProblem;
    for (int looked = 0; looked < HeaderSearchRows && source.next();) {
        const std::vector<std::string>& fields = source.fields();
        if (isBlankRecord(fields)) {
            passedOver();
            continue;
        }
        ++looked;
        HeaderRow row{fields, {}, source.recordLine()};
        if (columns) {
            try {
                row.columns = namedColumns(*columns, fields);
                return row;
            } catch (const std::invalid_argument& error) {
                if (namedProblem.empty())
                    namedProblem = error.what();
            }
        } else {
            row.columns = findColumns(fields);
            if (row.columns.complete()) {
                if (const std::string shared = sharedNames(row.columns, fields); !shared.empty())
                    throw ReadError(row.line, shared);
                return row;
            }
            if (!nearest || found(row.columns) > found(nearest->columns))
                nearest = std::move(row);
        }
        passedOver();
    }
    if (!namedProblem.empty())
        throw ReadError(0, namedProblem + " (in the first " + std::to_string(HeaderSearchRows) + " rows)");
    if (!nearest)
        throw ReadError(0, emptyMessage);
    const std::string groups = addressGroups(nearest->fields);
    throw ReadError(nearest->line,
                    missingColumns(nearest->columns, nearest->fields)
                        + (groups.empty() ? "; name them with --columns CITY,STATE,ZIP" : "; " + groups));
}

} // namespace ziplist
