#pragma once
#include "RecordReader.h"
#include "RowWriter.h"
#include <functional>
#include <string>

namespace olvaris::lookup {

// A command that reads its lines from standard input and writes rows to
// standard output, as the lookups and the place commands do.

// Runs the command and returns its exit status. Whatever it throws, the rows
// written so far are finished first and the error is said where it is: a
// line of standard input, else the database (where the error names no other
// file). Rows that could not all be written are an output error. Throws
// olvaris::Error.
int runWritingRows(RowWriter& writer, const std::string& database, const std::function<int()>& command);

// The next line of standard input: false at its end. A line too long to be
// a pattern or a place is said, passed over and counted in `tooLong`.
bool nextInputLine(ziplist::RecordReader& lines, long& tooLong);

} // namespace olvaris::lookup
