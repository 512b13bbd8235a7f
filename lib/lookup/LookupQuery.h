#pragma once
#include <optional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// What the user asks for: a pattern (the window's search), every row, or
// the start of one or more fields (all UTF-8 text); with exact, whole fields rather than
// their starts.
struct LookupRequest {
    std::optional<std::string> pattern;
    bool all = false;
    std::optional<std::string> city, state, zip;
    bool exact = false;
};

// A statement of fixed text and the values bound to it as ?1, ?2 ...: what
// the user typed is only ever a bound value.
struct LookupQuery {
    std::string statement;
    std::vector<std::string> parameters;
};

// The query for a request; the rows come in city, state, ZIP order. A
// pattern with nothing to read otherwise is the window's search. Beyond it:
// a city is also found under the spellings the data may use ("St Louis",
// "Saint Louis"), a pattern "City, ST" is a city in a state, a state may be
// written out, and a ZIP+4 is its five-digit ZIP code.
LookupQuery queryFor(const LookupRequest& request);

// The same rows, for a statement prepared once and run for many patterns:
// a plain pattern's start is read as a range of each index (LIKE's plan
// depends on the value bound, so its statement is prepared anew for each).
LookupQuery queryForMany(const LookupRequest& request);

} // namespace olvaris::lookup
