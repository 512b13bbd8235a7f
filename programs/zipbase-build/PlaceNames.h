#pragma once
#include "CurrentData.h"
#include "GeoPoint.h"
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::zipdata {

// The names people use for where they live, beside each ZIP's own: the
// census places (cities, towns, villages, CDPs) a ZIP's area overlaps, and
// populated places with their points (neighbourhoods among them). Each name
// is kept with its key (ziplist::cityKey), by which the check finds it.
struct CensusPlace {
    std::string zip, state, place;
};
struct CensusPlaces {
    std::vector<CensusPlace> rows;
    long lines = 0, repeated = 0;
    std::vector<LeftOut> leftOut;
};
// A CSV whose header names the ZIP, State and Place columns; a row given
// again as it was is kept once and counted. Throws olvaris::Error for a
// file that cannot be read or names no such columns.
CensusPlaces readCensusPlaces(const std::string& path);

struct NamedPlace {
    std::string place, state;
    geo::GeoPoint point;
};
struct NamedPlaces {
    std::vector<NamedPlace> rows;
    long lines = 0, repeated = 0;
    std::vector<LeftOut> leftOut;
};
// A CSV whose header names the Place, State, Latitude and Longitude
// columns; a row given again as it was is kept once and counted.
NamedPlaces readNamedPlaces(const std::string& path);

// Why a name cannot be stored as a place's, said after "the place" or "the
// city"; empty where it can. A control character (a line break, a
// terminal's escape) or a path ("/" at an end, "." or ".." between
// slashes) is no place's name, and one beginning with =, +, - or @ would
// be run as a formula by a spreadsheet opening a note that begins with it.
std::string placeNameTrouble(std::string_view name);

} // namespace olvaris::zipdata
