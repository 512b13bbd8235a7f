#pragma once
#include "Error.h"
#include "GeoPoint.h"
#include "Places.h"
#include <optional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// A place as the command line names it: a ZIP code, "City, ST" (every ZIP
// of that town is the place) or "LAT,LON".
struct NamedPlace {
    std::string said;                  // how messages and output name it
    std::vector<geo::GeoPoint> points; // at least one
    bool isTown = true;                // a ZIP code's town, not a place of another name
};

// Why a text names no place; each is a usage of the data the user can mend.
// Its own type, so a caller can say it and go on to the next place.
class NoPlace : public Error {
public:
    explicit NoPlace(const std::string& message) : Error(Kind::Input, message) {}
};

// The place the text names. Throws NoPlace for one that is unknown, retired
// (its town's current ZIP said) or without a known point.
NamedPlace findPlace(Places& places, const std::string& text);

// A radius: a number with "mi" or "km" (miles when none), as "5mi", "5 km".
struct Radius {
    double kilometres;
    bool miles;
};
std::optional<Radius> radiusFrom(const std::string& text);
inline constexpr double DefaultRadiusMiles = 25;

// The rows within the distance of the place (of the nearest of its points),
// nearest first, then by ZIP; at most limit of them (0: all). The centre's
// own ZIPs are within any radius.
struct NearRow {
    Places::Row row;
    double kilometres;
};
std::vector<NearRow> rowsNear(Places& places, const NamedPlace& place, double kilometres, size_t limit);

// The shortest distance between two places' points.
double kilometresBetween(const NamedPlace& from, const NamedPlace& to);

} // namespace olvaris::lookup
