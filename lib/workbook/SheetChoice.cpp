#include "SheetChoice.h"
#include "AsciiCase.h"
#include "ReadError.h"
#include <algorithm>

namespace olvaris::workbook {

using ziplist::ReadError;

const SheetEntry& chooseSheet(const std::vector<SheetEntry>& sheets, const std::optional<std::string>& choice) {
    if (sheets.empty())
        throw ReadError(0, "the workbook has no sheets");
    if (!choice) {
        const auto shown = std::find_if(sheets.begin(), sheets.end(), [](const SheetEntry& s) { return !s.hidden; });
        return shown != sheets.end() ? *shown : sheets.front();
    }
    for (const SheetEntry& sheet : sheets)
        if (olvaris::text::equalIgnoringAsciiCase(sheet.name, *choice))
            return sheet;
    if (!choice->empty() && choice->size() < 6
        && std::all_of(choice->begin(), choice->end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const size_t number = size_t(std::stoi(*choice));
        if (number >= 1 && number <= sheets.size())
            return sheets[number - 1];
    }
    std::string names;
    for (const SheetEntry& sheet : sheets)
        names += (names.empty() ? "\"" : ", \"") + sheet.name + "\"";
    throw ReadError(0, "no sheet \"" + *choice + "\": the workbook has " + std::to_string(sheets.size())
                           + (sheets.size() == 1 ? " sheet, " : " sheets, ") + names);
}

} // namespace olvaris::workbook
