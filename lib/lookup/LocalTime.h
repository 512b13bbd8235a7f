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
    // Empty for a zone the system's tz database has no zone file for, or
    // one the C library does not take (nothing is made up: without its file
    // the C library would quietly give UTC, labelled with the name's first
    // word).
    const std::string& timeIn(const std::string& zone);

private:
    std::time_t m_now;
    std::map<std::string, std::string> m_said;
};

// Why the system's tz database gives no zone file for the zone's name (it
// has none, or the file there is not one); empty where it does.
std::string noZoneFile(const std::string& zone);

// A row's time-zone columns, from its ZIP: the zone the data gives, and the
// time there now. What is missing is said once on standard error: a ZIP
// with no zone (military, or no point), a zone the system has no zone file
// for.
class ZoneColumns {
public:
    explicit ZoneColumns(Places& places) : m_places(places) {}
    std::string zoneOf(const std::string& zip);
    std::string localTimeOf(const std::string& zip);
    // Whether a time asked for could not be told for want of a zone file:
    // the run did not answer what it was asked.
    bool timeMissing() const { return m_timeMissing; }

private:
    Places& m_places;
    LocalClock m_clock;
    std::set<std::string> m_said;
    bool m_timeMissing = false;
};

} // namespace olvaris::lookup
