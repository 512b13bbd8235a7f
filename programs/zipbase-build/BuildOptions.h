#pragma once
#include <map>
#include <optional>
#include <string>

namespace olvaris::zipdata {

// The exit statuses besides 0 (built) and 128+N (interrupted by signal N).
inline constexpr int Failed = 1;
inline constexpr int UsageError = 2;

// The inputs beside the list, and what each source is.
struct Sources {
    std::optional<std::string> locations, current, timeZones, censusPlaces, namedPlaces;
    std::map<std::string, std::string> notes; // by role
};

// The command line read: the input, the output, the options.
struct BuildOptions {
    std::string input, output;
    std::optional<std::string> columns, sheet;
    Sources sources;
};
// Reads it into options. Returns the exit status where the program ends
// here (help, version, a usage error), what there was to say said.
std::optional<int> readOptions(int argc, char** argv, BuildOptions& options);

} // namespace olvaris::zipdata
