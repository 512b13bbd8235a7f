#pragma once
#include <optional>
#include <string>

namespace olvaris::check {

// What the command line asks of a list's check. Paths are the system's
// bytes, as given.
struct ListCheckOptions {
    std::string file;                   // "-": standard input
    std::optional<std::string> columns; // "CITY,STATE,ZIP", names or numbers
    std::optional<std::string> address; // the column of whole addresses, by name or number
    std::optional<std::string> sheet;   // a workbook's sheet, by name or number
    std::optional<std::string> output;  // a file instead of standard output; .xlsx, .ods: a workbook
    bool noHeader = false;              // the first row is data
    bool json = false;
    bool problemsOnly = false;
    bool apply = false; // the certain corrections made in the list's own cells
};

} // namespace olvaris::check
