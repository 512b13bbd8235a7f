#include "ZipMerge.h"
#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

namespace olvaris::zipdata {

namespace {

// The export covers the 50 states and DC; its silence retires only theirs.
bool coveredByExport(const std::string& state) {
    static const std::set<std::string, std::less<>> territories = {"PR", "VI", "GU", "AS", "MP", "FM",
                                                                   "MH", "PW", "AA", "AE", "AP"};
    return !stateFips(state).empty() && !territories.count(state);
}

} // namespace

std::string stateFips(const std::string& state) {
    static const std::map<std::string, std::string, std::less<>> codes = {
        {"AL", "01"}, {"AK", "02"}, {"AZ", "04"}, {"AR", "05"}, {"CA", "06"}, {"CO", "08"}, {"CT", "09"}, {"DE", "10"},
        {"DC", "11"}, {"FL", "12"}, {"GA", "13"}, {"HI", "15"}, {"ID", "16"}, {"IL", "17"}, {"IN", "18"}, {"IA", "19"},
        {"KS", "20"}, {"KY", "21"}, {"LA", "22"}, {"ME", "23"}, {"MD", "24"}, {"MA", "25"}, {"MI", "26"}, {"MN", "27"},
        {"MS", "28"}, {"MO", "29"}, {"MT", "30"}, {"NE", "31"}, {"NV", "32"}, {"NH", "33"}, {"NJ", "34"}, {"NM", "35"},
        {"NY", "36"}, {"NC", "37"}, {"ND", "38"}, {"OH", "39"}, {"OK", "40"}, {"OR", "41"}, {"PA", "42"}, {"RI", "44"},
        {"SC", "45"}, {"SD", "46"}, {"TN", "47"}, {"TX", "48"}, {"UT", "49"}, {"VT", "50"}, {"VA", "51"}, {"WA", "53"},
        {"WV", "54"}, {"WI", "55"}, {"WY", "56"}, {"AS", "60"}, {"FM", "64"}, {"GU", "66"}, {"MH", "68"}, {"MP", "69"},
        {"PW", "70"}, {"PR", "72"}, {"VI", "78"}};
    const auto found = codes.find(state);
    return found == codes.end() ? std::string() : found->second;
}

std::string militaryState(const std::string& zip) {
    if (zip.size() != 5)
        return {};
    const int prefix = std::stoi(zip.substr(0, 3));
    if (prefix == 340)
        return "AA";
    if (prefix >= 90 && prefix <= 98)
        return "AE";
    if (prefix >= 962 && prefix <= 966)
        return "AP";
    return {};
}

std::string listStyleName(const std::string& name) {
    std::string styled;
    bool wordStart = true;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '\'' || c == '\xE2') {
            // An apostrophe, plain or typographic (U+2019).
            const bool curly = c == '\xE2' && name.compare(i, 3, "\xE2\x80\x99") == 0;
            if (c == '\xE2' && !curly) {
                styled += c;
                wordStart = false;
                continue;
            }
            const size_t after = i + (curly ? 3 : 1);
            const bool possessive = after < name.size() && (name[after] == 's' || name[after] == 'S')
                                    && (after + 1 == name.size() || name[after + 1] == ' ');
            if (curly)
                i += 2;
            if (possessive)
                continue;
            styled += ' ';
            wordStart = true;
            continue;
        }
        if (c == '-' || c == ' ') {
            styled += ' ';
            wordStart = true;
            continue;
        }
        if (c == '.')
            continue;
        const auto byte = static_cast<unsigned char>(c);
        styled += char(wordStart ? std::toupper(byte) : std::tolower(byte));
        wordStart = false;
    }
    // One blank between words, none at the ends.
    std::string tidy;
    for (const char c : styled)
        if (c != ' ' || (!tidy.empty() && tidy.back() != ' '))
            tidy += c;
    while (!tidy.empty() && tidy.back() == ' ')
        tidy.pop_back();
    return tidy;
}

Merged mergeCurrent(std::vector<ListRow> list, const Locations* locations, const CurrentExport* current) {
    Merged merged;
    std::set<std::string> listed;
    // The state of every listed ZIP of a three-digit prefix, where they
    // share one; empty where they do not.
    std::map<std::string, std::string> prefixStates;
    for (ListRow& row : list) {
        const std::string& zip = row[2];
        listed.insert(zip);
        const auto [known, first] = prefixStates.emplace(zip.substr(0, 3), row[1]);
        if (!first && known->second != row[1])
            known->second.clear();
        if (current && coveredByExport(row[1]) && !current->zips.count(zip))
            merged.retired.push_back(std::move(row));
        else
            merged.rows.push_back(std::move(row));
    }
    if (current) {
        for (const auto& [zip, entry] : current->zips) {
            if (listed.count(zip))
                continue;
            const std::string military = militaryState(zip);
            std::string state = military.empty() ? entry.state : military;
            if (state.empty() || entry.place.empty())
                continue;
            // A state the ZIP's number contradicts is a slip of the export's.
            if (const auto prefix = prefixStates.find(zip.substr(0, 3));
                prefix != prefixStates.end() && !prefix->second.empty() && prefix->second != state) {
                std::string said = "ZIP ";
                for (const std::string& part :
                     {zip, std::string(" "), entry.place, std::string(" is given "), state,
                      std::string(", but every ZIP of "), zip.substr(0, 3), std::string(" is "), prefix->second,
                      std::string(": stored as "), prefix->second})
                    said += part;
                merged.said.push_back(std::move(said));
                state = prefix->second;
            }
            // "APO AE" and the like: the list names the post office alone.
            const std::string place = military.empty() ? entry.place : entry.place.substr(0, entry.place.find(' '));
            merged.rows.push_back({listStyleName(place), state, zip});
            ++merged.added;
        }
    }
    for (const ListRow& row : merged.rows) {
        Place place;
        const CurrentZip* entry = nullptr;
        if (current)
            if (const auto found = current->zips.find(row[2]); found != current->zips.end())
                entry = &found->second;
        if (entry && entry->point)
            place.point = entry->point;
        else if (locations)
            if (const auto found = locations->points.find(row[2]); found != locations->points.end())
                place.point = found->second;
        if (entry && !entry->county.empty()) {
            place.county = entry->county;
            const std::string fips = stateFips(row[1]);
            if (!fips.empty() && entry->countyCode.size() == 3)
                place.countyFips = fips + entry->countyCode;
            ++merged.withCounty;
        }
        if (place.point)
            ++merged.located;
        if (place.point || !place.county.empty())
            merged.places.emplace(row[2], std::move(place));
    }
    return merged;
}

} // namespace olvaris::zipdata
