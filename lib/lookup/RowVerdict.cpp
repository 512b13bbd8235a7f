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

// Whether a text would be run as a formula by a spreadsheet opening it as
// a cell (after a tab or a carriage return, read as one too).
bool startsAsFormula(std::string_view text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

// A row's cell as a note cites it: in quotes, so that the note never
// begins with what the cell does.
// Built by appending: GCC 12 warns falsely of an overlap in "\"" + text at -O3.
std::string quoted(std::string_view cell) {
    std::string text;
    text.reserve(cell.size() + 2);
    text += '"';
    text += cell;
    text += '"';
    return text;
}

// A name from the data where it may begin a note: quoted only where it
// would begin one as a formula (a database built elsewhere may hold one).
std::string cited(const std::string& name) { return startsAsFormula(name) ? quoted(name) : name; }

std::string placeOf(const ZipIndex::Place& place) { return cited(place.city) + ", " + place.state; }

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
    case Kind::NoAddress:
        return "no-address";
    }
    return "";
}

namespace {

// What a row says and what the table knows of it, read once for the steps
// below. The row's fields are all given.
struct RowReading {
    RowReading(const ZipIndex& table, ZipFacts* known, std::string_view cityText, std::string_view stateText,
               std::string_view zipText)
        : index(table), facts(known), city(cityText), stateWritten(stateText), zipWritten(zipText),
          zip(ziplist::zipFrom(zipText)), state(ziplist::stateFrom(stateText)),
          code(state ? state->code : std::string()), key(ziplist::cityKey(cityText)) {
        zipRows = zip ? index.withZip(zip->five) : ZipIndex::Rows();
        cityHasZip = std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
            return index.place(row).state == code && text::equalIgnoringAsciiCase(index.place(row).city, city);
        });
        // The city as written in its state, or under another spelling of it:
        // looked up only for rows that are not right.
        cityRows = cityHasZip ? ZipIndex::Rows() : index.inState(code, city);
        keyRows = cityHasZip || !cityRows.empty() ? cityRows : index.withKey(code, key);
        // The city written in another spelling of the data's name (St/Saint,
        // points, apostrophes, accents...): the same city.
        respelt = cityRows.empty() && !keyRows.empty();
        if (respelt)
            dataSpelling = "the data writes it " + index.place(keyRows.front()).city;
        if (zip && zip->plusFour)
            addNote(corrections, "ZIP+4 " + std::string(zipWritten) + " is ZIP " + zip->five);
        else if (zip && zip->lostZeros)
            addNote(corrections, "ZIP " + std::string(zipWritten) + " lost its leading zeros: " + zip->five);
        else if (zip && zip->cellForm)
            addNote(corrections, "ZIP " + std::string(zipWritten) + " is written as a spreadsheet cell: " + zip->five);
        if (state && state->corrected())
            addNote(corrections, "state " + std::string(stateWritten) + " is " + state->code);
    }

    bool zipBelongsTo(ZipIndex::Rows place) const {
        return !place.empty() && std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
            return std::find(place.begin(), place.end(), row) != place.end();
        });
    }
    // The row's own ZIP, where only its form was wrong.
    std::string correctedZip() const { return zip && zip->corrected() ? zip->five : std::string(); }
    // The fields in the data's form where only their form was wrong: the
    // ZIP's zeros (a ZIP+4 kept as one), the state's code.
    std::array<std::string, 3> inDataForm() const {
        std::array<std::string, 3> fields;
        if (zip && (zip->lostZeros || zip->cellForm)) {
            fields[2] = zip->five;
            if (zip->plusFour) {
                std::string digits;
                for (const char c : zipWritten)
                    if (c >= '0' && c <= '9')
                        digits += c;
                fields[2].append("-").append(digits.substr(digits.size() - std::min<size_t>(4, digits.size())));
            }
        }
        if (state && state->corrected())
            fields[1] = state->code;
        return fields;
    }
    // "02134 is Allston, MA"
    std::string zipsOwnPlace() const { return zip->five + " is " + placeOf(index.place(zipRows.front())); }
    // A ZIP of the state named may be right whatever the city says.
    bool zipInState() const {
        return std::any_of(zipRows.begin(), zipRows.end(),
                           [&](std::uint32_t row) { return index.place(row).state == code; });
    }
    // The ZIP's own town written so, in another state: the state may be
    // what is wrong.
    bool sameNameElsewhere() const {
        return std::any_of(zipRows.begin(), zipRows.end(), [&](std::uint32_t row) {
            return index.place(row).state != code && ziplist::cityKey(index.place(row).city) == key;
        });
    }

    const ZipIndex& index;
    ZipFacts* facts;
    std::string_view city, stateWritten, zipWritten;
    std::optional<ziplist::Zip> zip;
    std::optional<ziplist::State> state;
    std::string code, key;
    ZipIndex::Rows zipRows, cityRows, keyRows;
    bool cityHasZip = false, respelt = false;
    std::string corrections, dataSpelling;
};

RowVerdict incomplete(std::string_view city, std::string_view state, std::string_view zip) {
    RowVerdict verdict;
    verdict.kind = Kind::Incomplete;
    std::string empty;
    for (const auto& [text, name] : {std::pair{city, "city"}, {state, "state"}, {zip, "ZIP"}})
        if (text.empty())
            empty += (empty.empty() ? "" : ", ") + std::string(name);
    verdict.note = "empty: " + empty;
    return verdict;
}

// The ZIP is the city's (as written or in the data's spelling): ok, or
// format where only the form was wrong.
RowVerdict rightAsWritten(const RowReading& row) {
    RowVerdict verdict;
    verdict.kind = row.corrections.empty() ? Kind::Ok : Kind::Format;
    verdict.suggestedZip = row.correctedZip();
    verdict.note = row.corrections;
    addNote(verdict.note, row.dataSpelling);
    // A town written in another form of the data's name (St. Louis,
    // O'Fallon, Sedro-Woolley) is right as written: the data's own spelling
    // is said, never put in its place.
    verdict.corrected = row.inDataForm();
    return verdict;
}

// A ZIP retired since the list: its last town, and the town's ZIP now.
std::optional<RowVerdict> retiredZip(const RowReading& row) {
    const ZipFacts::Town* town =
        row.zipRows.empty() && row.zip && row.facts ? row.facts->retiredTown(row.zip->five) : nullptr;
    if (!town)
        return std::nullopt;
    RowVerdict verdict;
    verdict.kind = Kind::RetiredZip;
    verdict.note = "ZIP " + row.zip->five + " is retired (it was " + town->city + ", " + town->state + ")";
    // The town named, else the retired ZIP's own: its ZIP now.
    const ZipIndex::Rows townRows = !row.keyRows.empty() ? row.keyRows : row.index.inState(town->state, town->city);
    if (townRows.empty()) {
        addNote(verdict.note, town->city + ", " + town->state + " has no ZIP code now");
    } else {
        verdict.suggestedZip = onlyZip(row.index, townRows);
        if (verdict.suggestedZip.empty())
            addNote(verdict.note, zipsNamed(row.index, townRows));
    }
    return verdict;
}

RowVerdict unknownZip(const RowReading& row) {
    RowVerdict verdict;
    verdict.kind = Kind::UnknownZip;
    verdict.note =
        row.zip ? "no ZIP code " + row.zip->five : "the ZIP cell " + quoted(row.zipWritten) + " is not a ZIP code";
    if (!row.keyRows.empty()) {
        verdict.suggestedZip = onlyZip(row.index, row.keyRows);
        addNote(verdict.note, zipsNamed(row.index, row.keyRows));
        addNote(verdict.note, row.dataSpelling);
    }
    return verdict;
}

RowVerdict notAState(const RowReading& row) {
    RowVerdict verdict;
    verdict.kind = Kind::Mismatch;
    verdict.note = row.corrections;
    addNote(verdict.note, "the state cell " + quoted(row.stateWritten) + " is not a US state");
    addNote(verdict.note, row.zipsOwnPlace());
    return verdict;
}

// A name people use for where the ZIP is: local-name. Else, where a place
// of that name lies farther off, farPlace says how far.
std::optional<RowVerdict> localName(const RowReading& row, std::string& farPlace) {
    if (!row.facts || !row.zipInState())
        return std::nullopt;
    const std::optional<ZipFacts::LocalName> name = row.facts->localName(row.zip->five, row.code, row.key);
    if (!name)
        return std::nullopt;
    const std::string& zip = row.zip->five;
    if (!name->overlaps && !(name->miles && *name->miles <= LocalNameMiles)) {
        if (name->miles)
            farPlace = cited(name->place) + " is a place " + oneDecimal(*name->miles) + " mi from " + zip;
        return std::nullopt;
    }
    const ZipIndex::Place& zipsOwn = row.index.place(row.zipRows.front());
    RowVerdict verdict;
    verdict.kind = Kind::LocalName;
    verdict.suggestedZip = row.correctedZip();
    verdict.corrected = row.inDataForm();
    verdict.note = row.corrections;
    addNote(verdict.note, name->overlaps ? zip + " (" + zipsOwn.city + ") lies partly in " + name->place
                                         : cited(name->place) + " is a place " + oneDecimal(*name->miles) + " mi from "
                                               + zip + " (" + placeOf(zipsOwn) + ")");
    return verdict;
}

// The city is a town of the state, and the ZIP another place's. Its only
// ZIP is suggested only where the row's cannot be right: of another state,
// and not the ZIP of a town of the city's name there.
RowVerdict cityWithOtherZips(const RowReading& row) {
    RowVerdict verdict;
    verdict.kind = Kind::Mismatch;
    verdict.note = row.corrections;
    verdict.suggestedZip =
        row.sameNameElsewhere() || row.zipInState() ? std::string() : onlyZip(row.index, row.keyRows);
    std::string zipsOwnPlace = row.zipsOwnPlace();
    // A few miles is often a neighbourhood's name; hundreds a wrong ZIP.
    if (row.facts) {
        verdict.milesFromCity = milesFrom(*row.facts, row.zip->five, row.index, row.keyRows);
        if (verdict.milesFromCity)
            // Appended: g++ 12's -Wrestrict (with -O2 and -Werror) reports a false overlap in a string literal
            // joined to a temporary (GCC bug 105329).
            zipsOwnPlace.append(", ")
                .append(oneDecimal(*verdict.milesFromCity))
                .append(" mi from ")
                .append(row.index.place(row.keyRows.front()).city);
    }
    addNote(verdict.note, zipsOwnPlace);
    addNote(verdict.note, zipsNamed(row.index, row.keyRows));
    addNote(verdict.note, row.dataSpelling);
    return verdict;
}

// No town of the state is so written: the nearest spelling named, with how
// far it is where it is not the ZIP's own town, never suggested.
RowVerdict unknownCity(const RowReading& row, const std::string& farPlace) {
    RowVerdict verdict;
    verdict.kind = Kind::UnknownCity;
    verdict.note = row.corrections;
    const std::optional<ZipIndex::Rows> spelling =
        nearestSpelling(row.index, row.code, row.key, row.zipRows, row.zip->five);
    addNote(verdict.note, "no city " + std::string(row.city) + " in " + row.code);
    if (!spelling) {
        addNote(verdict.note, row.zipsOwnPlace());
        addNote(verdict.note, farPlace);
        return verdict;
    }
    verdict.note += "; nearest: " + row.index.place(spelling->front()).city;
    if (row.zipBelongsTo(*spelling)) {
        verdict.suggestedZip = row.correctedZip();
        return verdict;
    }
    // A town spelt nearly so elsewhere may be the one meant, or the row's
    // city a name the data lacks: said with how far it is, never suggested.
    if (const std::optional<double> miles =
            row.facts ? milesFrom(*row.facts, row.zip->five, row.index, *spelling) : std::nullopt)
        verdict.note.append(", ").append(oneDecimal(*miles)).append(" mi away");
    addNote(verdict.note, row.zipsOwnPlace());
    addNote(verdict.note, farPlace);
    return verdict;
}

// The verdict before its suggestions are looked over.
RowVerdict judgeRow(const ZipIndex& index, std::string_view cityText, std::string_view stateText,
                    std::string_view zipText, ZipFacts* facts) {
    const std::string_view city = ziplist::trimmed(cityText), state = ziplist::trimmed(stateText),
                           zip = ziplist::trimmed(zipText);
    if (city.empty() && state.empty() && zip.empty())
        return {Kind::NoAddress, {}, "no address in the columns checked", {}, {}};
    if (city.empty() || state.empty() || zip.empty())
        return incomplete(city, state, zip);
    const RowReading row(index, facts, city, state, zip);
    if (row.cityHasZip || (row.respelt && row.zipBelongsTo(row.keyRows)))
        return rightAsWritten(row);
    if (std::optional<RowVerdict> verdict = retiredZip(row))
        return *verdict;
    if (row.zipRows.empty())
        return unknownZip(row);
    if (!row.state)
        return notAState(row);
    std::string farPlace;
    if (std::optional<RowVerdict> verdict = localName(row, farPlace))
        return *verdict;
    if (!row.keyRows.empty())
        return cityWithOtherZips(row);
    if (row.sameNameElsewhere()) {
        RowVerdict verdict;
        verdict.kind = Kind::Mismatch;
        verdict.note = row.corrections;
        addNote(verdict.note, row.zipsOwnPlace());
        return verdict;
    }
    return unknownCity(row, farPlace);
}

} // namespace

RowVerdict judge(const ZipIndex& index, std::string_view city, std::string_view state, std::string_view zip,
                 ZipFacts* facts) {
    RowVerdict verdict = judgeRow(index, city, state, zip, facts);
    // A suggestion is written into the list as a cell: none that a
    // spreadsheet would run, whatever a database built elsewhere holds.
    if (startsAsFormula(verdict.suggestedZip))
        verdict.suggestedZip.clear();
    for (std::string& field : verdict.corrected)
        if (startsAsFormula(field))
            field.clear();
    return verdict;
}

} // namespace olvaris::lookup
