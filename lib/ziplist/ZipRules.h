#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a city, a state and a ZIP code look like, and how the forms people
// write them in are brought to the form the data holds. Shared by the
// builder (which refuses what cannot be brought) and the list checker
// (which says what it brought). Plain UTF-8 strings, no Qt.
namespace olvaris::ziplist {

// Blanks (spaces, tabs, no-break spaces, line breaks) stripped from both ends.
std::string_view trimmed(std::string_view text);

// A ZIP code as five digits, and how it was written.
struct Zip {
    std::string five;
    bool plusFour = false;  // "02134-1234", "021341234": the +4 part dropped
    bool lostZeros = false; // "2134", "2134-1234": leading zeros put back
    bool cellForm = false;  // "'02134", "=\"02134\"", "2134.0": as a spreadsheet's cell wrote it
    bool corrected() const { return plusFour || lostZeros || cellForm; }
};
// Five digits; three or four (the zeros a spreadsheet dropped); either with
// a +4 part after a hyphen or blank; nine digits, or seven or eight (a ZIP+4
// that lost its zeros); any of these as a spreadsheet's cell writes it: led
// by an apostrophe, as a formula of text, or as a number with a decimal part
// of zeros. Anything else is no ZIP code.
std::optional<Zip> zipFrom(std::string_view text);

// A state, territory or military post office code, and how it was written.
struct State {
    std::string code;
    bool writtenOut = false;   // "Massachusetts", "Dist. of Columbia"
    bool smallLetters = false; // "ma", "Ma", "M.A."
    bool corrected() const { return writtenOut || smallLetters; }
};
// The two-letter code for a code in any letter case or a name written out
// (letter case, points and blanks do not matter); nothing for anything else.
std::optional<State> stateFrom(std::string_view text);
// The name of a known code ("MA" → "Massachusetts"), empty for others.
std::string_view stateName(std::string_view code);

// A city's name reduced to what tells it apart: accents dropped, small
// letters, St/Saint, Ste/Sainte, Ft/Fort and Mt/Mount taken as one word,
// points, apostrophes, hyphens and blanks dropped. "St. Louis" and "Saint Louis" share a key;
// "Coeur d'Alene" and "Coeur D Alene" too.
std::string cityKey(std::string_view city);

// The spellings a city's name may have in the data: the text as written,
// with St/Saint, Ft/Fort, Mt/Mount in either form, points dropped,
// apostrophes as a blank or as nothing, hyphens as blanks, accents dropped.
// At most a few; the first is the text itself. A word counts as an abbreviation only when
// a blank or a point follows it, so "St" alone (the start of "Sterling") has
// no other form.
std::vector<std::string> citySpellings(std::string_view city);

// The edit distance between two keys (insertions, deletions, substitutions
// and swaps of neighbours), or limit + 1 when it is larger than limit.
int editDistance(std::string_view a, std::string_view b, int limit);

} // namespace olvaris::ziplist
