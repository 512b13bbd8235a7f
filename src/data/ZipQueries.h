#pragma once

namespace olvaris::query {

// The two queries of the program. The search binds its pattern, the filter
// text followed by "%", as ?1, so any text the user types is only ever a
// LIKE pattern and never part of the statement.
inline constexpr const char* ListAll = "select [city],[state],[zip] from [zip_codes] order by [city],[state],[zip]";
inline constexpr const char* Search =
    "select [city],[state],[zip] from [zip_codes] where [city] like ?1 or [state] like ?1 or [zip] like ?1 "
    "order by [city],[state],[zip]";

} // namespace olvaris::query
