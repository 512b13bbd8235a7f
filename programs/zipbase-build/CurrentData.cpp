#include "CurrentData.h"
#include "ZipRules.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace olvaris::zipdata {

namespace {

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t at = line.find(separator);
        fields.push_back(line.substr(0, at));
        if (at == std::string_view::npos)
            return fields;
        line.remove_prefix(at + 1);
    }
}

std::ifstream openText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    return in;
}

std::string noPlace(std::string_view latitude, std::string_view longitude) {
    return std::string(latitude) + "," + std::string(longitude) + " is no place: its point is left out";
}

} // namespace

CurrentExport readCurrentExport(const std::string& path) {
    std::ifstream in = openText(path);
    CurrentExport current;
    std::string line;
    while (std::getline(in, line)) {
        ++current.lines;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = split(line, '\t');
        if (fields.size() < 11 || fields[0] != "US")
            throw std::runtime_error(path + ":" + std::to_string(current.lines)
                                     + ": not a line of the GeoNames postal-code export for the US (US<tab>ZIP<tab>"
                                       "place<tab>... in 12 columns)");
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[1]);
        if (!zip || zip->corrected()) {
            current.leftOut.push_back({current.lines, "\"" + std::string(fields[1]) + "\" is not a ZIP code"});
            continue;
        }
        // A ZIP listed twice (a base's own name and its post office's) is
        // taken as first listed.
        if (current.zips.count(zip->five))
            continue;
        CurrentZip& entry = current.zips[zip->five];
        entry.zip = zip->five;
        entry.place = std::string(ziplist::trimmed(fields[2]));
        entry.state = std::string(ziplist::trimmed(fields[4]));
        entry.county = std::string(ziplist::trimmed(fields[5]));
        entry.countyCode = std::string(ziplist::trimmed(fields[6]));
        if (fields[9].empty() && fields[10].empty())
            continue;
        entry.point = geo::pointFrom(fields[9], fields[10]);
        if (!entry.point)
            current.leftOut.push_back({current.lines, noPlace(fields[9], fields[10])});
    }
    if (current.zips.empty())
        throw std::runtime_error(path + ": no ZIP codes in it");
    return current;
}

Locations readLocations(const std::string& path) {
    std::ifstream in = openText(path);
    Locations locations;
    std::string line;
    int zipColumn = -1, latitudeColumn = -1, longitudeColumn = -1;
    char separator = ',';
    while (std::getline(in, line)) {
        ++locations.lines;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (zipColumn < 0) {
            if (line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3);
            separator = line.find('\t') != std::string::npos ? '\t' : ',';
            const std::vector<std::string_view> names = split(line, separator);
            for (int i = 0; i < int(names.size()); ++i) {
                std::string name(ziplist::trimmed(names[size_t(i)]));
                for (char& c : name)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
                if (name == "zip" || name == "zip code" || name == "zipcode" || name == "postal code")
                    zipColumn = i;
                else if (name == "latitude" || name == "lat")
                    latitudeColumn = i;
                else if (name == "longitude" || name == "lon" || name == "lng" || name == "long")
                    longitudeColumn = i;
            }
            if (zipColumn < 0 || latitudeColumn < 0 || longitudeColumn < 0)
                throw std::runtime_error(path + ":1: the header must name the ZIP, Latitude and Longitude columns");
            continue;
        }
        const std::vector<std::string_view> fields = split(line, separator);
        const size_t needed = size_t(std::max({zipColumn, latitudeColumn, longitudeColumn})) + 1;
        if (fields.size() < needed) {
            locations.leftOut.push_back({locations.lines, "too few fields"});
            continue;
        }
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[size_t(zipColumn)]);
        if (!zip) {
            locations.leftOut.push_back(
                {locations.lines, "\"" + std::string(fields[size_t(zipColumn)]) + "\" is not a ZIP code"});
            continue;
        }
        const std::string_view latitude = fields[size_t(latitudeColumn)], longitude = fields[size_t(longitudeColumn)];
        if (const std::optional<geo::GeoPoint> point = geo::pointFrom(latitude, longitude))
            locations.points[zip->five] = *point;
        else
            locations.leftOut.push_back({locations.lines, noPlace(latitude, longitude)});
    }
    if (zipColumn < 0)
        throw std::runtime_error(path + ": empty");
    return locations;
}

} // namespace olvaris::zipdata
