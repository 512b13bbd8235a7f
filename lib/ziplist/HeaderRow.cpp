#include "HeaderRow.h"
#include "AsciiCase.h"
#include "ReadError.h"
#include "WholeAddress.h"
#include "ZipRules.h"
#include <algorithm>

namespace olvaris::ziplist {

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

std::string_view fieldAt(const std::vector<std::string>& fields, int column) {
    return column >= 0 && size_t(column) < fields.size() ? trimmed(fields[size_t(column)]) : std::string_view();
}

bool hasAny(const std::vector<std::string>& fields, const ZipColumns& columns) {
    return !fieldAt(fields, columns.city).empty() || !fieldAt(fields, columns.state).empty()
           || !fieldAt(fields, columns.zip).empty();
}

// Where the named columns hold a state and a ZIP code, the row is data.
bool looksLikeData(const std::vector<std::string>& fields, const ZipColumns& columns) {
    return zipFrom(fieldAt(fields, columns.zip)) && stateFrom(fieldAt(fields, columns.state));
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The column --address names, by header name or 1-based number.
int addressColumn(const std::string& name, const std::vector<std::string>& fields, long line) {
    const std::string_view wanted = trimmed(name);
    if (allDigits(wanted) && wanted.size() < 6) {
        const int number = std::stoi(std::string(wanted));
        if (number < 1 || size_t(number) > fields.size())
            throw ReadError(line, "--address: the header has no column " + std::string(wanted));
        return number - 1;
    }
    for (size_t i = 0; i < fields.size(); ++i)
        if (olvaris::text::equalIgnoringAsciiCase(trimmed(fields[i]), wanted))
            return int(i);
    throw ReadError(line, "--address: the header has no column \"" + std::string(wanted) + "\"");
}

std::string columnList(const std::vector<int>& columns, const std::vector<std::string>& fields) {
    std::string text;
    for (size_t i = 0; i < columns.size(); ++i)
        text += (i == 0                    ? ""
                 : i + 1 == columns.size() ? " and "
                                           : ", ")
                + std::to_string(columns[i] + 1) + " (" + fields[size_t(columns[i])] + ")";
    return text;
}

// The first row is data: its columns as --columns numbers them, else as
// the row shows them.
HeaderRow dataRow(HeaderRow row, const HeaderSearch& search) {
    if (search.columns) {
        row.columns = namedColumns(*search.columns, row.fields, row.line);
    } else if (const std::optional<ZipColumns> shown = dataColumns(row.fields)) {
        row.columns = *shown;
    } else {
        throw ReadError(row.line, "no header, and no ZIP code after a state in the first row: name the columns with "
                                  "--columns CITY,STATE,ZIP by their numbers");
    }
    row.fields.assign(row.fields.size(), std::string());
    row.headerless = row.pending = true;
    return row;
}

// The row's columns as the user names them (--address before --columns); or
// what is wrong where the names do not fit it, as another row may be the header.
std::optional<std::string> namedInRow(HeaderRow& row, const HeaderSearch& search) {
    try {
        if (search.address)
            row.columns.address = addressColumn(*search.address, row.fields, row.line);
        else
            row.columns = namedColumns(*search.columns, row.fields, row.line);
    } catch (const ReadError& error) {
        return error.what();
    }
    return std::nullopt;
}

// Reads ahead to the first row of data: where it fills two or more of the
// address groups, which to check is the user's to say.
HeaderRow groupedRow(FieldSource& source, HeaderRow row) {
    const std::vector<std::string> header = row.fields;
    row.pending = false;
    while (source.next()) {
        if (isBlankRecord(source.fields()))
            continue;
        row.pending = true;
        const long filled = std::count_if(row.groups.begin(), row.groups.end(), [&](const AddressGroup& group) {
            return hasAny(source.fields(), group.columns);
        });
        if (filled > 1)
            throw ReadError(row.line, missingColumns(row.columns, header) + "; " + addressGroups(header)
                                          + " (rows fill more than one)");
        break;
    }
    return row;
}

} // namespace

std::optional<ZipColumns> dataColumns(const std::vector<std::string>& fields) {
    for (size_t zip = 2; zip < fields.size(); ++zip) {
        const std::optional<Zip> code = zipFrom(fields[zip]);
        const std::string_view state = trimmed(fields[zip - 1]), city = trimmed(fields[zip - 2]);
        if (code && !code->lostZeros && state.size() == 2 && stateFrom(state) && !city.empty()
            && std::none_of(city.begin(), city.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return ZipColumns{int(zip - 2), int(zip - 1), int(zip)};
    }
    return std::nullopt;
}

const ZipColumns& groupOfRow(const std::vector<AddressGroup>& groups, const std::vector<std::string>& fields) {
    for (const AddressGroup& group : groups)
        if (hasAny(fields, group.columns))
            return group.columns;
    return groups.front().columns;
}

HeaderRow findHeaderRow(FieldSource& source, const HeaderSearch& search, const std::function<void()>& passedOver,
                        const std::string& emptyMessage) {
    // What is said when no row will do is about the row that came nearest:
    // one with address groups before one with more of the three columns.
    std::optional<HeaderRow> nearest;
    const auto rank = [](const HeaderRow& row) {
        return found(row.columns) + (addressGroupsOf(row.fields).size() >= 2 ? 3 : 0);
    };
    std::string namedProblem;
    for (int looked = 0; looked < HeaderSearchRows && source.next();) {
        const std::vector<std::string>& fields = source.fields();
        if (isBlankRecord(fields)) {
            passedOver();
            continue;
        }
        ++looked;
        HeaderRow row;
        row.fields = fields;
        row.line = source.recordLine();
        if (search.noHeader)
            return dataRow(std::move(row), search);
        if (search.address || search.columns) {
            if (std::optional<std::string> problem = namedInRow(row, search)) {
                if (namedProblem.empty())
                    namedProblem = std::move(*problem);
                passedOver();
                continue;
            }
            // Columns named by number over a first row that is data:
            // the list has no header, and that row is a customer.
            if (!search.address && search.lenient && looksLikeData(fields, row.columns))
                return dataRow(std::move(row), search);
            return row;
        }
        row.columns = findColumns(fields);
        if (row.columns.complete()) {
            if (const std::string shared = sharedNames(row.columns, fields); !shared.empty())
                throw ReadError(row.line, shared);
            return row;
        }
        if (search.lenient) {
            row.groups = addressGroupsOf(fields);
            if (row.groups.size() >= 2)
                return groupedRow(source, std::move(row));
            row.groups.clear();
            const std::vector<int> whole = wholeAddressColumns(fields);
            if (whole.size() == 1) {
                row.columns = ZipColumns{};
                row.columns.address = whole.front();
                return row;
            }
            if (whole.size() > 1)
                throw ReadError(row.line, missingColumns(row.columns, fields) + "; columns " + columnList(whole, fields)
                                              + " may each hold whole addresses: name the one to check with "
                                                "--address, or the columns with --columns CITY,STATE,ZIP");
            if (looked == 1 && dataColumns(fields))
                return dataRow(std::move(row), search);
        }
        if (!nearest || rank(row) > rank(*nearest))
            nearest = std::move(row);
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

} // namespace olvaris::ziplist
