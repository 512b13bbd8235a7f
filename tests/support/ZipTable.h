#pragma once
#include <QString>
#include <array>
#include <string>
#include <vector>

namespace olvaris {
class ResultsList;
}

namespace olvaris::test {

struct ZipRow {
    QString city, state, zip;
    bool operator==(const ZipRow&) const = default;
};

// The shipped database's rows, read independently of the program's own code.
std::vector<ZipRow> readShippedRows();

// LIKE as the program promises it: "%" any run, "_" one character, ASCII
// letters match in either case, everything else only itself.
bool likeMatches(const QString& value, const QString& pattern);
bool likeMatches(const std::u32string& value, const std::u32string& pattern);
// A pattern as the engine reads it: UTF-8 text, ending at a NUL character.
std::u32string likePattern(const QString& pattern);

// The rows whose city, state or zip begins with the filter, in city, state,
// zip order with ASCII case ignored.
std::vector<ZipRow> expectedSearch(const std::vector<ZipRow>& table, const QString& filter);
void sortLikeTheDatabase(std::vector<ZipRow>& rows);

// The same search over a table read once: the rows kept in the database's
// order, their texts ready for matching.
class IndependentSearch {
public:
    explicit IndependentSearch(std::vector<ZipRow> table);
    std::vector<ZipRow> search(const QString& filter) const;

private:
    std::vector<ZipRow> m_rows;
    std::vector<std::array<std::u32string, 3>> m_texts;
};

// The rows of a results list, read through its public readers.
std::vector<ZipRow> listedRows(const ResultsList& list);

// Writes a database file of the program's shape holding the given rows
// (a null QString is stored as NULL).
// Fails (throws) when the engine refuses any step, so a broken fixture
// fails as itself.
void writeDatabase(const QString& path, const std::vector<ZipRow>& rows);
// Runs statements on a database file, creating it if needed; throws on failure.
void runSql(const QString& database, const char* sql);
// A crafted database: zip_codes is a view whose rows never end.
inline constexpr const char* RecursiveView =
    "CREATE VIEW zip_codes (city, state, zip) AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "
    "SELECT 'c' || n, 's', n FROM r;";

} // namespace olvaris::test
