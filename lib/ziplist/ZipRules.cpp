#include "ZipRules.h"
#include "AsciiCase.h"
#include "AsciiFolding.h"
#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

namespace olvaris::ziplist {

using olvaris::text::asciiLower;
using olvaris::text::asciiUpper;

namespace {

struct StateEntry {
    std::string_view code, name;
};

// The codes the post office uses: the states, the District, the territories
// and freely associated states, and the military post offices.
constexpr std::array<StateEntry, 62> States{{
    {"AL", "Alabama"},
    {"AK", "Alaska"},
    {"AZ", "Arizona"},
    {"AR", "Arkansas"},
    {"CA", "California"},
    {"CO", "Colorado"},
    {"CT", "Connecticut"},
    {"DE", "Delaware"},
    {"DC", "District of Columbia"},
    {"FL", "Florida"},
    {"GA", "Georgia"},
    {"HI", "Hawaii"},
    {"ID", "Idaho"},
    {"IL", "Illinois"},
    {"IN", "Indiana"},
    {"IA", "Iowa"},
    {"KS", "Kansas"},
    {"KY", "Kentucky"},
    {"LA", "Louisiana"},
    {"ME", "Maine"},
    {"MD", "Maryland"},
    {"MA", "Massachusetts"},
    {"MI", "Michigan"},
    {"MN", "Minnesota"},
    {"MS", "Mississippi"},
    {"MO", "Missouri"},
    {"MT", "Montana"},
    {"NE", "Nebraska"},
    {"NV", "Nevada"},
    {"NH", "New Hampshire"},
    {"NJ", "New Jersey"},
    {"NM", "New Mexico"},
    {"NY", "New York"},
    {"NC", "North Carolina"},
    {"ND", "North Dakota"},
    {"OH", "Ohio"},
    {"OK", "Oklahoma"},
    {"OR", "Oregon"},
    {"PA", "Pennsylvania"},
    {"RI", "Rhode Island"},
    {"SC", "South Carolina"},
    {"SD", "South Dakota"},
    {"TN", "Tennessee"},
    {"TX", "Texas"},
    {"UT", "Utah"},
    {"VT", "Vermont"},
    {"VA", "Virginia"},
    {"WA", "Washington"},
    {"WV", "West Virginia"},
    {"WI", "Wisconsin"},
    {"WY", "Wyoming"},
    {"AS", "American Samoa"},
    {"GU", "Guam"},
    {"MP", "Northern Mariana Islands"},
    {"PR", "Puerto Rico"},
    {"VI", "Virgin Islands"},
    {"FM", "Federated States of Micronesia"},
    {"MH", "Marshall Islands"},
    {"PW", "Palau"},
    {"AA", "Armed Forces Americas"},
    {"AE", "Armed Forces Europe"},
    {"AP", "Armed Forces Pacific"},
}};

// Other names people write for a few of them.
constexpr std::array<StateEntry, 4> OtherNames{{
    {"DC", "Washington DC"},
    {"DC", "Dist of Columbia"},
    {"VI", "US Virgin Islands"},
    {"VI", "United States Virgin Islands"},
}};

// The abbreviations of the style guides and of old address lists ("Mass.",
// "Calif.", "W. Va."), as their keys: small letters, points dropped. The
// two-letter ones ("Ga.", "Pa.", "N.Y.") are the codes themselves.
constexpr std::array<StateEntry, 41> OldAbbreviations{{
    {"AL", "ala"},   {"AZ", "ariz"},  {"AR", "ark"},   {"CA", "calif"}, {"CA", "cal"},  {"CO", "colo"}, {"CT", "conn"},
    {"DE", "del"},   {"FL", "fla"},   {"IL", "ill"},   {"IN", "ind"},   {"KS", "kan"},  {"KS", "kans"}, {"MA", "mass"},
    {"MI", "mich"},  {"MN", "minn"},  {"MS", "miss"},  {"MT", "mont"},  {"NE", "neb"},  {"NE", "nebr"}, {"NV", "nev"},
    {"NM", "n mex"}, {"NM", "nmex"},  {"ND", "n dak"}, {"ND", "ndak"},  {"OK", "okla"}, {"OR", "ore"},  {"OR", "oreg"},
    {"PA", "penn"},  {"PA", "penna"}, {"SD", "s dak"}, {"SD", "sdak"},  {"TN", "tenn"}, {"TX", "tex"},  {"WA", "wash"},
    {"WV", "w va"},  {"WV", "wva"},   {"WI", "wis"},   {"WI", "wisc"},  {"WY", "wyo"},  {"DC", "d c"},
}};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), isDigit); }

// Small letters, points dropped, one blank between words.
std::string nameKey(std::string_view text) {
    std::string key;
    for (const char c : text) {
        if (c == '.')
            continue;
        if (isBlank(c)) {
            if (!key.empty() && key.back() != ' ')
                key += ' ';
            continue;
        }
        key += asciiLower(c);
    }
    if (!key.empty() && key.back() == ' ')
        key.pop_back();
    return key;
}

// The long and short forms of the words that stand for one another.
struct Abbreviation {
    std::string_view shortForm, longForm;
};
constexpr std::array<Abbreviation, 4> Abbreviations{{
    {"st", "saint"},
    {"ste", "sainte"},
    {"ft", "fort"},
    {"mt", "mount"},
}};
// Short forms people write that the data never uses: read as the long word
// ("N. Las Vegas", "Colorado Spgs"), never written in their place.
constexpr std::array<Abbreviation, 12> ShortForms{{
    {"n", "north"},
    {"no", "north"},
    {"s", "south"},
    {"so", "south"},
    {"e", "east"},
    {"w", "west"},
    {"spgs", "springs"},
    {"hts", "heights"},
    {"jct", "junction"},
    {"ctr", "center"},
    {"pt", "point"},
    {"vlg", "village"},
}};

} // namespace

// A line break around a cell's text (Alt+Enter in a spreadsheet) is blank
// there too.
namespace {
bool isBlankOrBreak(char c) { return isBlank(c) || c == '\n' || c == '\r'; }
} // namespace

std::string_view trimmed(std::string_view text) {
    const auto blankAt = [&](size_t at) {
        if (isBlankOrBreak(text[at]))
            return size_t(1);
        // U+00A0, a no-break space, as spreadsheets paste it.
        if (at + 1 < text.size() && text[at] == '\xC2' && text[at + 1] == '\xA0')
            return size_t(2);
        return size_t(0);
    };
    while (!text.empty()) {
        const size_t width = blankAt(0);
        if (width == 0)
            break;
        text.remove_prefix(width);
    }
    while (!text.empty()) {
        if (isBlankOrBreak(text.back()))
            text.remove_suffix(1);
        else if (text.size() >= 2 && text.substr(text.size() - 2) == "\xC2\xA0")
            text.remove_suffix(2);
        else
            break;
    }
    return text;
}

std::optional<Zip> zipFrom(std::string_view written) {
    // "02134–1234" as a word processor dashes it, a no-break space around it.
    const std::string folded = olvaris::text::foldToAscii(written);
    std::string_view text = trimmed(folded);
    Zip zip;
    if (text.size() > 1 && text.front() == '\'') {
        text = trimmed(text.substr(1));
        zip.cellForm = true;
    } else if (text.size() > 3 && text.substr(0, 2) == "=\"" && text.back() == '"') {
        text = trimmed(text.substr(2, text.size() - 3));
        zip.cellForm = true;
    }
    const size_t point = text.find('.');
    if (point != std::string_view::npos && point > 0 && point + 1 < text.size()
        && text.find_first_not_of('0', point + 1) == std::string_view::npos) {
        text = text.substr(0, point);
        zip.cellForm = true;
    }
    std::string_view first = text;
    const size_t dash = text.find_first_of("- ");
    if (dash != std::string_view::npos) {
        first = text.substr(0, dash);
        const std::string_view four = trimmed(text.substr(dash + 1));
        if (four.size() != 4 || !allDigits(four) || first.size() < 3 || first.size() > 5)
            return std::nullopt;
        zip.plusFour = true;
    } else if (allDigits(text) && text.size() >= 7 && text.size() <= 9) {
        // A ZIP+4 kept as a number: its last four digits are the +4 part.
        first = text.substr(0, text.size() - 4);
        zip.plusFour = true;
    }
    if (!allDigits(first) || first.size() < 3 || first.size() > 5)
        return std::nullopt;
    zip.lostZeros = first.size() < 5;
    zip.five = std::string(5 - first.size(), '0') + std::string(first);
    return zip;
}

std::optional<State> stateFrom(std::string_view written) {
    const std::string folded = olvaris::text::foldToAscii(written);
    std::string_view text = trimmed(folded);
    if (text.size() == 2) {
        const std::string code = asciiUpper(text);
        for (const StateEntry& entry : States)
            if (entry.code == code)
                return State{code, false, code != text};
        return std::nullopt;
    }
    const std::string key = nameKey(text);
    if (key.size() == 2) { // "M.A.", " ma "
        std::optional<State> state = stateFrom(key);
        if (state)
            state->smallLetters = true;
        return state;
    }
    for (const StateEntry& entry : States)
        if (nameKey(entry.name) == key)
            return State{std::string(entry.code), true, false};
    for (const StateEntry& entry : OtherNames)
        if (nameKey(entry.name) == key)
            return State{std::string(entry.code), true, false};
    for (const StateEntry& entry : OldAbbreviations)
        if (entry.name == key)
            return State{std::string(entry.code), true, false};
    // "N. Carolina", "No Dakota", "So. Carolina", "W. Virginia": the
    // direction shortened.
    const size_t blank = key.find(' ');
    if (blank != std::string::npos) {
        const std::string first = key.substr(0, blank);
        const char* direction = first == "n" || first == "no" || first == "nor" ? "north"
                                : first == "s" || first == "so"                 ? "south"
                                : first == "w"                                  ? "west"
                                                                                : nullptr;
        if (direction)
            for (const StateEntry& entry : States)
                if (nameKey(entry.name) == direction + key.substr(blank))
                    return State{std::string(entry.code), true, false};
    }
    return std::nullopt;
}

std::string_view stateName(std::string_view code) {
    for (const StateEntry& entry : States)
        if (entry.code == code)
            return entry.name;
    return {};
}

std::string cityKey(std::string_view written) {
    const std::string city = olvaris::text::foldToAscii(written);
    std::string key;
    key.reserve(city.size());
    std::string word;
    const auto endWord = [&] {
        for (const std::span<const Abbreviation> table :
             {std::span<const Abbreviation>(Abbreviations), std::span<const Abbreviation>(ShortForms)})
            for (const Abbreviation& abbreviation : table)
                if (word == abbreviation.shortForm)
                    word = abbreviation.longForm;
        key += word;
        word.clear();
    };
    for (const char c : city) {
        if (isBlank(c) || c == '-' || c == '.' || c == ',') {
            endWord();
        } else if (c == '\'' || c == '`') {
            // "d'Alene" is one word with "D Alene" once both lose the gap.
        } else {
            word += asciiLower(c);
        }
    }
    endWord();
    return key;
}

std::vector<std::string> citySpellings(std::string_view city) {
    city = trimmed(city);
    // Letter case does not matter where the spellings are used.
    std::vector<std::string> spellings{asciiLower(city)};
    // The other forms are those of the name without its accents, as the
    // data writes names.
    const std::string folded = olvaris::text::foldToAscii(city);
    city = folded;
    // The words, each with the gap that follows it, so a word's form can
    // change while the rest stays as typed.
    struct Word {
        std::string text, gap;
    };
    std::vector<Word> words;
    for (size_t at = 0; at < city.size();) {
        Word word;
        while (at < city.size() && !isBlank(city[at]) && city[at] != '.' && city[at] != '-')
            word.text += asciiLower(city[at++]);
        while (at < city.size() && (isBlank(city[at]) || city[at] == '.' || city[at] == '-'))
            word.gap += city[at++];
        words.push_back(std::move(word));
    }
    enum class Forms { AsTyped, Long, Short };
    const auto spelled = [&](Forms forms, std::string_view apostrophe, char gapCharacter) {
        std::string text;
        for (size_t i = 0; i < words.size(); ++i) {
            std::string form = words[i].text;
            if (!words[i].gap.empty()) {
                for (const Abbreviation& entry : Abbreviations) {
                    if (forms == Forms::Long && form == entry.shortForm)
                        form = entry.longForm;
                    else if (forms == Forms::Short && form == entry.longForm)
                        form = entry.shortForm;
                }
                for (const Abbreviation& entry : ShortForms)
                    if (forms == Forms::Long && form == entry.shortForm)
                        form = entry.longForm;
            }
            for (const char c : form)
                text += c == '\'' ? std::string(apostrophe) : std::string(1, c);
            // Points dropped; any other gap, or a point between two words, is one character.
            const bool last = i + 1 == words.size();
            if (!words[i].gap.empty() && (!last || words[i].gap.find_first_not_of('.') != std::string::npos))
                text += gapCharacter;
        }
        return text;
    };
    for (const Forms forms : {Forms::AsTyped, Forms::Long, Forms::Short})
        for (const std::string_view apostrophe : {std::string_view("'"), std::string_view(" "), std::string_view()})
            for (const char gap : {' ', '-'}) {
                std::string text = spelled(forms, apostrophe, gap);
                if (!text.empty() && std::find(spellings.begin(), spellings.end(), text) == spellings.end())
                    spellings.push_back(std::move(text));
            }
    return spellings;
}

int editDistance(std::string_view a, std::string_view b, int limit) {
    const int n = int(a.size()), m = int(b.size());
    if (std::abs(n - m) > limit)
        return limit + 1;
    // Three rows of the table are enough for neighbour swaps; a city's key
    // fits in rows on the stack, a longer text takes them from the heap.
    constexpr size_t OnStack = 64;
    std::array<int, 3 * (OnStack + 1)> stack;
    std::vector<int> heap;
    int* table = stack.data();
    if (size_t(m) > OnStack) {
        heap.resize(3 * (size_t(m) + 1));
        table = heap.data();
    }
    const auto row = size_t(m) + 1;
    std::span<int> before(table, row), previous(table + row, row), current(table + 2 * row, row);
    for (int j = 0; j <= m; ++j)
        previous[size_t(j)] = j;
    for (int i = 1; i <= n; ++i) {
        current[0] = i;
        int smallest = current[0];
        for (int j = 1; j <= m; ++j) {
            const int cost = a[size_t(i - 1)] == b[size_t(j - 1)] ? 0 : 1;
            int best = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1, previous[size_t(j - 1)] + cost});
            if (i > 1 && j > 1 && a[size_t(i - 1)] == b[size_t(j - 2)] && a[size_t(i - 2)] == b[size_t(j - 1)])
                best = std::min(best, before[size_t(j - 2)] + 1);
            current[size_t(j)] = best;
            smallest = std::min(smallest, best);
        }
        if (smallest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[size_t(m)], limit + 1);
}

} // namespace olvaris::ziplist
