#include "CurrentData.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

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

// Built by appending: g++ 12 misreads a literal joined to a temporary.
std::string notAZip(std::string_view text) {
    std::string said = "\"";
    said.append(text).append("\" is not a ZIP code");
    return said;
}

std::string noPlace(std::string_view latitude, std::string_view longitude) {
    std::string said(latitude);
    said.append(",").append(longitude).append(" is no place: its point is left out");
    return said;
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
            current.leftOut.push_back({current.lines, notAZip(fields[1])});
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

namespace {

std::string lowered(std::string_view text) {
    std::string name(ziplist::trimmed(text));
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Reads the points of a list whose header names its ZIP, latitude and
// longitude columns (other columns passed over); none when it names no
// latitude and longitude. CSV or TSV as spreadsheets write them.
std::optional<Locations> readPoints(const std::string& path, bool required) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    ziplist::RecordReader reader(descriptor);
    const std::string_view first = reader.firstLine();
    reader.setSeparator(first.find('\t') != std::string_view::npos  ? "\t"
                        : first.find(';') != std::string_view::npos ? ";"
                                                                    : ",",
                        true);
    if (!reader.next())
        throw std::runtime_error(path + ": empty");
    int zipColumn = -1, latitudeColumn = -1, longitudeColumn = -1;
    const std::vector<std::string>& header = reader.fields();
    for (int i = 0; i < int(header.size()); ++i) {
        const std::string name = lowered(header[size_t(i)]);
        if (zipColumn < 0
            && (endsWith(name, "zip") || endsWith(name, "zip code") || endsWith(name, "zipcode")
                || endsWith(name, "postal code") || name == "zip5" || name == "postcode"))
            zipColumn = i;
        else if (latitudeColumn < 0 && (endsWith(name, "latitude") || name == "lat"))
            latitudeColumn = i;
        else if (longitudeColumn < 0
                 && (endsWith(name, "longitude") || name == "lon" || name == "lng" || name == "long"))
            longitudeColumn = i;
    }
    if (zipColumn < 0 || latitudeColumn < 0 || longitudeColumn < 0) {
        if (!required)
            return std::nullopt;
        throw std::runtime_error(path + ":1: the header must name the ZIP, Latitude and Longitude columns");
    }
    Locations locations;
    const size_t needed = size_t(std::max({zipColumn, latitudeColumn, longitudeColumn})) + 1;
    while (reader.next()) {
        const std::vector<std::string>& fields = reader.fields();
        locations.lines = reader.recordLine();
        if (fields.size() == 1 && ziplist::trimmed(fields[0]).empty())
            continue;
        if (fields.size() < needed) {
            locations.leftOut.push_back({reader.recordLine(), "too few fields"});
            continue;
        }
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[size_t(zipColumn)]);
        const std::string_view latitude = fields[size_t(latitudeColumn)], longitude = fields[size_t(longitudeColumn)];
        if (!zip)
            locations.leftOut.push_back({reader.recordLine(), notAZip(fields[size_t(zipColumn)])});
        else if (const std::optional<geo::GeoPoint> point = geo::pointFrom(latitude, longitude))
            locations.points[zip->five] = *point;
        else if (!ziplist::trimmed(latitude).empty() || !ziplist::trimmed(longitude).empty())
            locations.leftOut.push_back({reader.recordLine(), noPlace(latitude, longitude)});
    }
    return locations;
}

} // namespace

Locations readLocations(const std::string& path) { return *readPoints(path, true); }

std::optional<Locations> readListPoints(const std::string& path) { return readPoints(path, false); }

} // namespace olvaris::zipdata
