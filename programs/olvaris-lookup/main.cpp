// olvaris-lookup: the window's search from a terminal and from scripts, many
// searches in one run, the check of a whole address list, and where places
// are. Exit status: 0 rows printed (every row ok), 1 no row matched (some
// rows not ok), 2 a usage error, a list or a database that cannot be read.
// Built twice: olvaris-lookup, which loads no workbook library, starts a
// list's check by running olvaris-check, the same program with the check
// linked in, from the same folder with the same arguments.
#include "Commands.h"
#include "Complaint.h"
#include "Error.h"
#ifdef OLVARIS_CHECKS_LISTS
#include "ListCheck.h"
#endif
#include "Options.h"
#include "ProgramFolder.h"
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <unistd.h>

using namespace olvaris;
using namespace olvaris::lookup;

namespace {

constexpr const char* Attribution = "Contains GeoNames postal-code data, CC BY 4.0 "
                                    "(https://creativecommons.org/licenses/by/4.0/); see --about.";

// The program's own folder: an installed tree links bin/olvaris-lookup to
// lib/olvaris/, where the database and olvaris-check lie.
std::string programFolder(const char* wanted) {
    const std::optional<std::string> folder = lookup::programFolder();
    if (!folder)
        throw Error(Error::Kind::Input,
                    std::string("cannot tell which folder holds the program, so not where ") + wanted
                        + " is (/proc/self/exe cannot be read, and the path the program was started by "
                          "cannot be followed)");
    return *folder;
}

int usageError(const std::string& message) {
    complain(message);
    std::fputs("Try 'olvaris-lookup --help' for more information.\n", stderr);
    return Trouble;
}

struct Run {
    std::optional<std::string> given;
    char** argv;

    // The database named, else the one beside the program: asked for only
    // where a command reads it.
    std::string database() const {
        return given ? *given : programFolder("its database zipbase.mdb (name one with --database)") + "/zipbase.mdb";
    }

    int operator()(const ShowHelp&) const {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    int operator()(const ShowVersion&) const {
        std::printf("olvaris-lookup %s\n%s\n", OLVARIS_VERSION, Attribution);
        return 0;
    }
    int operator()(const LookupCommand& command) const { return runLookup(command, database()); }
    int operator()(const PlaceRequest& request) const { return runPlaceRequest(request, database()); }
#ifdef OLVARIS_CHECKS_LISTS
    int operator()(const check::ListCheckOptions& list) const { return check::checkList(list, database(), stdout); }
#else
    int operator()(const check::ListCheckOptions&) const {
        const std::string checker = programFolder("olvaris-check") + "/olvaris-check";
        std::fflush(stdout);
        ::execv(checker.c_str(), argv);
        return complain(checker, std::string("cannot start the list's check: ") + std::strerror(errno));
    }
#endif
};

} // namespace

static int runProgram(int argc, char** argv) {
    try {
        const Options options = readOptions(argc, argv);
        const Command command = commandFor(options);
        return std::visit(Run{options.database, argv}, command);
    } catch (const Error& error) {
        if (error.kind() == Error::Kind::Usage)
            return usageError(error.what());
        const std::string line = error.line() > 0 ? ":" + std::to_string(error.line()) : std::string();
        return error.where().empty() ? complain(error.what()) : complain(error.where() + line, error.what());
    } catch (const std::bad_alloc&) {
        return complain("out of memory");
    }
}

int main(int argc, char** argv) {
    // Saying what went wrong may itself run out of memory.
    try {
        return runProgram(argc, argv);
    } catch (...) {
        std::fputs("olvaris-lookup: out of memory\n", stderr);
        return Trouble;
    }
}
