#pragma once
#include <optional>
#include <string>
#include <vector>

namespace olvaris::lookup {

// The command line as given: every option and the arguments that are not
// options, values as the system's bytes. Nothing here says which go together.
struct Options {
    bool all = false, exact = false, standardInput = false, problems = false, distance = false, county = false,
         zone = false, apply = false, noHeader = false, about = false, csv = false, json = false, help = false,
         version = false;
    std::optional<std::string> city, state, zip, check, columns, address, sheet, output, near, within, limit, database;
    std::vector<std::string> arguments;
};

// Reads the command line: "--name VALUE" and "--name=VALUE", "-h" and "-v",
// "--" before arguments that begin with a dash. An argument that reads as a
// negative number ("-90,0", a latitude) is an argument, not an option.
// Throws olvaris::Error (Usage) for an option it does not know or a value
// that is missing.
Options readOptions(int argc, const char* const* argv);

// What --help prints.
std::string helpText();

} // namespace olvaris::lookup
