#include "LocalTime.h"
#include "Complaint.h"
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>

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

} // namespace

bool systemKnowsZone(const std::string& zone) {
    struct stat status {};
    return isZoneName(zone) && ::stat((zoneFolder() + "/" + zone).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

LocalClock::LocalClock() : m_now(std::time(nullptr)) {}

const std::string& LocalClock::timeIn(const std::string& zone) {
    const auto said = m_said.find(zone);
    if (said != m_said.end())
        return said->second;
    std::string text;
    if (systemKnowsZone(zone)) {
        // The C library converts by the process's TZ: set for the call, then put back.
        const char* previous = std::getenv("TZ");
        const std::optional<std::string> kept = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("TZ", (":" + zone).c_str(), 1);
        ::tzset();
        std::tm local{};
        char buffer[64];
        if (::localtime_r(&m_now, &local) && std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Z %Y", &local))
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
    if (time.empty() && m_said.insert(zone).second)
        complain(zone, "not in this system's time-zone database (the tzdata package)");
    return time;
}

} // namespace olvaris::lookup
