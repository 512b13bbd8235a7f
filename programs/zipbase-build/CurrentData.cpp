#include "CurrentData.h"
#include "PlaceNames.h"
#include "SourceColumns.h"
#include "ZipRules.h"
#include <string_view>

namespace olvaris::zipdata {

namespace {

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
    const SourceFile file(path);
    CurrentExport current;
    try {
        // Lines as long as any list's (64 KiB), not as long as the file.
        ziplist::RecordReader reader(file.descriptor());
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
            // A name that cannot be stored is left out, not the ZIP: its
            // absence from the export would retire it.
            for (std::string* name : {&entry.place, &entry.county})
                if (const std::string trouble = placeNameTrouble(*name); !trouble.empty()) {
                    current.leftOut.push_back(
                        {current.lines, (name == &entry.place ? "the place " : "the county ") + trouble});
                    name->clear();
                }
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

// Reads the points of a list whose header names its ZIP, latitude and
// longitude columns (other columns passed over); none when it names no
// latitude and longitude. CSV or TSV as spreadsheets write them.
std::optional<Locations> readPoints(const std::string& path, bool required) {
    // The list itself (not required) is read again here as it is: its own
    // reading says what kind of file it may be.
    SourceColumns source(path,
                         {{{"zip5", "postcode"}, {"zip", "zip code", "zipcode", "postal code"}},
                          {{"lat"}, {"latitude"}},
                          {{"lon", "lng", "long"}, {"longitude"}}},
                         required ? SourceFile::Kind::Source : SourceFile::Kind::List);
    if (source.missing()) {
        if (!required)
            return std::nullopt;
        throw Error(Error::Kind::Input, "the header must name the ZIP, Latitude and Longitude columns", path, 1);
    }
    Locations locations;
    std::vector<std::string_view> fields;
    while (source.next(fields, locations.lines, locations.leftOut)) {
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[0]);
        if (!zip)
            locations.leftOut.push_back({locations.lines, notAZip(fields[0])});
        else if (const std::optional<geo::GeoPoint> point = geo::pointFrom(fields[1], fields[2]))
            locations.points[zip->five] = *point;
        else if (!fields[1].empty() || !fields[2].empty())
            locations.leftOut.push_back({locations.lines, noPlace(fields[1], fields[2])});
    }
    return locations;
}

} // namespace

Locations readLocations(const std::string& path) { return *readPoints(path, true); }

std::optional<Locations> readListPoints(const std::string& path) { return readPoints(path, false); }

} // namespace olvaris::zipdata
