#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::ziplist {

// The city, state and ZIP code read off the end of a whole address written
// in one field, as web forms, CRMs and mailing services keep it ("12 Main
// St, Boston, MA 02134", "12 Main St  Boston  MA  02134  US"). Each is the
// text as written; where the field does not end so, problem says what was
// found and the rest may be empty.
struct AddressTail {
    std::string city, state, zip;
    std::string problem;
};

// The ZIP code or ZIP+4 last (a country may follow it), the state's code or
// name before it, the city before that; parts are parted by commas, line
// breaks or runs of two blanks or more, and the state and ZIP code may
// share a part with single blanks between them, the city too where no
// digit in it says it is a street.
AddressTail addressTail(std::string_view address);

// The columns (0-based) whose names say they hold whole addresses:
// "Address", "Full Address", "Mailing Address"; not "Email Address",
// "Street Address" or "Address 2".
std::vector<int> wholeAddressColumns(const std::vector<std::string>& header);

} // namespace olvaris::ziplist
