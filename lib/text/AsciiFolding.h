#pragma once
#include <string>
#include <string_view>

namespace olvaris::text {

// UTF-8 text with the letters of the Latin alphabets' accents written as
// their plain letters ("Mayagüez" → "Mayaguez", "Cataño" → "Catano",
// "Łódź" → "Lodz", "Straße" → "Strasse"), and combining accents dropped:
// the way US place names are written in the data. Typographic apostrophes,
// quotes, dashes and no-break spaces become their plain forms. Other
// characters stay.
std::string foldToAscii(std::string_view utf8);

} // namespace olvaris::text
