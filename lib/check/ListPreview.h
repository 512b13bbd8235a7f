#pragma once
#include "ZipColumns.h"
#include <string>
#include <vector>

namespace olvaris::check {

// The columns as the list names them, in the check's words.
using ziplist::AddressGroup;
using ziplist::ZipColumns;

// What the check will read of a list, shown before it runs: the sheet, the
// columns as the check found them and, where it refuses the list, why and
// the columns there are, for the person to pick.
struct ListPreview {
    std::string file;                    // as opened
    std::vector<std::string> sheetNames; // a workbook's sheets shown; empty for a text list
    std::string sheet;                   // the one read
    // The list's columns by their header names ("Column 3" where a column
    // has none, or the list has no header).
    std::vector<std::string> columnNames;
    ZipColumns columns;               // as found; incomplete where refused
    std::vector<AddressGroup> groups; // two or more address groups
    bool headerless = false;
    std::string howRead; // how the rows are read where no header named the columns
    // Why the check refuses the list as it stands ("file:line: message");
    // empty where it can run.
    std::string problem;
    // Where the problem is with the file itself (not a list, unreadable),
    // not with finding its columns: nothing to pick.
    bool unreadable = false;
    // The columns a row's name is shown from (a name, or first and last).
    std::vector<int> nameColumns;

    bool ready() const { return problem.empty(); }
};

// The columns whose text names a row for a person: "Name", "Full Name",
// "First Name" and "Last Name", a company; else the first column that is
// not the address's.
std::vector<int> nameColumnsOf(const std::vector<std::string>& header, const ZipColumns& place);

// A row's name as a person reads it: the text of its name columns, trimmed
// and joined by a space, into name.
void nameOfRow(const std::vector<std::string>& fields, const std::vector<int>& nameColumns, std::string& name);

} // namespace olvaris::check
