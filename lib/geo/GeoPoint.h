#pragma once
#include <optional>
#include <string_view>

namespace olvaris::geo {

// A point in decimal degrees (WGS 84).
struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
};

// Whether the numbers name a place: finite, latitude within -90..90,
// longitude within -180..180, and not 0,0 (where sources put what they
// could not place).
bool isPlace(double latitude, double longitude);

// A point from its two numbers as text ("42.35", "-71.13"); none when
// either is not a plain decimal number or the point is no place.
std::optional<GeoPoint> pointFrom(std::string_view latitude, std::string_view longitude);

inline constexpr double KilometresPerMile = 1.609344;

// The great-circle distance (haversine, mean earth radius 6371.0088 km).
double kilometresBetween(GeoPoint a, GeoPoint b);
inline double milesBetween(GeoPoint a, GeoPoint b) { return kilometresBetween(a, b) / KilometresPerMile; }

// The latitude and longitude bounds of every point within the distance of
// the centre; across the 180th meridian or over a pole the longitudes
// cover the whole circle.
struct Box {
    double south, north, west, east;
};
Box boxAround(GeoPoint centre, double kilometres);

} // namespace olvaris::geo
