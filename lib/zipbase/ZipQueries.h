#pragma once
#include <iterator>

namespace olvaris::query {

// The two queries of the program. The search binds its pattern, the filter
// text followed by "%", as ?1, so any text the user types is only ever a
// LIKE pattern and never part of the statement.
inline constexpr const char* ListAll = "select [city],[state],[zip] from [zip_codes] order by [city],[state],[zip]";

// A pattern with a fixed start reads the three index ranges of that start:
// the city range already in order, the state and ZIP ranges sorted, merged
// into one order. A row is taken from the first range it falls in, so each
// row comes once. Written out rather than as "a or b or c", which large-
// table statistics make the planner answer by walking the whole (city,
// state, zip) index for the order, or by a set of row ids sorted in one
// long step.
inline constexpr const char* SearchRanges =
    "select [city],[state],[zip] from [zip_codes] where [city] like ?1 "
    "union all select [city],[state],[zip] from [zip_codes] where [state] like ?1 and ([city] like ?1) is not 1 "
    "union all select [city],[state],[zip] from [zip_codes] where [zip] like ?1 and ([city] like ?1) is not 1 "
    "and ([state] like ?1) is not 1 "
    "order by 1,2,3";
// A pattern that begins with a wildcard has no range to read: walking the
// (city, state, zip) index gives the rows in order without a sort.
inline constexpr const char* SearchWalk =
    "select [city],[state],[zip] from [zip_codes] where [city] like ?1 or [state] like ?1 or [zip] like ?1 "
    "order by [city],[state],[zip]";

// The two rules below are for any text whose characters compare with a
// UTF-16 unit: the window's QString and the command line's UTF-8 bytes
// (every character they test is ASCII, so a byte stands for it).
template <typename Char>
bool isCharacter(Char c, char16_t unit) {
    return c == Char(unit);
}

// A filter of blanks (spaces) only asks for nothing.
template <typename Text>
bool isBlankFilter(const Text& text) {
    for (const auto c : text)
        if (!isCharacter(c, u' '))
            return false;
    return true;
}

// The search statement for a pattern; both give the same rows in the same order.
template <typename Text>
const char* searchFor(const Text& pattern) {
    const auto first = std::begin(pattern);
    const bool wildcardFirst = first != std::end(pattern) && (isCharacter(*first, u'%') || isCharacter(*first, u'_'));
    return wildcardFirst ? SearchWalk : SearchRanges;
}

} // namespace olvaris::query
