#include "Commands.h"
#include "Error.h"
#include "ZipQueries.h"
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace olvaris::lookup {

namespace {

Error usage(const std::string& message) { return Error(Error::Kind::Usage, message); }

// An option's name and whether it was given, for the checks of what goes
// together.
using Given = std::pair<const char*, bool>;

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

RowWriter::Format formatOf(const Options& options) {
    return options.csv ? RowWriter::Format::Csv : options.json ? RowWriter::Format::JsonLines : RowWriter::Format::Tabs;
}

PlaceRequest placeRequestFor(const Options& options) {
    for (const Given& other :
         {Given{"all", options.all}, Given{"city", bool(options.city)}, Given{"state", bool(options.state)},
          Given{"zip", bool(options.zip)}, Given{"exact", options.exact}, Given{"check", bool(options.check)}})
        if (other.second)
            throw usage(std::string("--") + other.first + " does not go with --near, --distance or --about");
    PlaceRequest request;
    request.format = formatOf(options);
    const std::vector<std::string>& given = options.arguments;
    if (options.about) {
        request.kind = PlaceRequest::Kind::About;
        if (!given.empty() || options.standardInput)
            throw usage("--about takes nothing more");
        return request;
    }
    if (options.distance) {
        request.kind = PlaceRequest::Kind::Distance;
        if (given.size() != 2 || options.standardInput)
            throw usage("--distance takes two places: A B (quote \"City, ST\")");
        request.places = given;
        return request;
    }
    request.kind = PlaceRequest::Kind::Near;
    if (!given.empty())
        throw usage("--near takes its PLACE; quote \"City, ST\"");
    if (options.standardInput && *options.near != "-")
        throw usage("with --stdin, give --near - (the places come one a line)");
    if (!options.standardInput)
        request.places = {*options.near};
    if (options.within) {
        const std::optional<Radius> radius = radiusFrom(*options.within);
        if (!radius)
            throw usage("--within takes a distance such as 5mi or 8km");
        request.near.radius = *radius;
    }
    if (options.limit) {
        const std::string& text = *options.limit;
        int rows = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rows);
        if (error != std::errc() || end != text.data() + text.size() || rows < 1)
            throw usage("--limit takes a number of rows, 1 or more");
        request.near.limit = size_t(rows);
    }
    request.near.county = options.county;
    request.near.zone = options.zone;
    return request;
}

check::ListCheckOptions listCheckFor(const Options& options) {
    for (const Given& other :
         {Given{"all", options.all}, Given{"city", bool(options.city)}, Given{"state", bool(options.state)},
          Given{"zip", bool(options.zip)}, Given{"exact", options.exact}, Given{"stdin", options.standardInput},
          Given{"csv", options.csv}, Given{"county", options.county}, Given{"zone", options.zone}})
        if (other.second)
            throw usage(std::string("--check does not go with --") + other.first);
    if (!options.arguments.empty())
        throw usage("--check does not go with a PATTERN");
    check::ListCheckOptions check;
    check.file = *options.check;
    check.columns = options.columns;
    check.address = options.address;
    check.noHeader = options.noHeader;
    if (options.address && options.columns)
        throw usage("--address and --columns do not go together: the city, state and ZIP are in one or the other");
    if (options.address && options.noHeader)
        throw usage("--address names a header's column; a list with no header gives --columns numbers");
    check.sheet = options.sheet;
    check.output = options.output;
    check.json = options.json;
    check.problemsOnly = options.problems;
    check.apply = options.apply;
    const std::string output = lowerCase(options.output.value_or(std::string()));
    const bool workbook = endsWith(output, ".xlsx") || endsWith(output, ".ods");
    if (options.json && workbook)
        throw usage("--json does not go with a workbook --output (.xlsx, .ods)");
    // A workbook of another kind would be CSV under a workbook's name.
    for (const char* other :
         {".xls", ".xlsm", ".xlsb", ".xltx", ".xltm", ".xlt", ".numbers", ".ots", ".fods", ".odt", ".docx", ".pdf"})
        if (endsWith(output, other))
            throw usage(std::string("--output: a ") + other
                        + " file cannot be written: name it .xlsx or .ods for a workbook, or .csv");
    return check;
}

LookupCommand lookupFor(const Options& options) {
    for (const Given& checkOnly :
         {Given{"columns", bool(options.columns)}, Given{"address", bool(options.address)},
          Given{"no-header", options.noHeader}, Given{"sheet", bool(options.sheet)},
          Given{"output", bool(options.output)}, Given{"problems", options.problems}, Given{"apply", options.apply}})
        if (checkOnly.second)
            throw usage(std::string("--") + checkOnly.first + " goes with --check");
    LookupCommand command;
    LookupRequest& request = command.request;
    request.all = options.all;
    request.exact = options.exact;
    request.city = options.city;
    request.state = options.state;
    request.zip = options.zip;
    if (options.arguments.size() > 1)
        throw usage("one PATTERN at most; quote a pattern that holds blanks");
    if (!options.arguments.empty())
        request.pattern = options.arguments.front();
    const bool byField = request.city || request.state || request.zip;
    command.many = options.standardInput;
    if (request.all && request.pattern)
        throw usage("--all and a PATTERN do not go together");
    if (int(request.all) + int(request.pattern.has_value()) + int(byField) + int(command.many) != 1)
        throw usage("give a PATTERN, --all, --stdin, --check FILE, or any of --city, --state and --zip");
    if (request.all && request.exact)
        throw usage("--all and --exact do not go together");
    // As in the window, a filter of blanks only asks for nothing.
    if (request.pattern && query::isBlankFilter(*request.pattern))
        throw usage("the pattern is blank; use --all for every row");
    command.county = options.county;
    command.zone = options.zone;
    command.format = formatOf(options);
    return command;
}

} // namespace

Command commandFor(const Options& options) {
    if (options.help)
        return ShowHelp{};
    if (options.version)
        return ShowVersion{};
    if (options.csv && options.json)
        throw usage("--csv and --json do not go together");
    const int placeKinds = int(options.near.has_value()) + int(options.distance) + int(options.about);
    if (placeKinds > 1)
        throw usage("--near, --distance and --about do not go together");
    for (const Given& nearOnly : {Given{"within", bool(options.within)}, Given{"limit", bool(options.limit)}})
        if (nearOnly.second && !options.near)
            throw usage(std::string("--") + nearOnly.first + " goes with --near");
    if (options.county && (options.distance || options.about))
        throw usage("--county goes with --near or a lookup");
    if (options.zone && (options.distance || options.about))
        throw usage("--zone goes with --near or a lookup");
    if (placeKinds == 1)
        return placeRequestFor(options);
    if (options.check)
        return listCheckFor(options);
    return lookupFor(options);
}

} // namespace olvaris::lookup
