#include "RowVerdict.h"
#include "NearSpellings.h"
#include "AsciiCase.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include <algorithm>
#include <cstdio>
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

long zipDistance(std::string_view a, std::string_view b) {
    const auto number = [](std::string_view zip) {
        long value = 0;
        for (const char c : zip)
            value = c >= '0' && c <= '9' ? value * 10 + (c - '0') : value;
        return value;
    };
    return std::labs(number(a) - number(b));
}

// The state's city whose key is nearest the row's, where one is close. The
// row's ZIP decides: a town it belongs to comes first if its name is close
// at all; of other names as near, the one with the ZIP nearest the row's.
std::optional<ZipIndex::Rows> nearestSpelling(const ZipIndex& index, std::string_view state, const std::string& key,
                                              ZipIndex::Rows zipRows, std::string_view zip) {
    const int limit = key.size() <= 4 ? 1 : 2;
    std::string owner;
    int ownerDistance = limit + 1;
    for (const std::uint32_t row : zipRows) {
        if (index.place(row).state != state)
            continue;
        const std::string candidate = ziplist::cityKey(index.place(row).city);
        const int distance = ziplist::editDistance(key, candidate, limit);
        if (distance < ownerDistance) {
            ownerDistance = distance;
            owner = candidate;
        }
    }
    if (ownerDistance <= limit)
        return index.withKey(state, owner);

    const std::vector<std::string>& nearest = index.nearSpellings().nearest(state, key, limit);
    if (nearest.empty())
        return std::nullopt;
    std::optional<ZipIndex::Rows> best;
    long bestZip = 0;
    for (const std::string& candidate : nearest) {
        const ZipIndex::Rows rows = index.withKey(state, candidate);
        for (const std::uint32_t row : rows) {
            const long distance = zipDistance(index.place(row).zip, zip);
            if (!best || distance < bestZip) {
                best = rows;
                bestZip = distance;
            }
        }
    }
    return best;
}

// The ZIP code to suggest for a place: only where it is certain, that is
// where the place has one ZIP code.
std::string onlyZip(const ZipIndex& index, ZipIndex::Rows rows) {
    const std::vector<std::string> zips = zipsOf(index, rows);
    return zips.size() == 1 ? zips.front() : std::string();
}

// The shortest distance in miles from the ZIP's point to the points of the
// city's ZIPs; none where either is not located.
std::optional<double> milesFrom(ZipFacts& facts, const std::string& zip, const ZipIndex& index,
                                ZipIndex::Rows cityRows) {
    const std::optional<geo::GeoPoint> from = facts.point(zip);
    if (!from)
        return std::nullopt;
    std::optional<double> shortest;
    for (const std::uint32_t row : cityRows)
        if (const std::optional<geo::GeoPoint> to = facts.point(index.place(row).zip)) {
            const double miles = geo::milesBetween(*from, *to);
            shortest = shortest ? std::min(*shortest, miles) : miles;
        }
    return shortest;
}

std::string oneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
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
    case Kind::LocalName:
        return "local-name";
    case Kind::Mismatch:
        return "mismatch";
    case Kind::UnknownCity:
        return "unknown-city";
    case Kind::UnknownZip:
        return "unknown-zip";
    case Kind::RetiredZip:
        return "retired-zip";
    case Kind::Incomplete:
        return "incomplete";
    }
    return "";
}

RowVerdict judge(const ZipIndex& index, std::string_view cityText, std::string_view stateText, std::string_view zipText,
                 ZipFacts* facts) {
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
    const auto zipBelongsTo = [&](ZipIndex::Rows place) {
        return !place.empty() && std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
            return std::find(place.begin(), place.end(), row) != place.end();
        });
    };
    // The city written in another spelling of the data's name (St/Saint,
    // points, apostrophes, accents...): the same city.
    const bool respelt = cityRows.empty() && !keyRows.empty();
    const std::string dataSpelling =
        respelt ? "the data writes it " + index.place(keyRows.front()).city : std::string();
    if (respelt && zipBelongsTo(keyRows)) {
        verdict.kind = corrections.empty() ? Kind::Ok : Kind::Format;
        verdict.suggestedZip = zip->corrected() ? zip->five : std::string();
        verdict.note = corrections;
        addNote(verdict.note, dataSpelling);
        return verdict;
    }
    if (const ZipFacts::Town* town = zipRows.empty() && zip && facts ? facts->retiredTown(zip->five) : nullptr) {
        verdict.kind = Kind::RetiredZip;
        verdict.note = "ZIP " + zip->five + " is retired (it was " + town->city + ", " + town->state + ")";
        // The town named, else the retired ZIP's own: its ZIP now.
        const ZipIndex::Rows townRows = !keyRows.empty() ? keyRows : index.inState(town->state, town->city);
        if (townRows.empty()) {
            addNote(verdict.note, town->city + ", " + town->state + " has no ZIP code now");
        } else {
            verdict.suggestedZip = onlyZip(index, townRows);
            if (verdict.suggestedZip.empty())
                addNote(verdict.note, zipsNamed(index, townRows));
        }
        return verdict;
    }
    if (zipRows.empty()) {
        verdict.kind = Kind::UnknownZip;
        verdict.note = zip ? "no ZIP code " + zip->five : std::string(zipWritten) + " is not a ZIP code";
        if (!keyRows.empty()) {
            verdict.suggestedZip = onlyZip(index, keyRows);
            addNote(verdict.note, zipsNamed(index, keyRows));
            addNote(verdict.note, dataSpelling);
        }
        return verdict;
    }
    std::string zipsOwnPlace = zip->five + " is " + placeOf(index.place(zipRows.front()));

    verdict.note = corrections;
    if (!state) {
        verdict.kind = Kind::Mismatch;
        addNote(verdict.note, std::string(stateWritten) + " is not a US state");
        addNote(verdict.note, zipsOwnPlace);
        return verdict;
    }
    // The ZIP's own city, written so, in another state: the state may be
    // what is wrong, so no ZIP of the state written is certain.
    const std::string key = ziplist::cityKey(city);
    // A ZIP of the state named may be right whatever the city says: no other is suggested.
    const bool zipInState =
        std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) { return index.place(row).state == code; });
    const ZipIndex::Place& zipsOwn = index.place(zipRows.front());
    std::string farPlace;
    if (facts && zipInState) {
        if (const std::optional<ZipFacts::LocalName> name = facts->localName(zip->five, code, key)) {
            if (name->overlaps || (name->miles && *name->miles <= LocalNameMiles)) {
                verdict.kind = Kind::LocalName;
                verdict.suggestedZip = zip->corrected() ? zip->five : std::string();
                std::string said = name->overlaps ? zip->five + " (" + zipsOwn.city + ") lies partly in " + name->place
                                                  : name->place + " is a place " + oneDecimal(*name->miles)
                                                        + " mi from " + zip->five + " (" + placeOf(zipsOwn) + ")";
                addNote(verdict.note, said);
                return verdict;
            }
            if (name->miles)
                farPlace = name->place + " is a place " + oneDecimal(*name->miles) + " mi from " + zip->five;
        }
    }
    const bool sameNameElsewhere = std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
        return index.place(row).state != code && ziplist::cityKey(index.place(row).city) == key;
    });
    if (!keyRows.empty()) {
        verdict.kind = Kind::Mismatch;
        verdict.suggestedZip = sameNameElsewhere || zipInState ? std::string() : onlyZip(index, keyRows);
        // A few miles is often a neighbourhood's name; hundreds a wrong ZIP.
        if (facts) {
            verdict.milesFromCity = milesFrom(*facts, zip->five, index, keyRows);
            if (verdict.milesFromCity)
                // Appended: g++ 12's -Wrestrict (with -O2 and -Werror) reports a false overlap in a string literal
                // joined to a temporary (GCC bug 105329).
                zipsOwnPlace.append(", ")
                    .append(oneDecimal(*verdict.milesFromCity))
                    .append(" mi from ")
                    .append(index.place(keyRows.front()).city);
        }
        addNote(verdict.note, zipsOwnPlace);
        addNote(verdict.note, zipsNamed(index, keyRows));
        addNote(verdict.note, dataSpelling);
        return verdict;
    }
    if (sameNameElsewhere) {
        verdict.kind = Kind::Mismatch;
        addNote(verdict.note, zipsOwnPlace);
        return verdict;
    }
    verdict.kind = Kind::UnknownCity;
    const std::optional<ZipIndex::Rows> spelling = nearestSpelling(index, code, key, zipRows, zip->five);
    addNote(verdict.note, "no city " + std::string(city) + " in " + code);
    if (!spelling) {
        addNote(verdict.note, zipsOwnPlace);
        addNote(verdict.note, farPlace);
        return verdict;
    }
    verdict.note += "; nearest: " + index.place(spelling->front()).city;
    if (zipBelongsTo(*spelling)) {
        verdict.suggestedZip = zip->corrected() ? zip->five : std::string();
        return verdict;
    }
    // A town spelt nearly so elsewhere may be the one meant, or the row's
    // city a name the data lacks: said with how far it is, never suggested.
    if (const std::optional<double> miles = facts ? milesFrom(*facts, zip->five, index, *spelling) : std::nullopt)
        verdict.note.append(", ").append(oneDecimal(*miles)).append(" mi away");
    addNote(verdict.note, zipsOwnPlace);
    addNote(verdict.note, farPlace);
    return verdict;
}

} // namespace olvaris::lookup
