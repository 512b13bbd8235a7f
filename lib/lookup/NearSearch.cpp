#include "NearSearch.h"
#include "ZipRules.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace olvaris::lookup {

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::optional<geo::GeoPoint> pointText(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        return std::nullopt;
    return geo::pointFrom(std::string_view(text).substr(0, comma), std::string_view(text).substr(comma + 1));
}

bool looksNumeric(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ',' || c == ' ' || c == '+';
    });
}

NamedPlace zipPlace(Places& places, const std::string& zip) {
    const std::vector<Places::Row> rows = places.rowsOfZip(zip);
    if (rows.empty()) {
        if (const std::optional<Places::Retired> retired = places.retired(zip)) {
            std::string now;
            if (retired->nowZips.size() == 1)
                now = "; " + retired->city + "'s ZIP code is now " + retired->nowZips.front();
            else if (!retired->nowZips.empty())
                now = "; " + retired->city + " has " + joined(retired->nowZips) + " now";
            throw NoPlace(zip + " is retired (it was " + retired->city + ", " + retired->state + now + ")");
        }
        throw NoPlace(zip + " is not a ZIP code in the data");
    }
    const std::string said = zip + " " + rows.front().city + ", " + rows.front().state;
    const std::optional<geo::GeoPoint> point = places.pointOf(zip);
    if (!point)
        throw NoPlace(said + " has no known place");
    return {said, {*point}};
}

} // namespace

NamedPlace findPlace(Places& places, const std::string& given) {
    const std::string text(ziplist::trimmed(given));
    if (!places.located())
        throw NoPlace("the database knows no places: build it with zipbase-build --locations or --current");
    if (const std::optional<ziplist::Zip> zip = ziplist::zipFrom(text); zip && !zip->lostZeros && !zip->cellForm)
        return zipPlace(places, zip->five);
    if (looksNumeric(text)) {
        if (const std::optional<geo::GeoPoint> point = pointText(text))
            return {text, {*point}};
        throw NoPlace("\"" + text
                      + "\" is no place: a point is LAT,LON, latitude -90..90, longitude -180..180, "
                        "not 0,0");
    }
    const size_t comma = text.rfind(',');
    const std::optional<ziplist::State> state =
        comma == std::string::npos ? std::nullopt : ziplist::stateFrom(text.substr(comma + 1));
    if (!state)
        throw NoPlace("\"" + text + "\" is no place: give a ZIP code, \"City, ST\" or \"LAT,LON\"");
    const std::string city(ziplist::trimmed(std::string_view(text).substr(0, comma)));
    const std::vector<Places::Row> rows = places.rowsOfTown(ziplist::citySpellings(city), state->code);
    if (rows.empty()) {
        // A name people use for a place that is no ZIP code's (Hollywood,
        // CA): where that place is.
        const std::vector<Places::NamedPoint> named = places.namedPlaces(state->code, ziplist::cityKey(city));
        if (!named.empty()) {
            NamedPlace place{named.front().place + ", " + state->code, {}};
            for (const Places::NamedPoint& point : named)
                place.points.push_back(point.point);
            place.isTown = false;
            return place;
        }
        throw NoPlace("\"" + city + ", " + state->code + "\" is not a town in the data");
    }
    NamedPlace place{rows.front().city + ", " + rows.front().state, {}};
    for (const Places::Row& row : rows)
        if (const std::optional<geo::GeoPoint> point = places.pointOf(row.zip))
            place.points.push_back(*point);
    if (place.points.empty())
        throw NoPlace(place.said + " has no known place");
    return place;
}

std::optional<Radius> radiusFrom(const std::string& given) {
    std::string text(ziplist::trimmed(given));
    bool miles = true;
    for (const auto& [unit, isMiles] : {std::pair{"mi", true}, std::pair{"km", false}}) {
        if (text.size() > 2 && text.compare(text.size() - 2, 2, unit) == 0) {
            text = std::string(ziplist::trimmed(std::string_view(text).substr(0, text.size() - 2)));
            miles = isMiles;
        }
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return Radius{miles ? value * geo::KilometresPerMile : value, miles};
}

std::vector<NearRow> rowsNear(Places& places, const NamedPlace& place, double kilometres, size_t limit) {
    // Each of the place's points asks the index for its box; a row is as
    // far as the nearest of them.
    std::map<std::string, NearRow> nearest; // by ZIP and city
    for (const geo::GeoPoint& centre : place.points) {
        for (const Places::Located& found : places.inBox(geo::boxAround(centre, kilometres))) {
            const double distance = geo::kilometresBetween(centre, found.point);
            if (distance > kilometres)
                continue;
            const std::string key = found.row.zip + '\t' + found.row.city;
            const auto [at, added] = nearest.emplace(key, NearRow{found.row, distance});
            if (!added)
                at->second.kilometres = std::min(at->second.kilometres, distance);
        }
    }
    std::vector<NearRow> rows;
    rows.reserve(nearest.size());
    for (auto& [key, row] : nearest)
        rows.push_back(std::move(row));
    std::stable_sort(rows.begin(), rows.end(),
                     [](const NearRow& a, const NearRow& b) { return a.kilometres < b.kilometres; });
    if (limit > 0 && rows.size() > limit)
        rows.resize(limit);
    return rows;
}

double kilometresBetween(const NamedPlace& from, const NamedPlace& to) {
    double shortest = std::numeric_limits<double>::infinity();
    for (const geo::GeoPoint& a : from.points)
        for (const geo::GeoPoint& b : to.points)
            shortest = std::min(shortest, geo::kilometresBetween(a, b));
    return shortest;
}

} // namespace olvaris::lookup
