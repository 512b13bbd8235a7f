#pragma once
#include "BuildOptions.h"
#include <optional>
#include <string>

namespace olvaris::zipdata {

// What was done to the rows to store them.
struct Corrections {
    long plusFour = 0, lostZeros = 0, cells = 0, states = 0;
    long total() const { return plusFour + lostZeros + cells + states; }
};

// What the build stored, for its report.
struct Built {
    long rows = 0, repeated = 0, retired = 0, added = 0, located = 0, withCounty = 0;
    bool merged = false;
};

// The database built at output from the list at input and the other
// sources, each row's corrections said (the first few) and counted. Throws
// ziplist::ReadError for a line of the list, olvaris::Error for the rest.
Built build(const std::string& input, const std::string& output, const std::optional<std::string>& columns,
            const std::optional<std::string>& sheetChoice, const Sources& sources, Corrections& corrections);

// What was built, said in one line on standard output.
void reportBuilt(const std::string& input, const std::string& output, const Built& built,
                 const Corrections& corrections);

} // namespace olvaris::zipdata
