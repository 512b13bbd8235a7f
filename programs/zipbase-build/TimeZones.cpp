#include "TimeZones.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include "Error.h"
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::zipdata {

namespace {

std::string lowered(std::string_view text) {
    std::string low(text);
    for (char& c : low)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return low;
}

} // namespace

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
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        throw Error(Error::Kind::Input, "cannot open " + path + ": " + std::strerror(errno));
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        throw Error(Error::Kind::Input, "not an ordinary file", path);
    ziplist::RecordReader reader(descriptor);
    reader.setSeparator(reader.firstLine().find('\t') != std::string_view::npos ? "\t" : ",", true);
    if (!reader.next())
        throw Error(Error::Kind::Input, "empty", path);
    int zipColumn = -1, zoneColumn = -1;
    const std::vector<std::string>& header = reader.fields();
    for (int i = 0; i < int(header.size()); ++i) {
        const std::string name = lowered(ziplist::trimmed(header[size_t(i)]));
        if (zipColumn < 0 && (name == "zip" || name == "zip code" || name == "zipcode" || name == "postal code"))
            zipColumn = i;
        else if (zoneColumn < 0 && (name == "time_zone" || name == "time zone" || name == "timezone" || name == "tz"))
            zoneColumn = i;
    }
    if (zipColumn < 0 || zoneColumn < 0)
        throw Error(Error::Kind::Input, "the header must name the ZIP and time_zone columns", path, 1);
    TimeZones zones;
    const size_t needed = size_t(std::max(zipColumn, zoneColumn)) + 1;
    while (reader.next()) {
        const std::vector<std::string>& fields = reader.fields();
        zones.lines = reader.recordLine();
        if (fields.size() == 1 && ziplist::trimmed(fields[0]).empty())
            continue;
        if (fields.size() < needed) {
            zones.leftOut.push_back({reader.recordLine(), "too few fields"});
            continue;
        }
        const std::optional<ziplist::Zip> zip = ziplist::zipFrom(fields[size_t(zipColumn)]);
        const std::string_view zone = ziplist::trimmed(fields[size_t(zoneColumn)]);
        if (!zip)
            zones.leftOut.push_back({reader.recordLine(), "not a ZIP code"});
        else if (!isZoneName(zone))
            zones.leftOut.push_back({reader.recordLine(), "not a time zone's name"});
        else
            zones.zones[zip->five] = std::string(zone);
    }
    return zones;
}

} // namespace olvaris::zipdata
