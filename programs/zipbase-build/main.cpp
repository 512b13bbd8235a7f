// Builds the program's database from a file of cities, states and ZIP codes:
// CSV or TSV with City, State and ZIP columns, a list saved by Olvaris (any
// separator, Windows-1252), or the GeoNames postal-code dump; UTF-8 or
// Windows-1252. The database always holds UTF-8, five-digit ZIP codes and
// two-letter state codes.
// Nothing is written unless the whole input is valid: the database is built
// under a temporary name beside the output and renamed over it at the end.
#include "BuildOptions.h"
#include "BuildOutput.h"
#include "BuildSteps.h"
#include "Error.h"
#include "ReadError.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

using namespace olvaris::zipdata;
using olvaris::Error;

namespace {

// A file's name with its line, where there is one: FILE:LINE.
std::string located(const std::string& file, long line) { return line > 0 ? file + ":" + std::to_string(line) : file; }

} // namespace

int main(int argc, char** argv) {
    BuildOptions options;
    if (const std::optional<int> ended = readOptions(argc, argv, options))
        return *ended;
    const std::string& input = options.input;
    const std::string& output = options.output;
    if (const std::string refused = refusedOutput(input, output); !refused.empty()) {
        std::cerr << "zipbase-build: " << refused << "\n";
        return Failed;
    }
    const std::string temporary = output + ".building-" + std::to_string(getpid());
    if (temporary.size() >= WorkNameRoom) {
        std::cerr << "zipbase-build: the output's name is too long\n";
        return Failed;
    }
    removeWork(temporary);
    removeWorkOnTermination(temporary);
    try {
        Corrections corrections;
        const Built built = build(input, temporary, options.columns, options.sheet, options.sources, corrections);
        if (std::rename(temporary.c_str(), output.c_str()) != 0)
            throw Error(Error::Kind::Output,
                        "cannot rename " + temporary + " to " + output + ": " + std::strerror(errno));
        reportBuilt(input, output, built, corrections);
        return 0;
    } catch (const olvaris::ziplist::ReadError& error) {
        // A line of the list: said as the list's, INPUT:LINE.
        removeWork(temporary);
        std::cerr << located(input, error.line()) << ": " << error.what() << "\n";
    } catch (const Error& error) {
        // A source besides the list says which file, and which line of it.
        removeWork(temporary);
        std::cerr << "zipbase-build: "
                  << (error.where().empty() ? std::string() : located(error.where(), error.line()) + ": ")
                  << error.what() << "\n";
    } catch (const std::exception& error) {
        removeWork(temporary);
        std::cerr << "zipbase-build: " << error.what() << "\n";
    }
    // Whatever the trouble, nothing was written.
    return Failed;
}
