#pragma once
#include "GeoPoint.h"
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the builder knows besides the list: where each ZIP is, and which
// ZIPs exist today.
namespace olvaris::zipdata {

// A line of an input left out, with why ("INPUT:LINE: why").
struct LeftOut {
    long line;
    std::string why;
};

// A ZIP of the current export: the GeoNames postal-code file for the US
// (tab separated, no header: country, ZIP, place, state name, state code,
// county, county code, two more admin levels, latitude, longitude, accuracy).
struct CurrentZip {
    std::string zip, place, state, county, countyCode;
    std::optional<geo::GeoPoint> point;
};
struct CurrentExport {
    std::map<std::string, CurrentZip> zips;
    long lines = 0;
    std::vector<LeftOut> leftOut;
};
// Throws olvaris::Error for a file that cannot be read or is no export,
// one that is no ordinary file, and a line longer than a list's (64 KiB).
CurrentExport readCurrentExport(const std::string& path);

// ZIP code, latitude and longitude: a CSV or TSV whose header names them
// (other columns passed over; quoted fields, any encoding the lists have).
struct Locations {
    std::map<std::string, geo::GeoPoint> points;
    long lines = 0;
    std::vector<LeftOut> leftOut;
};
Locations readLocations(const std::string& path);
// The points of a list that has latitude and longitude columns beside its
// ZIPs; none for a list without them.
std::optional<Locations> readListPoints(const std::string& path);

} // namespace olvaris::zipdata
