#include "PlaceNames.h"
#include "SourceColumns.h"
#include "ZipRules.h"
#include <algorithm>
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

bool hasControlCharacter(std::string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // C1 controls (U+0080..U+009F) steer terminals as ESC does.
        const bool c1 = c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c1)
            return true;
    }
    return false;
}

bool isPath(std::string_view name) {
    if (name.find('/') == std::string_view::npos)
        return false;
    if (name.front() == '/' || name.back() == '/')
        return true;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = ziplist::trimmed(name.substr(start, end - start));
        if (part.empty() || part == "." || part == "..")
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::string placeNameTrouble(std::string_view name) {
    if (hasControlCharacter(name))
        return "holds a control character";
    if (isPath(name))
        return "is a path, not a name";
    if (!name.empty() && std::string_view("=+-@").find(name.front()) != std::string_view::npos)
        return std::string("begins with ") + name.front() + ", which a spreadsheet takes for a formula";
    return {};
}

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
        else if (const std::string trouble = placeNameTrouble(fields[2]); !trouble.empty())
            places.leftOut.push_back({places.lines, "the place " + trouble});
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
        else if (const std::string trouble = placeNameTrouble(fields[0]); !trouble.empty())
            places.leftOut.push_back({places.lines, "the place " + trouble});
        else if (!seen.emplace(fields[0], state->code, point->latitude, point->longitude).second)
            ++places.repeated;
        else
            places.rows.push_back({std::string(fields[0]), state->code, *point});
    }
    return places;
}

} // namespace olvaris::zipdata
