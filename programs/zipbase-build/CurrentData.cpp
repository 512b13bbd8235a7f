#include "CurrentData.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include "Error.h"
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

// An input besides the list, open: an ordinary file only, as a pipe or a
// device (/dev/zero) may never end.
struct Source {
    explicit Source(const std::string& path, bool ordinaryOnly = true)
        : descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (descriptor < 0)
            throw Error(Error::Kind::Input, "cannot open " + path + ": " + std::strerror(errno));
        struct stat status {};
        if (ordinaryOnly && (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
            ::close(descriptor);
            throw Error(Error::Kind::Input, path + " is not an ordinary file");
        }
    }
    ~Source() { ::close(descriptor); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    int descriptor;
};

// A line that cannot be read, said with its file's name: the error comes
// from the reader, which knows only the line.
Error unreadable(const std::string& path, const ziplist::ReadError& error) {
    return Error(Error::Kind::Input, error.what(), path, error.line());
}

// Built by appending: g++ 12's -Wrestrict (with -O2 and -Werror) reports a false overlap in a string literal joined to
// a temporary (GCC bug 105329).
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
    const Source file(path);
    CurrentExport current;
    try {
        // Lines as long as any list's (64 KiB), not as long as the file.
        ziplist::RecordReader reader(file.descriptor);
        reader.setSeparator("\t", false);
        while (reader.next()) {
            const std::vector<std::string>& fields = reader.fields();
            current.lines = reader.recordLine();
            if (fields.size() == 1 && fields[0].empty())
                continue;
            if (fields.size() < 11 || fields[0] != "US")
                throw Error(Error::Kind::Input,
                            "not a line of the GeoNames postal-code export for the US (US<tab>ZIP<tab>place<tab>... in "
                            "12 columns)",
                            path, current.lines);
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
    } catch (const ziplist::ReadError& error) {
        throw unreadable(path, error);
    }
    if (current.zips.empty())
        throw Error(Error::Kind::Input, "no ZIP codes in it", path);
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
std::optional<Locations> readPoints(const std::string& path, bool required) try {
    // The list itself (not required) is read again here as it is: its own
    // reading says what kind of file it may be.
    const Source file(path, required);
    ziplist::RecordReader reader(file.descriptor);
    const std::string_view first = reader.firstLine();
    reader.setSeparator(first.find('\t') != std::string_view::npos  ? "\t"
                        : first.find(';') != std::string_view::npos ? ";"
                                                                    : ",",
                        true);
    if (!reader.next())
        throw Error(Error::Kind::Input, "empty", path);
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
        throw Error(Error::Kind::Input, "the header must name the ZIP, Latitude and Longitude columns", path, 1);
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
} catch (const ziplist::ReadError& error) {
    throw unreadable(path, error);
}

} // namespace

Locations readLocations(const std::string& path) { return *readPoints(path, true); }

std::optional<Locations> readListPoints(const std::string& path) { return readPoints(path, false); }

} // namespace olvaris::zipdata
