#include "RowVerdict.h"
#include "AsciiCase.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include <algorithm>
#include <optional>
#include <vector>

namespace olvaris::lookup {

namespace {

using Kind = RowVerdict::Kind;
constexpr size_t ZipsNamed = 3;

std::string placeOf(const ZipIndex::Place& place) { return place.city + ", " + place.state; }

// The ZIP codes of a place, in order, each once.
std::vector<std::string> zipsOf(const ZipIndex& index, ZipIndex::Rows rows) {
    std::vector<std::string> zips;
    for (const std::uint32_t row : rows)
        zips.push_back(index.place(row).zip);
    std::sort(zips.begin(), zips.end());
    zips.erase(std::unique(zips.begin(), zips.end()), zips.end());
    return zips;
}

// "Boston, MA has 02108, 02109, 02110 and 40 more".
std::string zipsNamed(const ZipIndex& index, ZipIndex::Rows rows) {
    const std::vector<std::string> zips = zipsOf(index, rows);
    std::string text = placeOf(index.place(rows.front())) + " has ";
    for (size_t i = 0; i < zips.size() && i < ZipsNamed; ++i)
        text += (i == 0 ? "" : ", ") + zips[i];
    if (zips.size() > ZipsNamed)
        text += " and " + std::to_string(zips.size() - ZipsNamed) + " more";
    return text;
}

// Of a place's ZIP codes, the one most like the row's: the longest common
// start (ZIP codes near one another share theirs), then the nearest number.
std::string nearestZip(const ZipIndex& index, ZipIndex::Rows rows, std::string_view zip) {
    std::string best;
    size_t bestShared = 0;
    long bestDistance = 0;
    const long number = zip.size() == 5 ? std::stol(std::string(zip)) : 0;
    for (const std::string& candidate : zipsOf(index, rows)) {
        size_t shared = 0;
        while (shared < candidate.size() && shared < zip.size() && candidate[shared] == zip[shared])
            ++shared;
        const bool digits =
            std::all_of(candidate.begin(), candidate.end(), [](char c) { return c >= '0' && c <= '9'; });
        const long distance =
            digits && !candidate.empty() && candidate.size() < 10 ? std::labs(std::stol(candidate) - number) : 0;
        if (best.empty() || shared > bestShared || (shared == bestShared && distance < bestDistance)) {
            best = candidate;
            bestShared = shared;
            bestDistance = distance;
        }
    }
    return best;
}

// The state's city whose key is nearest the row's, where one is close; of
// keys as near, the first in alphabetical order, whatever order the cities
// were read in.
std::optional<ZipIndex::Rows> nearestSpelling(const ZipIndex& index, std::string_view state, const std::string& key) {
    const int limit = key.size() <= 4 ? 1 : 2;
    std::string best;
    int bestDistance = limit + 1;
    for (const std::uint32_t row : index.citiesOf(state)) {
        const std::string candidate = ziplist::cityKey(index.place(row).city);
        const int distance = ziplist::editDistance(key, candidate, limit);
        if (distance < bestDistance || (distance == bestDistance && distance <= limit && candidate < best)) {
            bestDistance = distance;
            best = candidate;
        }
    }
    if (bestDistance > limit)
        return std::nullopt;
    return index.withKey(state, best);
}

void addNote(std::string& note, const std::string& text) {
    if (!text.empty())
        note += (note.empty() ? "" : "; ") + text;
}

} // namespace

std::string_view verdictWord(Kind kind) {
    switch (kind) {
    case Kind::Ok:
        return "ok";
    case Kind::Format:
        return "format";
    case Kind::Mismatch:
        return "mismatch";
    case Kind::UnknownCity:
        return "unknown-city";
    case Kind::UnknownZip:
        return "unknown-zip";
    case Kind::Incomplete:
        return "incomplete";
    }
    return "";
}

RowVerdict judge(const ZipIndex& index, std::string_view cityText, std::string_view stateText,
                 std::string_view zipText) {
    const std::string_view city = ziplist::trimmed(cityText), stateWritten = ziplist::trimmed(stateText),
                           zipWritten = ziplist::trimmed(zipText);
    RowVerdict verdict;
    if (city.empty() || stateWritten.empty() || zipWritten.empty()) {
        verdict.kind = Kind::Incomplete;
        std::string empty;
        for (const auto& [text, name] : {std::pair{city, "city"}, {stateWritten, "state"}, {zipWritten, "ZIP"}})
            if (text.empty())
                empty += (empty.empty() ? "" : ", ") + std::string(name);
        verdict.note = "empty: " + empty;
        return verdict;
    }
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(zipWritten);
    const std::optional<ziplist::State> state = ziplist::stateFrom(stateWritten);
    const std::string code = state ? state->code : std::string();
    ZipIndex::Rows zipRows = zip ? index.withZip(zip->five) : ZipIndex::Rows();
    const bool cityHasZip = std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
        return index.place(row).state == code && text::equalIgnoringAsciiCase(index.place(row).city, city);
    });
    // The city as written in its state, or under another spelling of it:
    // looked up only for rows that are not right.
    ZipIndex::Rows cityRows = cityHasZip ? ZipIndex::Rows() : index.inState(code, city);
    ZipIndex::Rows keyRows = cityHasZip || !cityRows.empty() ? cityRows : index.withKey(code, ziplist::cityKey(city));

    std::string corrections;
    if (zip && zip->plusFour)
        addNote(corrections, "ZIP+4 " + std::string(zipWritten) + " is ZIP " + zip->five);
    else if (zip && zip->lostZeros)
        addNote(corrections, "ZIP " + std::string(zipWritten) + " lost its leading zeros: " + zip->five);
    else if (zip && zip->cellForm)
        addNote(corrections, "ZIP " + std::string(zipWritten) + " is written as a spreadsheet cell: " + zip->five);
    if (state && state->corrected())
        addNote(corrections, "state " + std::string(stateWritten) + " is " + state->code);

    if (cityHasZip) {
        verdict.kind = corrections.empty() ? Kind::Ok : Kind::Format;
        verdict.suggestedZip = zip->corrected() ? zip->five : std::string();
        verdict.note = corrections;
        return verdict;
    }
    if (zipRows.empty()) {
        verdict.kind = Kind::UnknownZip;
        verdict.note = zip ? "no ZIP code " + zip->five : std::string(zipWritten) + " is not a ZIP code";
        if (!keyRows.empty()) {
            verdict.suggestedZip = nearestZip(index, keyRows, zip ? zip->five : std::string());
            addNote(verdict.note, zipsNamed(index, keyRows));
        }
        return verdict;
    }
    const auto zipBelongsTo = [&](ZipIndex::Rows place) {
        return !place.empty() && std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
            return std::find(place.begin(), place.end(), row) != place.end();
        });
    };
    const std::string zipsOwnPlace = zip->five + " is " + placeOf(index.place(zipRows.front()));
    const auto zipFor = [&](ZipIndex::Rows place) {
        return zipBelongsTo(place) ? (zip->corrected() ? zip->five : std::string())
                                   : nearestZip(index, place, zip->five);
    };

    verdict.note = corrections;
    if (!state) {
        verdict.kind = Kind::Mismatch;
        addNote(verdict.note, std::string(stateWritten) + " is not a US state");
        addNote(verdict.note, zipsOwnPlace);
        return verdict;
    }
    if (!cityRows.empty()) {
        verdict.kind = Kind::Mismatch;
        verdict.suggestedZip = nearestZip(index, cityRows, zip->five);
        addNote(verdict.note, zipsOwnPlace);
        addNote(verdict.note, zipsNamed(index, cityRows));
        return verdict;
    }
    // The ZIP's own city, written so, in another state: the state is wrong.
    const std::string key = ziplist::cityKey(city);
    for (const std::uint32_t row : zipRows)
        if (index.place(row).state != code && ziplist::cityKey(index.place(row).city) == key) {
            verdict.kind = Kind::Mismatch;
            addNote(verdict.note, zipsOwnPlace);
            return verdict;
        }
    verdict.kind = Kind::UnknownCity;
    const std::optional<ZipIndex::Rows> spelling =
        !keyRows.empty() ? std::optional(keyRows) : nearestSpelling(index, code, key);
    addNote(verdict.note, "no city " + std::string(city) + " in " + code);
    if (!spelling) {
        addNote(verdict.note, zipsOwnPlace);
        return verdict;
    }
    const ZipIndex::Place& known = index.place(spelling->front());
    verdict.note += std::string(keyRows.empty() ? "; nearest: " : "; the data writes it ") + known.city;
    verdict.suggestedZip = zipFor(*spelling);
    if (!zipBelongsTo(*spelling))
        addNote(verdict.note, zipsOwnPlace);
    return verdict;
}

} // namespace olvaris::lookup
