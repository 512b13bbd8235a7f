#include "TimeZones.h"
#include "SourceColumns.h"
#include "ZipRules.h"
#include <cctype>

namespace olvaris::zipdata {

bool isZoneName(std::string_view text) {
    if (text.empty() || text.size() > 64)
        return false;
    bool nameStart = true;
    for (const char c : text) {
        if (c == '/') {
            if (nameStart)
                return false;
            nameStart = true;
            continue;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '+')
            return false;
        nameStart = false;
    }
    return !nameStart;
}

TimeZones readTimeZones(const std::string& path) {
    SourceColumns source(
        path, {{{"zip", "zip code", "zipcode", "postal code"}}, {{"time_zone", "time zone", "timezone", "tz"}}});
    if (source.missing())
        throw Error(Error::Kind::Input, "the header must name the ZIP and time_zone columns", path, 1);
    TimeZones zones;
    std::map<std::string, long> givenOn; // each ZIP's line
    std::vector<std::string_view> fields;
    while (source.next(fields, zones.lines, zones.leftOut)) {
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[0]);
        if (!zip) {
            zones.leftOut.push_back({zones.lines, "not a ZIP code"});
            continue;
        }
        if (!isZoneName(fields[1])) {
            zones.leftOut.push_back({zones.lines, "not a time zone's name"});
            continue;
        }
        const auto [known, first] = zones.zones.emplace(zip->five, fields[1]);
        if (first) {
            givenOn.emplace(zip->five, zones.lines);
        } else if (known->second == fields[1]) {
            ++zones.repeated;
        } else {
            // Which is right the source does not say: taking either would
            // put a wrong time in the database unsaid.
            std::string said = "ZIP ";
            said.append(zip->five).append(" is given ").append(fields[1]).append(" here but ");
            said.append(known->second).append(" on line ").append(std::to_string(givenOn[zip->five]));
            throw Error(Error::Kind::Input, said, path, zones.lines);
        }
    }
    return zones;
}

} // namespace olvaris::zipdata
