#include "GeoPoint.h"
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace olvaris::geo {

namespace {
constexpr double EarthRadiusKm = 6371.0088;
constexpr double Pi = 3.14159265358979323846;
double radians(double degrees) { return degrees * Pi / 180.0; }

std::optional<double> numberFrom(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}
} // namespace

bool isPlace(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && latitude >= -90 && latitude <= 90 && longitude >= -180
           && longitude <= 180 && !(latitude == 0 && longitude == 0);
}

std::optional<GeoPoint> pointFrom(std::string_view latitude, std::string_view longitude) {
    const std::optional<double> lat = numberFrom(latitude), lon = numberFrom(longitude);
    if (!lat || !lon || !isPlace(*lat, *lon))
        return std::nullopt;
    return GeoPoint{*lat, *lon};
}

double kilometresBetween(GeoPoint a, GeoPoint b) {
    const double dLat = radians(b.latitude - a.latitude), dLon = radians(b.longitude - a.longitude);
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(radians(a.latitude)) * std::cos(radians(b.latitude)) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * EarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

Box boxAround(GeoPoint centre, double kilometres) {
    const double angle = kilometres / EarthRadiusKm * 180.0 / Pi;
    Box box{centre.latitude - angle, centre.latitude + angle, -180, 180};
    if (box.south <= -90 || box.north >= 90) {
        box.south = std::max(box.south, -90.0);
        box.north = std::min(box.north, 90.0);
        return box;
    }
    // The widest longitude span at the latitude nearest a pole in the box.
    const double widest = std::asin(std::min(1.0, std::sin(radians(angle)) / std::cos(radians(centre.latitude))));
    const double span = widest * 180.0 / Pi;
    if (span >= 180 || centre.longitude - span < -180 || centre.longitude + span > 180)
        return box;
    box.west = centre.longitude - span;
    box.east = centre.longitude + span;
    return box;
}

} // namespace olvaris::geo
