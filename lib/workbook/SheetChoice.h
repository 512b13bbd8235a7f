#pragma once
#include <optional>
#include <string>
#include <vector>

namespace olvaris::workbook {

// A sheet as a workbook lists it.
struct SheetEntry {
    std::string name;
    std::string id; // how the format finds its content
    bool hidden = false;
};

// The sheet asked for: by name (in any letter case), else by its 1-based
// place in the workbook's order; without a choice, the first sheet not
// hidden, as the workbook opens on it. Throws ziplist::ReadError naming the
// sheets there are.
const SheetEntry& chooseSheet(const std::vector<SheetEntry>& sheets, const std::optional<std::string>& choice);

} // namespace olvaris::workbook
