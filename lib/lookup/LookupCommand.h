#pragma once
#include "LookupQuery.h"
#include "RowWriter.h"
#include <string>

namespace olvaris::lookup {

// A lookup as the command line asks for it: one request, or with many, a
// pattern a line from standard input (each row led by its pattern).
struct LookupCommand {
    LookupRequest request;
    bool many = false;
    bool county = false;
    bool zone = false; // the time zone and the time there now
    RowWriter::Format format = RowWriter::Format::Tabs;
};

// Writes the rows to standard output; the exit status: 0 rows printed (with
// many: every pattern found some), 1 nothing matched. A ZIP that finds
// nothing because it was retired is said on standard error. Throws
// olvaris::Error.
int runLookup(const LookupCommand& command, const std::string& database);

} // namespace olvaris::lookup
