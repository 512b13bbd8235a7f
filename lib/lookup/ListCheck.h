#pragma once
#include <QString>
#include <cstdio>
#include <optional>

namespace olvaris {
class ZipConnection;
}

namespace olvaris::lookup {

struct ListCheckOptions {
    QString file;                   // "-": standard input
    std::optional<QString> columns; // "CITY,STATE,ZIP", names or numbers
    bool json = false;
    bool problemsOnly = false;
};

// Checks every row of an address list (CSV or TSV with a header) against the
// table and writes it with its verdict, in the input's order: CSV with the
// input's separator and columns and three more (verdict, suggested_zip,
// note), or JSON Lines. A summary goes to standard error.
// Status: 0 every row ok, 1 some not, 2 a file that cannot be read as a list
// (one line naming the file and the line) or a database that cannot.
// The database is opened only once the list's header has been read.
int checkList(const ListCheckOptions& options, const QString& database, std::FILE* out);

} // namespace olvaris::lookup
