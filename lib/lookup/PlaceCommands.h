#pragma once
#include "NearSearch.h"
#include "RowWriter.h"
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// The commands of where places are: each writes to the writer and returns
// the exit status (0 rows written, 1 nothing within the radius, 2 a place
// that names none, said on standard error).

struct NearOptions {
    Radius radius{DefaultRadiusMiles * geo::KilometresPerMile, true};
    size_t limit = 0;
    bool county = false;
    bool zone = false; // the time zone and the time there now
};
// The places asked for, one at a time: false when there are no more. Each
// is answered before the next is read, so a stream of any length costs a
// place's memory.
using NextPlace = std::function<bool(std::string& place)>;

// The ZIPs around each place, nearest first, with their distance in the
// radius's unit (and county). Several places (one a line from standard
// input) lead each row with the place asked for.
int writeNear(Places& places, const NextPlace& nextPlace, const NearOptions& options, RowWriter& writer,
              RowWriter::Format format, bool placeColumn);

// The great-circle distance between two places, in miles and kilometres.
int writeDistance(Places& places, const std::string& from, const std::string& to, RowWriter& writer,
                  RowWriter::Format format);

// Where the data came from, as the build recorded it.
int writeSources(Places& places, std::FILE* out);

// A retired ZIP's note ("85247 is retired (it was Sacaton, AZ; ...)"), or
// empty for a ZIP that is not retired.
std::string retiredNote(Places& places, const std::string& zip);

// For "City, ST" that names a place no ZIP code is named after: "Hollywood,
// CA is a place, not a ZIP code's name: near 90028, 90038, 90046 (Los
// Angeles)"; empty for anything else.
std::string placeNote(Places& places, const std::string& text);

// --near, --distance and --about as the command line asks for them.
struct PlaceRequest {
    enum class Kind { Near, Distance, About } kind = Kind::Near;
    std::vector<std::string> places; // Near: one (none: one a line from standard input); Distance: two
    NearOptions near;
    RowWriter::Format format = RowWriter::Format::Tabs;
};

// Runs the request on the database file, writing to standard output; the
// exit status. Throws olvaris::Error.
int runPlaceRequest(const PlaceRequest& request, const std::string& database);

} // namespace olvaris::lookup
