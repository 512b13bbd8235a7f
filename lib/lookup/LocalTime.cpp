#include "LocalTime.h"
#include "Complaint.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace olvaris::lookup {

namespace {

// The zone files' folder: TZDIR where set, as the C library reads it.
std::string zoneFolder() {
    const char* folder = std::getenv("TZDIR");
    return folder && *folder ? folder : "/usr/share/zoneinfo";
}

// A name the database's column may hold: names joined by "/", never "." or
// "..", so no name reaches outside the zone files' folder.
bool isZoneName(const std::string& zone) {
    if (zone.empty() || zone.size() > 64 || zone.front() == '/')
        return false;
    size_t start = 0;
    while (start <= zone.size()) {
        const size_t end = std::min(zone.find('/', start), zone.size());
        const std::string part = zone.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return zone.find_first_of(" \t\n:,") == std::string::npos;
}

// The file's bytes laid out as a zone file's (RFC 8536): "TZif", then the
// counts of its first block, at least one local time type, and the block
// whole. A file cut short or of something else would be taken by the C
// library for a POSIX TZ string, or for UTC.
bool isZoneFile(int descriptor) {
    struct stat status {};
    unsigned char header[44];
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || ::read(descriptor, header, sizeof header) != ssize_t(sizeof header) || std::memcmp(header, "TZif", 4) != 0)
        return false;
    std::uint64_t counts[6];
    for (int i = 0; i < 6; ++i) {
        const unsigned char* at = header + 20 + std::ptrdiff_t(4) * i;
        counts[i] = std::uint64_t(at[0]) << 24 | std::uint64_t(at[1]) << 16 | std::uint64_t(at[2]) << 8 | at[3];
    }
    const auto [utIndicators, standardIndicators, leaps, transitions, types, abbreviations] = counts;
    const std::uint64_t block =
        transitions * 5 + types * 6 + abbreviations + leaps * 8 + standardIndicators + utIndicators;
    return types > 0 && sizeof header + block <= std::uint64_t(status.st_size);
}

std::string notAZoneFile(const std::string& zone) {
    return "not in this system's time-zone database: " + zoneFolder() + "/" + zone + " is not a zone file";
}

} // namespace

std::string noZoneFile(const std::string& zone) {
    std::string missing = "not in this system's time-zone database (the tzdata package)";
    if (!isZoneName(zone))
        return missing;
    // Not blocking on a pipe put where the file should be.
    const int descriptor = ::open((zoneFolder() + "/" + zone).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return missing;
    const bool zoneFile = isZoneFile(descriptor);
    ::close(descriptor);
    return zoneFile ? std::string() : notAZoneFile(zone);
}

LocalClock::LocalClock() : m_now(std::time(nullptr)) {}

const std::string& LocalClock::timeIn(const std::string& zone) {
    const auto said = m_said.find(zone);
    if (said != m_said.end())
        return said->second;
    std::string text;
    if (noZoneFile(zone).empty()) {
        // The C library converts by the process's TZ: set for the call, then put back.
        const char* previous = std::getenv("TZ");
        const std::optional<std::string> kept = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("TZ", (":" + zone).c_str(), 1);
        ::tzset();
        // A file it does not take leaves it reading the name as a POSIX TZ
        // string, which a zone's name is not: UTC with no summer time's name.
        const bool taken = tzname[1] && *tzname[1];
        std::tm local{};
        char buffer[64];
        if (taken && ::localtime_r(&m_now, &local)
            && std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Z %Y", &local))
            text = buffer;
        if (kept)
            ::setenv("TZ", kept->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    return m_said.emplace(zone, std::move(text)).first->second;
}

std::string ZoneColumns::zoneOf(const std::string& zip) {
    std::string zone = m_places.timeZoneOf(zip);
    if (zone.empty() && m_said.insert(zip).second)
        complain(zip, "no time zone in the data (a military ZIP, or one with no known place)");
    return zone;
}

std::string ZoneColumns::localTimeOf(const std::string& zip) {
    const std::string zone = m_places.timeZoneOf(zip);
    if (zone.empty())
        return {};
    const std::string& time = m_clock.timeIn(zone);
    if (time.empty()) {
        m_timeMissing = true;
        if (m_said.insert(zone).second) {
            const std::string why = noZoneFile(zone);
            complain(zone, why.empty() ? notAZoneFile(zone) : why);
        }
    }
    return time;
}

} // namespace olvaris::lookup
