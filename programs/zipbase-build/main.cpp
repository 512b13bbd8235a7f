// Builds the program's database from a file of cities, states and ZIP codes:
// CSV or TSV with City, State and ZIP columns, a list saved by Olvaris (any
// separator, Windows-1252), or the GeoNames postal-code dump; UTF-8 or
// Windows-1252. The database always holds UTF-8, five-digit ZIP codes and
// two-letter state codes.
// Nothing is written unless the whole input is valid: the database is built
// under a temporary name beside the output and renamed over it at the end.
#include "OpenSheet.h"
#include "ZipRecords.h"
#include "ZipRules.h"
#include "SqliteHandles.h"
#include "ZipSchema.h"
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <memory>
#include <tuple>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Failed = 1;
constexpr int UsageError = 2;

constexpr const char* Usage = "usage: zipbase-build [--help] [--version] [--columns CITY,STATE,ZIP] [--sheet NAME|N]\n"
                              "                     INPUT OUTPUT\n";
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
)";

class BuildError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

void check(sqlite3* db, int code, int expected = SQLITE_OK) {
    if (code != expected)
        throw BuildError(sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw BuildError(text);
    }
}

int openInput(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw BuildError("cannot open " + path + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        throw BuildError(path + " is a folder");
    }
    return descriptor;
}

// What was done to the rows to store them.
struct Corrections {
    long plusFour = 0, lostZeros = 0, cells = 0, states = 0;
    long total() const { return plusFour + lostZeros + cells + states; }
};
constexpr long CorrectionsSaid = 20;

// The row as it is stored: five-digit ZIP, state code, trimmed city. Throws
// ReadError for what cannot be stored.
std::array<std::string, 3> storedForm(const std::array<std::string, 3>& row, long line, Corrections& corrections,
                                      const std::string& input) {
    const std::string_view city = ziplist::trimmed(row[0]);
    if (city.empty())
        throw ziplist::ReadError(line, "the city is empty");
    const std::optional<ziplist::Zip> zip = ziplist::zipFrom(row[2]);
    if (!zip)
        throw ziplist::ReadError(line, "\"" + row[2] + "\" is not a ZIP code");
    const std::optional<ziplist::State> state = ziplist::stateFrom(row[1]);
    if (!state)
        throw ziplist::ReadError(line, "\"" + row[1] + "\" is not a US state");
    const auto say = [&](const std::string& what) {
        if (corrections.total() <= CorrectionsSaid)
            std::cerr << input << ":" << line << ": " << what << "\n";
    };
    if (zip->plusFour) {
        ++corrections.plusFour;
        say("ZIP+4 " + row[2] + " stored as " + zip->five);
    } else if (zip->lostZeros) {
        ++corrections.lostZeros;
        say("ZIP " + row[2] + " stored as " + zip->five);
    } else if (zip->cellForm) {
        ++corrections.cells;
        say("ZIP " + row[2] + " (a spreadsheet cell's form) stored as " + zip->five);
    }
    if (state->corrected()) {
        ++corrections.states;
        say("state " + row[1] + " stored as " + state->code);
    }
    return {std::string(city), state->code, zip->five};
}

long build(const std::string& input, const std::string& output, const std::optional<std::string>& columns,
           const std::optional<std::string>& sheetChoice, Corrections& corrections) {
    const int descriptor = openInput(input);
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    // A workbook is told by its first bytes, whatever its name.
    char first[16] = {};
    const ssize_t got = ::pread(descriptor, first, sizeof first, 0);
    const std::string_view firstBytes(first, size_t(std::max<ssize_t>(got, 0)));
    if (const std::string other = workbook::otherFormatOf(firstBytes); !other.empty())
        throw ziplist::ReadError(0, other);
    const workbook::FileKind kind = workbook::fileKindOf(firstBytes);
    if (sheetChoice && kind == workbook::FileKind::Text)
        throw ziplist::ReadError(0, "--sheet: the list is not a workbook");
    std::unique_ptr<workbook::Sheet> sheet;
    std::optional<ziplist::ZipRecords> text;
    if (kind != workbook::FileKind::Text)
        sheet = workbook::openSheet(input, kind, sheetChoice);
    else
        text.emplace(descriptor, columns);
    ziplist::ZipRecords& records =
        sheet ? text.emplace(*sheet, columns, "the sheet \"" + sheet->name() + "\" is empty") : *text;

    olvaris::sqlite::Connection db;
    if (olvaris::sqlite::open(output.c_str(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db) != SQLITE_OK)
        throw BuildError("cannot create " + output + ": " + (db ? sqlite3_errmsg(db.get()) : "out of memory"));
    // The file is new and is thrown away on any failure, so it needs no
    // journal while it is built, and is synced once, whole, before it is
    // renamed into place. Its journal mode stays a rollback journal (only
    // WAL would be recorded in the file), so it is read in a folder no one
    // may write.
    exec(db.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA page_size = 4096;");
    exec(db.get(), olvaris::schema::Table);
    exec(db.get(), "BEGIN");
    olvaris::sqlite::Statement insert;
    check(db.get(), olvaris::sqlite::prepare(db.get(), olvaris::schema::Insert, insert));
    long rows = 0;
    std::array<std::string, 3> row;
    while (records.next(row)) {
        const std::array<std::string, 3> stored = storedForm(row, records.recordLine(), corrections, input);
        for (int i = 0; i < 3; ++i)
            check(db.get(), sqlite3_bind_text(insert.get(), i + 1, stored[size_t(i)].data(),
                                              int(stored[size_t(i)].size()), SQLITE_TRANSIENT));
        check(db.get(), sqlite3_step(insert.get()), SQLITE_DONE);
        check(db.get(), sqlite3_reset(insert.get()));
        ++rows;
    }
    exec(db.get(), "COMMIT");
    // Rows, then indexes: each is written whole, in order, so the file is
    // as compact as a VACUUM would make it.
    exec(db.get(), olvaris::schema::Indexes);
    db.reset();
    const int written = ::open(output.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = written >= 0 && ::fsync(written) == 0;
    if (written >= 0)
        ::close(written);
    if (!synced)
        throw BuildError("cannot write " + output + " to the disk: " + std::strerror(errno));
    return rows;
}

// Whether a file begins as every SQLite database does.
bool isDatabase(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    char header[16] = {};
    const ssize_t got = ::read(descriptor, header, sizeof header);
    ::close(descriptor);
    return got == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

// What the build has made so far, for the signal handler to remove: an
// interrupted build leaves nothing beside the output, and the output as it was.
char g_temporary[4096];
char g_journal[4096 + 8];

extern "C" void abandonBuild(int signal) {
    ::unlink(g_temporary);
    ::unlink(g_journal);
    ::_exit(128 + signal);
}

void removeWorkOnTermination(const std::string& temporary) {
    std::snprintf(g_temporary, sizeof g_temporary, "%s", temporary.c_str());
    std::snprintf(g_journal, sizeof g_journal, "%s-journal", temporary.c_str());
    struct sigaction action {};
    action.sa_handler = abandonBuild;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

void removeWork(const std::string& temporary) {
    std::remove(temporary.c_str());
    std::remove((temporary + "-journal").c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    std::optional<std::string> columns, sheet;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool valued = false;
        for (const auto& [option, value, takes] :
             {std::tuple{"--columns", &columns, "CITY,STATE,ZIP"}, std::tuple{"--sheet", &sheet, "NAME or N"}}) {
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
    const std::string& input = files[0];
    const std::string& output = files[1];
    // The build ends by renaming over the output: a pipe, a device (/dev/null
    // as root) or a folder there would be replaced, not written.
    if (struct stat existing{}; ::stat(output.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            std::cerr << "zipbase-build: " << output << " is not an ordinary file\n";
            return Failed;
        }
        // The output replaces what is there: never the input itself, and
        // never a file that is not a database.
        if (struct stat source{}; ::stat(input.c_str(), &source) == 0 && source.st_dev == existing.st_dev
                                  && source.st_ino == existing.st_ino) {
            std::cerr << "zipbase-build: " << output << " is the input " << input
                      << "; give the database another name (the input is left as it was)\n";
            return Failed;
        }
        if (existing.st_size > 0 && !isDatabase(output)) {
            std::cerr << "zipbase-build: " << output
                      << " is not a database, and the build would replace it; give another name, or remove it "
                         "first\n";
            return Failed;
        }
    }
    const std::string temporary = output + ".building-" + std::to_string(getpid());
    if (temporary.size() >= sizeof g_temporary) {
        std::cerr << "zipbase-build: the output's name is too long\n";
        return Failed;
    }
    removeWork(temporary);
    removeWorkOnTermination(temporary);
    try {
        Corrections corrections;
        const long rows = build(input, temporary, columns, sheet, corrections);
        if (std::rename(temporary.c_str(), output.c_str()) != 0)
            throw BuildError("cannot rename " + temporary + " to " + output + ": " + std::strerror(errno));
        if (corrections.total() > CorrectionsSaid)
            std::cerr << input << ": " << corrections.total() - CorrectionsSaid << " corrections more, not shown\n";
        std::cout << output << ": " << rows << " rows";
        if (corrections.total() > 0)
            std::cout << " (" << corrections.plusFour << " ZIP+4 cut to five digits, " << corrections.lostZeros
                      << " ZIP codes given back their leading zeros, "
                      << (corrections.cells > 0 ? std::to_string(corrections.cells)
                                                      + " read from spreadsheet cells' "
                                                        "forms, "
                                                : std::string())
                      << corrections.states << " states written as their codes)";
        std::cout << "\n";
        return 0;
    } catch (const ziplist::ReadError& error) {
        removeWork(temporary);
        std::cerr << input << (error.line() > 0 ? ":" + std::to_string(error.line()) : std::string()) << ": "
                  << error.what() << "\n";
    } catch (const std::exception& error) {
        removeWork(temporary);
        std::cerr << "zipbase-build: " << error.what() << "\n";
    }
    return Failed;
}
