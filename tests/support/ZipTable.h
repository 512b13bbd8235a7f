#pragma once
#include <QString>
#include <vector>

namespace olvaris::test {

struct ZipRow {
    QString city, state, zip;
    bool operator==(const ZipRow&) const = default;
};

// The shipped CSV, read independently of the program's own code.
std::vector<ZipRow> readShippedCsv();

// LIKE as the program promises it: "%" any run, "_" one character, ASCII
// letters match in either case, everything else only itself.
bool likeMatches(const QString& value, const QString& pattern);

// The rows whose city, state or zip begins with the filter, in city, state,
// zip order with ASCII case ignored.
std::vector<ZipRow> expectedSearch(const std::vector<ZipRow>& table, const QString& filter);
void sortLikeTheDatabase(std::vector<ZipRow>& rows);

// Writes a database file of the program's shape holding the given rows
// (a null QString is stored as NULL).
void writeDatabase(const QString& path, const std::vector<ZipRow>& rows);

} // namespace olvaris::test
