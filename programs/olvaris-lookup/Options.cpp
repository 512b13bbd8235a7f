#include "Options.h"
#include "Error.h"
#include <cctype>
#include <string_view>
#include <variant>

namespace olvaris::lookup {

namespace {

using Flag = bool Options::*;
using Value = std::optional<std::string> Options::*;

// One option: its names, the word its value is shown by in the help (none
// for a flag), what it does, and where it is kept.
struct OptionInfo {
    const char* name;
    char shortName;
    const char* valueName;
    const char* description;
    std::variant<Flag, Value> kept;
};

// In the order --help lists them.
const OptionInfo Table[] = {
    {"all", 0, nullptr, "Print every row.", &Options::all},
    {"city", 0, "TEXT", "Rows whose city begins with TEXT.", &Options::city},
    {"state", 0, "TEXT", "Rows whose state begins with TEXT.", &Options::state},
    {"zip", 0, "TEXT", "Rows whose ZIP code begins with TEXT.", &Options::zip},
    {"exact", 0, nullptr, "Match whole cities, states or ZIP codes, not their starts.", &Options::exact},
    {"stdin", 0, nullptr,
     "Read one PATTERN a line from standard input; each row is led by the pattern that found it,\n"
     "and a pattern that finds nothing has a line of its own (status 1).",
     &Options::standardInput},
    {"check", 0, "FILE",
     "Check every row of FILE, an address list (CSV or TSV, - for standard input;\n"
     "or a workbook: .xlsx, .ods, .xls), and write it with its verdict.",
     &Options::check},
    {"columns", 0, "CITY,STATE,ZIP",
     "With --check: the city, state and ZIP columns, by header name or 1-based number,\n"
     "where their names do not tell them.",
     &Options::columns},
    {"address", 0, "COLUMN",
     "With --check: the column that holds whole addresses (\"12 Main St, Boston, MA 02134\"),\n"
     "by header name or 1-based number; the city, state and ZIP code are read off its end.",
     &Options::address},
    {"no-header", 0, nullptr,
     "With --check: the list has no header; its first row is a customer's (columns by\n"
     "--columns numbers, or told by the first row's state and ZIP code).",
     &Options::noHeader},
    {"sheet", 0, "NAME|N",
     "With --check of a workbook: the sheet to check, by name or 1-based number\n(else the first one shown).",
     &Options::sheet},
    {"output", 0, "FILE",
     "With --check: write the checked list to FILE instead of standard output; a name ending in\n"
     ".xlsx or .ods makes a workbook (the rows to look at filled, a sheet of counts). FILE is\n"
     "written whole or not at all, and replaces only an earlier check's output or an empty file.",
     &Options::output},
    {"problems", 0, nullptr,
     "With --check: write only the rows that are not ok; CSV adds their line in the list\n(a column line after note).",
     &Options::problems},
    {"apply", 0, nullptr,
     "With --check: make every certain correction in the list's own cells (a ZIP's lost zeros, a\n"
     "state's code, the data's spelling of a right row's city); the verdict columns say what remains.",
     &Options::apply},
    {"near", 0, "PLACE",
     "The ZIP codes around PLACE, nearest first, with their distance: PLACE is a ZIP code,\n"
     "\"City, ST\" (each of its ZIP codes) or \"LAT,LON\"; with --stdin, one PLACE a line.",
     &Options::near},
    {"within", 0, "N[mi|km]", "With --near: the radius, in miles (mi, the default) or km; 25mi unless given.",
     &Options::within},
    {"limit", 0, "N", "With --near: at most N rows for each place.", &Options::limit},
    {"distance", 0, nullptr,
     "The great-circle distance between two places A and B (given as the two arguments),\n"
     "in miles and kilometres.",
     &Options::distance},
    {"county", 0, nullptr, "A county column after the ZIP code (JSON always has it).", &Options::county},
    {"zone", 0, nullptr,
     "The time zone after the ZIP code, and the time there now as date(1) prints it\n"
     "(JSON always has the zone).",
     &Options::zone},
    {"about", 0, nullptr, "Where the database's data came from, and its licences.", &Options::about},
    {"csv", 0, nullptr, "Write CSV (RFC 4180) with the header city,state,zip.", &Options::csv},
    {"json", 0, nullptr,
     "Write JSON Lines: one object {\"city\":…,\"state\":…,\"zip\":…,\"county\":…,\"time_zone\":…}\n"
     "a line.",
     &Options::json},
    {"database", 0, "FILE",
     "Read FILE, a database built by zipbase-build, instead of the one installed beside the\nprogram.",
     &Options::database},
    {"help", 'h', nullptr, "Show this help.", &Options::help},
    {"version", 'v', nullptr, "Show the version.", &Options::version},
};

const OptionInfo* optionNamed(std::string_view name) {
    for (const OptionInfo& option : Table)
        if (name == option.name || (name.size() == 1 && name[0] == option.shortName))
            return &option;
    return nullptr;
}

// "-90,0", "-1.5": a value, not options.
bool isNegativeNumber(std::string_view argument) {
    return argument.size() >= 2 && argument[0] == '-'
           && (std::isdigit(static_cast<unsigned char>(argument[1])) || argument[1] == '.');
}

Error usage(const std::string& message) { return Error(Error::Kind::Usage, message); }

} // namespace

Options readOptions(int argc, const char* const* argv) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-' || isNegativeNumber(argument)) {
            options.arguments.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const bool longForm = argument[1] == '-';
        std::string_view name = argument.substr(longForm ? 2 : 1);
        std::optional<std::string> attached;
        if (const size_t equals = name.find('='); longForm && equals != std::string_view::npos) {
            attached = std::string(name.substr(equals + 1));
            name = name.substr(0, equals);
        }
        const OptionInfo* option = longForm || name.size() == 1 ? optionNamed(name) : nullptr;
        if (!option || (!longForm && option->shortName == 0))
            throw usage("Unknown option '" + std::string(argument.substr(longForm ? 2 : 1)) + "'.");
        if (const Flag* flag = std::get_if<Flag>(&option->kept)) {
            if (attached)
                throw usage("Unexpected value after '--" + std::string(option->name) + "'.");
            options.*(*flag) = true;
            continue;
        }
        if (!attached) {
            if (i + 1 >= argc)
                throw usage("Missing value after '" + std::string(argument) + "'.");
            attached = argv[++i];
        }
        options.*std::get<Value>(option->kept) = std::move(attached);
    }
    return options;
}

std::string helpText() {
    std::string text = "Usage: olvaris-lookup [options] [PATTERN]\n"
                       "Prints the US cities, states and ZIP codes whose city, state or ZIP code begins with PATTERN,\n"
                       "in city, state, ZIP order: one row a line, city, state and ZIP code separated by tabs.\n"
                       "Letter case does not matter; % stands for any run of characters and _ for any one character.\n"
                       "A city is also found under the spellings the data uses (St/Saint, Ft/Fort, Mt/Mount, ...),\n"
                       "\"City, ST\" is a city in a state, and a ZIP+4 is its ZIP code.\n"
                       "With --check FILE, checks every row of an address list and writes it with a verdict\n"
                       "(ok, format, local-name, mismatch, unknown-city, unknown-zip, retired-zip, incomplete,\n"
                       "no-address), a suggested ZIP code and a note.\n\nOptions:\n";
    constexpr size_t Column = 30;
    for (const OptionInfo& option : Table) {
        std::string names = "  ";
        if (option.shortName != 0)
            names += std::string("-") + option.shortName + ", ";
        names += std::string("--") + option.name;
        if (option.valueName)
            names += std::string(" <") + option.valueName + ">";
        names += names.size() + 2 <= Column ? std::string(Column - names.size(), ' ') : "\n" + std::string(Column, ' ');
        text += names;
        for (const char* c = option.description; *c; ++c) {
            text += *c;
            if (*c == '\n')
                text.append(Column, ' ');
        }
        text += '\n';
    }
    text += "\nArguments:\n  PATTERN" + std::string(Column - 9, ' ') + "The start of a city, state or ZIP code.\n";
    return text;
}

} // namespace olvaris::lookup
