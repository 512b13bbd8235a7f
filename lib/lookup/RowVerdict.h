#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace olvaris::lookup {

class ZipIndex;
class ZipFacts;

// What a list's row is worth, as its city, state and ZIP code stand against
// the table.
struct RowVerdict {
    enum class Kind { Ok, Format, LocalName, Mismatch, UnknownCity, UnknownZip, RetiredZip, Incomplete, NoAddress };
    Kind kind = Kind::Ok;
    // The ZIP code to write instead, when the row's is not it and one is known.
    std::string suggestedZip;
    // What is wrong and what would be right, for a person.
    std::string note;
    // For a mismatch: how far the ZIP's own town is from the city named.
    std::optional<double> milesFromCity;
    // Where the row is right but a field is in another form (a ZIP that lost
    // its zeros, a state written out, the city in another spelling): the
    // text each field (city, state, ZIP) has in the data's form; empty where
    // it stays as written. Only what is certain.
    std::array<std::string, 3> corrected;
};

// The word for a verdict in the output: "ok", "format", "local-name",
// "mismatch", "unknown-city", "unknown-zip", "retired-zip", "incomplete",
// "no-address".
std::string_view verdictWord(RowVerdict::Kind kind);

// Whether a row has something to mend (what --problems writes): not one
// that is right, under a name people use, or with no address at all.
inline bool hasProblem(RowVerdict::Kind kind) {
    return kind != RowVerdict::Kind::Ok && kind != RowVerdict::Kind::LocalName && kind != RowVerdict::Kind::NoAddress;
}

// The verdict on a row whose fields are UTF-8 as read:
//  - no-address: the city, the state and the ZIP are all empty (a contact
//    with no address in the columns checked): nothing to look at;
//  - incomplete: a field is empty;
//  - unknown-zip: the ZIP is no ZIP code or not in the table;
//  - retired-zip: the ZIP is one retired since the list was made (its last
//    town said, and the ZIP of the town now where it has one; else its
//    ZIPs);
//  - ok: the ZIP belongs to the city (in any letter case) and state;
//  - format: so it does, once a ZIP+4, a ZIP that lost its leading zeros, or
//    a state written out or in small letters is brought to its form;
//  - local-name: the city is a name people use for where the ZIP is, in its
//    state: a census place the ZIP's area overlaps (02130 lies partly in
//    Boston), or a place so named within LocalNameMiles of the ZIP's point
//    (Hollywood for 90028); deliverable as written;
//  - mismatch: the ZIP is another place's (its own city and state given,
//    how far it is from the city named where both are located, and the
//    city's ZIP codes), or the state is not one;
//  - unknown-city: the state has no city so written (the spelling the data
//    uses, or the nearest, given where one is close).
// A ZIP is suggested only where the row's own cannot be right as written:
// no ZIP code, retired, of another state, or in a form to correct. A town
// spelt nearly so, or of the same name, far from the row's ZIP is named
// with its distance, never suggested.
// Without facts (a database built before them) no ZIP is retired, no
// distance is given and no name people use is known.
// How near a place of the name must be to the ZIP's point to be a name
// people use for it (a neighbourhood, a village).
inline constexpr double LocalNameMiles = 2.5;

RowVerdict judge(const ZipIndex& index, std::string_view city, std::string_view state, std::string_view zip,
                 ZipFacts* facts = nullptr);

} // namespace olvaris::lookup
