#include "LookupQuery.h"
#include "ZipRules.h"
#include "ZipQueries.h"
#include <string>
#include <vector>

namespace olvaris::lookup {

namespace {

// One index range: a column that holds (or begins with) a value.
struct Condition {
    const char* column;
    std::string value;
};
// Rows that meet any one of its conditions.
using Group = std::vector<Condition>;

std::string zipText(const std::string& text) {
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(text);
    return zip && zip->plusFour ? zip->five : text;
}

Group citySpellings(const std::string& city) {
    Group group;
    for (std::string& spelling : ziplist::citySpellings(city))
        group.push_back({"[city]", std::move(spelling)});
    return group;
}

Group stateGroup(const std::string& state) {
    const std::optional<ziplist::State> known = ziplist::stateFrom(state);
    return {{"[state]", known ? known->code : state}};
}

// "Boston, MA", "Saint Louis, Missouri": a city and a known state.
std::optional<std::pair<std::string, std::string>> cityAndState(const std::string& pattern) {
    const size_t comma = pattern.rfind(',');
    if (comma == std::string::npos || comma == 0)
        return std::nullopt;
    const std::string state(ziplist::trimmed(std::string_view(pattern).substr(comma + 1)));
    if (!ziplist::stateFrom(state))
        return std::nullopt;
    return std::pair{std::string(ziplist::trimmed(std::string_view(pattern).substr(0, comma))), state};
}

// Each group read as a union of index ranges of row numbers; the rows of
// all groups, sorted.
LookupQuery rowsOf(const std::vector<Group>& groups, bool exact) {
    LookupQuery query{"select [city],[state],[zip] from [zip_codes] where ", {}};
    for (size_t g = 0; g < groups.size(); ++g) {
        query.statement += g == 0 ? "rowid in (" : " and rowid in (";
        for (size_t c = 0; c < groups[g].size(); ++c) {
            const Condition& condition = groups[g][c];
            query.parameters.push_back(exact ? condition.value : condition.value + '%');
            query.statement +=
                c == 0 ? "select rowid from [zip_codes] where " : " union select rowid from [zip_codes] where ";
            query.statement += condition.column;
            query.statement += exact ? " = ?" : " like ?";
            query.statement += std::to_string(query.parameters.size());
        }
        query.statement += ")";
    }
    query.statement += " order by [city],[state],[zip]";
    return query;
}

} // namespace

LookupQuery queryFor(const LookupRequest& request) {
    if (request.all)
        return {query::ListAll, {}};
    std::vector<Group> groups;
    if (request.pattern) {
        if (const auto place = cityAndState(*request.pattern)) {
            groups = {citySpellings(place->first), stateGroup(place->second)};
        } else {
            const std::string& pattern = *request.pattern;
            Group any = citySpellings(pattern);
            if (any.size() == 1 && !request.exact && zipText(pattern) == pattern) {
                // The window's search: the text followed by "%", in any of the three fields.
                const std::string windowPattern = pattern + '%';
                return {query::searchFor(windowPattern), {windowPattern}};
            }
            any.front().value = pattern;
            any.push_back({"[state]", pattern});
            any.push_back({"[zip]", zipText(pattern)});
            groups = {any};
        }
    } else {
        if (request.city)
            groups.push_back(citySpellings(*request.city));
        if (request.state)
            groups.push_back(stateGroup(*request.state));
        if (request.zip)
            groups.push_back({{"[zip]", zipText(*request.zip)}});
    }
    return rowsOf(groups, request.exact);
}

LookupQuery queryForMany(const LookupRequest& request) {
    LookupQuery query = queryFor(request);
    if (query.statement != query::SearchRanges)
        return query;
    // Without wildcards a start is a range: from the text up to the text
    // followed by the last character there is (compared without regard to
    // letter case, as LIKE and the columns' collation do).
    const std::string& start = *request.pattern;
    if (start.find_first_of("%_") != std::string::npos)
        return query;
    static constexpr char Ranges[] =
        "select [city],[state],[zip] from [zip_codes] where [city] >= ?1 and [city] < ?2 "
        "union all select [city],[state],[zip] from [zip_codes] where [state] >= ?1 and [state] < ?2 "
        "and not ([city] >= ?1 and [city] < ?2) "
        "union all select [city],[state],[zip] from [zip_codes] where [zip] >= ?1 and [zip] < ?2 "
        "and not ([city] >= ?1 and [city] < ?2) and not ([state] >= ?1 and [state] < ?2) "
        "order by 1,2,3";
    static constexpr char Last[] = "\xF4\x8F\xBF\xBF"; // U+10FFFF in UTF-8
    return {Ranges, {start, start + Last}};
}

} // namespace olvaris::lookup
