#include "PlaceNames.h"
#include "SourceColumns.h"
#include "ZipRules.h"
#include <set>
#include <tuple>

namespace olvaris::zipdata {

namespace {

const HeaderColumn Zip{{"zip", "zip code", "zipcode", "postal code"}};
const HeaderColumn State{{"state", "st", "state code"}};
const HeaderColumn Place{{"place", "city", "name", "place name"}};

// Throws where the source's header does not name every column wanted.
void requireColumns(const SourceColumns& source, const std::string& path, const std::vector<HeaderColumn>& wanted) {
    if (const std::optional<size_t> missing = source.missing())
        throw Error(Error::Kind::Input,
                    "the header must name the " + std::string(wanted[*missing].names.front()) + " column", path, 1);
}

} // namespace

CensusPlaces readCensusPlaces(const std::string& path) {
    const std::vector<HeaderColumn> wanted{Zip, State, Place};
    SourceColumns source(path, wanted);
    requireColumns(source, path, wanted);
    CensusPlaces places;
    std::set<std::tuple<std::string, std::string, std::string>> seen;
    std::vector<std::string_view> fields;
    while (source.next(fields, places.lines, places.leftOut)) {
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[0]);
        const std::optional<ziplist::State> state = ziplist::stateFrom(fields[1]);
        if (!zip)
            places.leftOut.push_back({places.lines, "not a ZIP code"});
        else if (!state)
            places.leftOut.push_back({places.lines, "not a US state"});
        else if (fields[2].empty() || ziplist::cityKey(fields[2]).empty())
            places.leftOut.push_back({places.lines, "no place named"});
        else if (!seen.emplace(zip->five, state->code, fields[2]).second)
            ++places.repeated;
        else
            places.rows.push_back({zip->five, state->code, std::string(fields[2])});
    }
    return places;
}

NamedPlaces readNamedPlaces(const std::string& path) {
    const std::vector<HeaderColumn> wanted{Place, State, {{"latitude", "lat"}}, {{"longitude", "lon", "lng", "long"}}};
    SourceColumns source(path, wanted);
    requireColumns(source, path, wanted);
    NamedPlaces places;
    std::set<std::tuple<std::string, std::string, double, double>> seen;
    std::vector<std::string_view> fields;
    while (source.next(fields, places.lines, places.leftOut)) {
        const std::optional<ziplist::State> state = ziplist::stateFrom(fields[1]);
        const std::optional<geo::GeoPoint> point = geo::pointFrom(fields[2], fields[3]);
        if (!state)
            places.leftOut.push_back({places.lines, "not a US state"});
        else if (!point)
            // Appended: g++ 12's -Wrestrict reports a false overlap in a literal joined to a temporary.
            places.leftOut.push_back(
                {places.lines, std::string("no place at ").append(fields[2]).append(",").append(fields[3])});
        else if (fields[0].empty() || ziplist::cityKey(fields[0]).empty())
            places.leftOut.push_back({places.lines, "no place named"});
        else if (!seen.emplace(fields[0], state->code, point->latitude, point->longitude).second)
            ++places.repeated;
        else
            places.rows.push_back({std::string(fields[0]), state->code, *point});
    }
    return places;
}

} // namespace olvaris::zipdata
