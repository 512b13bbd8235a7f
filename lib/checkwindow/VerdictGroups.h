#pragma once
#include "CheckedOutput.h"
#include <array>
#include <cstdint>

namespace olvaris::listcheck {

// The four kinds of row a person sorts a checked list into, in the order
// the window lists them first: what needs a look before what was mended,
// what is fine and what has no address at all.
enum class VerdictGroup : std::uint8_t { ToLookAt, Corrected, Fine, NoAddress };
inline constexpr size_t VerdictGroupCount = 4;

inline VerdictGroup groupOf(check::RowVerdict::Kind kind) {
    using Kind = check::RowVerdict::Kind;
    switch (kind) {
    case Kind::Ok:
    case Kind::LocalName:
        return VerdictGroup::Fine;
    case Kind::Format:
        return VerdictGroup::Corrected;
    case Kind::NoAddress:
        return VerdictGroup::NoAddress;
    default:
        return VerdictGroup::ToLookAt;
    }
}

// The order rows are listed in by default: the verdicts that need a person
// most first (a ZIP of another place before one unknown), each group's rows
// in the list's order.
inline int lookFirstRank(check::RowVerdict::Kind kind) {
    using Kind = check::RowVerdict::Kind;
    static constexpr std::array<Kind, 9> order = {Kind::Mismatch,   Kind::UnknownZip, Kind::UnknownCity,
                                                  Kind::RetiredZip, Kind::Incomplete, Kind::Format,
                                                  Kind::LocalName,  Kind::Ok,         Kind::NoAddress};
    for (size_t rank = 0; rank < order.size(); ++rank)
        if (order[rank] == kind)
            return int(rank);
    return int(order.size());
}

// What the window calls each group: "fine", "corrected", "to look at",
// "with no address".
const char* groupWords(VerdictGroup group);

// The fill of each group, as the checked workbook fills its rows (a fine
// row and one with no address are not filled there: light green and grey
// here), under which black text keeps its contrast.
std::uint32_t groupFill(VerdictGroup group);

} // namespace olvaris::listcheck
