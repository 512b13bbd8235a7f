#pragma once
#include <string>
#include <vector>

namespace olvaris::check {

// --output replaces only what a check wrote before (CSV or TSV whose header
// ends in the verdict, suggested_zip and note columns, JSON Lines of rows,
// a workbook with a Summary sheet of counts) or an empty file: a customer
// list named by mistake is not lost. What it finds there, where it is
// something else; empty where the file may be replaced (or is not there,
// or is no ordinary file, which the output's own rules decide on).
std::string foreignOutput(const std::string& path);

// Where an earlier check's own columns (verdict, suggested_zip, note, and
// --problems' line) begin at the end of a header, or the header's size: a
// checked list checked again gets them replaced, not three more.
size_t earlierVerdictColumns(const std::vector<std::string>& header);

} // namespace olvaris::check
