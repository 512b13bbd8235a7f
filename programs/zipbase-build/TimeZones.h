#pragma once
#include "CurrentData.h"
#include <map>
#include <string>
#include <vector>

namespace olvaris::zipdata {

// Each ZIP's time zone, as the tz database names it ("America/New_York"):
// a CSV or TSV whose header names a ZIP column and a time-zone column. A
// ZIP given its zone again is counted; one given another zone is refused.
struct TimeZones {
    std::map<std::string, std::string> zones; // by five-digit ZIP
    long lines = 0, repeated = 0;
    std::vector<LeftOut> leftOut;
};
// Throws olvaris::Error for a file that cannot be read, names no such
// columns, or gives a ZIP two zones (naming both lines).
TimeZones readTimeZones(const std::string& path);

// Whether a text can be a zone's name: names and "/" between them, letters,
// digits, "_", "-" and "+" (never "." or an empty name, so no name reaches
// outside the tz database's folder), at most 64 bytes.
bool isZoneName(std::string_view text);

} // namespace olvaris::zipdata
