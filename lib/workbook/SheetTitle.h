#pragma once
#include <string>
#include <string_view>

namespace olvaris::workbook {

// A name a spreadsheet takes for a sheet, made from any text (a list's
// file name, another workbook's sheet name): at most 31 characters as
// Excel counts them, cut between two; none of []:*?/\ or of the control
// characters; no apostrophe at either end; never empty, and never a name
// Excel keeps for itself or the checked workbook's "Summary" in any
// letter case (those become "Checked"). Bytes that are not UTF-8 become
// U+FFFD.
std::string sheetTitle(std::string_view name);

} // namespace olvaris::workbook
