#pragma once
#include "Places.h"
#include <ctime>
#include <map>
#include <set>
#include <string>

namespace olvaris::lookup {

// The time now in a zone of the tz database, as date(1) prints it ("Tue Dec
// 8 13:04:10 EST 2026"), read from the system's zone files. One moment for
// a whole run, so every row of it tells the same instant.
class LocalClock {
public:
    LocalClock();
    // Empty for a zone the system's tz database does not have (nothing is
    // made up: without its file the C library would quietly give UTC).
    const std::string& timeIn(const std::string& zone);

private:
    std::time_t m_now;
    std::map<std::string, std::string> m_said;
};

// Whether the system's tz database has a file for the zone's name.
bool systemKnowsZone(const std::string& zone);

// A row's time-zone columns, from its ZIP: the zone the data gives, and the
// time there now. What is missing is said once on standard error: a ZIP
// with no zone (military, or no point), a zone the system does not know.
class ZoneColumns {
public:
    explicit ZoneColumns(Places& places) : m_places(places) {}
    std::string zoneOf(const std::string& zip);
    std::string localTimeOf(const std::string& zip);

private:
    Places& m_places;
    LocalClock m_clock;
    std::set<std::string> m_said;
};

} // namespace olvaris::lookup
