#include "BuildOptions.h"
#include <iostream>
#include <tuple>
#include <vector>

namespace olvaris::zipdata {

namespace {

constexpr const char* Usage = "usage: zipbase-build [--help] [--version] [--columns CITY,STATE,ZIP] [--sheet NAME|N]\n"
                              "                     [--locations FILE] [--current FILE] [--time-zones FILE]\n"
                              "                     [--census-places FILE] [--named-places FILE]\n"
                              "                     [--note ROLE=TEXT]... INPUT OUTPUT\n";
constexpr const char* Help = R"(
Builds OUTPUT, a database for Olvaris and olvaris-lookup, from INPUT, which may be
  - CSV or TSV with a header naming the City, State and ZIP columns (City/Town,
    State/ST, ZIP/Zip Code/Postal Code ..., in any letter case and order; comma,
    semicolon or tab; quoted fields allowed; other columns are passed over),
  - a list saved by Olvaris with Save All Results (header City<sep>State<sep>Zip, any separator),
  - the GeoNames postal-code dump for the US (US.txt: tab-separated, no header),
  - a workbook (.xlsx, .ods or .xls, told by its content): the first sheet shown,
    or the one --sheet names; its header may follow a title row or two,
in UTF-8, Windows-1252 or UTF-16 (with a byte-order mark), lines ending in
LF, CRLF or CR. --columns CITY,STATE,ZIP names the columns of a CSV or TSV by
header or 1-based number, where their names do not tell them.

OUTPUT is refused when it is INPUT (by any name), or an existing file that is
not a database (a list named as the output by mistake); a database or an empty
file there is replaced.

Every row is checked: a ZIP+4 is cut to its five digits, a ZIP that lost its
leading zeros gets them back, a ZIP as a spreadsheet's cell writes it ('02134,
="02134", 2134.0) is read as that ZIP, a state's name, an old abbreviation
(Mass., Calif.) or a code in small letters becomes
its two-letter code (each said as INPUT:LINE: what was done, the first 20 of
them, and counted). A ZIP that is no ZIP code, an unknown state or an empty city
is refused as INPUT:LINE: reason, and nothing is written; OUTPUT keeps what it held. Exit status: 0 built, 1 refused or
failed, 2 a usage error, 128+N interrupted by signal N (nothing left behind).

Where each ZIP is, and which exist today (INPUT's own Latitude and Longitude
columns, where it has them, give its ZIPs' points first):
  --locations FILE  a CSV with ZIP, Latitude and Longitude columns: each ZIP's point
  --current FILE    the GeoNames postal-code export for the US, newer than INPUT: a ZIP
                    of the 50 states or DC that it lacks is retired (kept apart with its
                    last town), one it adds joins the list (named in the list's style;
                    a military one with the state its number gives); its points come
                    before those of --locations, and it gives each ZIP's county
  --time-zones FILE a CSV with ZIP and time_zone columns: each ZIP's time zone as the
                    tz database names it (America/New_York); a ZIP it lacks has none
  --census-places FILE  a CSV with ZIP, State and Place columns: the census places
                    (cities, towns, villages, CDPs) each ZIP's area overlaps
  --named-places FILE   a CSV with Place, State, Latitude and Longitude columns:
                    populated places, neighbourhoods among them, and where they are
  --note ROLE=TEXT  what a source is (its name, date, licence), recorded in OUTPUT for
                    olvaris-lookup --about; ROLE is list, locations, current, time-zones,
                    census-places or named-places
A point outside -90..90 / -180..180, or 0,0, is no place: said as FILE:LINE and left
out. Territories and military ZIPs are never retired (the export does not cover them).
)";

} // namespace

std::optional<int> readOptions(int argc, char** argv, BuildOptions& options) {
    std::vector<std::string> files;
    std::optional<std::string> note;
    Sources& sources = options.sources;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool valued = false;
        for (const auto& [option, value, takes] :
             {std::tuple{"--columns", &options.columns, "CITY,STATE,ZIP"},
              std::tuple{"--sheet", &options.sheet, "NAME or N"}, std::tuple{"--locations", &sources.locations, "FILE"},
              std::tuple{"--current", &sources.current, "FILE"}, std::tuple{"--time-zones", &sources.timeZones, "FILE"},
              std::tuple{"--census-places", &sources.censusPlaces, "FILE"},
              std::tuple{"--named-places", &sources.namedPlaces, "FILE"}, std::tuple{"--note", &note, "ROLE=TEXT"}}) {
            const std::string name(option);
            if (argument != name && argument.rfind(name + "=", 0) != 0)
                continue;
            if (argument == name && i + 1 == argc) {
                std::cerr << "zipbase-build: " << name << " takes " << takes << "\n" << Usage;
                return UsageError;
            }
            *value = argument == name ? std::string(argv[++i]) : argument.substr(name.size() + 1);
            valued = true;
        }
        if (valued && note) {
            const size_t equals = note->find('=');
            const std::string role = note->substr(0, equals);
            if (equals == std::string::npos
                || (role != "list" && role != "locations" && role != "current" && role != "time-zones"
                    && role != "census-places" && role != "named-places")) {
                std::cerr << "zipbase-build: --note takes ROLE=TEXT, ROLE list, locations, current, time-zones, "
                             "census-places or named-places\n"
                          << Usage;
                return UsageError;
            }
            sources.notes[role] = note->substr(equals + 1);
            note.reset();
        }
        if (valued)
            continue;
        if (argument == "--help" || argument == "-h") {
            std::cout << Usage << Help;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "zipbase-build " OLVARIS_VERSION "\n";
            return 0;
        }
        if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            std::cerr << "zipbase-build: unknown option " << argument << "\n" << Usage;
            return UsageError;
        }
        if (argument != "--")
            files.push_back(argument);
    }
    if (files.size() != 2) {
        std::cerr << Usage;
        return UsageError;
    }
    options.input = files[0];
    options.output = files[1];
    return std::nullopt;
}

} // namespace olvaris::zipdata
