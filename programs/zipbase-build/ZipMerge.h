#pragma once
#include "CurrentData.h"
#include <array>
#include <string>
#include <vector>

namespace olvaris::zipdata {

using ListRow = std::array<std::string, 3>; // city, state, ZIP as stored

// Where a ZIP is and in which county.
struct Place {
    std::optional<geo::GeoPoint> point;
    std::string county, countyFips;
};

struct Merged {
    std::vector<ListRow> rows;           // the ZIPs that exist today
    std::map<std::string, Place> places; // by ZIP, for the rows above
    std::vector<ListRow> retired;        // last town, state, ZIP
    long added = 0, located = 0, withCounty = 0;
    std::vector<std::string> said; // what was corrected
};

// The list made current:
//  - a ZIP of the 50 states or DC that the export lacks is retired (kept
//    apart with its last town); territories and military ZIPs are never
//    retired on the export's silence, which does not cover them;
//  - a ZIP the export adds joins the list, named in the list's style, and a
//    military one with the state its number gives (AA 340, AE 090-098,
//    AP 962-966); one without a state is left out; one whose state differs
//    from that of every listed ZIP of its three-digit prefix takes theirs;
//  - a ZIP both hold keeps the list's name;
//  - each ZIP's point is the export's, else the locations'; its county the
//    export's.
// Without an export every row is kept, located by the locations alone.
Merged mergeCurrent(std::vector<ListRow> list, const Locations* locations, const CurrentExport* current);

// A place's name as the list writes it: each word capitalised and the
// rest small, hyphens as spaces, no apostrophes ("'s" joins, any other is a
// space), no periods: "Coeur d'Alene" -> "Coeur D Alene".
std::string listStyleName(const std::string& name);

// The military state a ZIP's number gives (AA, AE, AP), or empty.
std::string militaryState(const std::string& zip);

// The state's two-digit FIPS code, or empty.
std::string stateFips(const std::string& state);

} // namespace olvaris::zipdata
