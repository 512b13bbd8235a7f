#pragma once
#include "ListCheckOptions.h"
#include <cstdio>
#include <string>

namespace olvaris::lookup {

// Checks every row of an address list (CSV or TSV with a header, or a
// workbook's sheet: .xlsx, .ods, .xls) against the table and writes it with
// its verdict, in the input's order: CSV with the input's separator and
// columns and three more (verdict, suggested_zip, note), JSON Lines, or a
// workbook (the sheet's cells as they were, the three columns, the rows to
// look at filled, a sheet of counts). A summary goes to standard error.
// Status: 0 every row ok, 1 some not, 2 a file that cannot be read as a list
// (one line naming the file and the line) or a database that cannot.
// The database is opened only once the list's header has been read.
int checkList(const ListCheckOptions& options, const std::string& database, std::FILE* out);

} // namespace olvaris::lookup
