#pragma once
#include "ListCheckOptions.h"
#include "LookupCommand.h"
#include "Options.h"
#include "PlaceCommands.h"
#include <variant>

namespace olvaris::lookup {

struct ShowHelp {};
struct ShowVersion {};

// What the command line asks the program to do, once its options are
// known to go together.
using Command = std::variant<ShowHelp, ShowVersion, LookupCommand, PlaceRequest, check::ListCheckOptions>;

// Throws olvaris::Error (Usage) for options that do not go together, or a
// value that does not fit its option.
Command commandFor(const Options& options);

} // namespace olvaris::lookup
