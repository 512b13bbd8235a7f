// Builds the program's database from a CSV file of city,state,zip records.
// Usage: zipbase-build <input.csv> <output zipbase.mdb>
// Nothing is written unless the whole input is valid: the database is built
// under a temporary name beside the output and renamed over it at the end.
#include "CsvReader.h"
#include <sqlite3.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

class BuildError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw BuildError(text);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw BuildError("cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw BuildError("cannot read " + path);
    return text.str();
}

constexpr const char* Schema = R"sql(
PRAGMA journal_mode = DELETE;
PRAGMA page_size = 4096;
CREATE TABLE zip_codes (
    city  TEXT COLLATE NOCASE,
    state TEXT COLLATE NOCASE,
    zip   TEXT COLLATE NOCASE
);
)sql";

// The list is read in city, state, zip order, and the search matches a
// prefix of any one of the three columns. Each index holds all three, so a
// search reads its index ranges only, never the table's rows one by one.
constexpr const char* Indexes = R"sql(
CREATE INDEX zip_codes_by_place ON zip_codes (city, state, zip);
CREATE INDEX zip_codes_by_state ON zip_codes (state, city, zip);
CREATE INDEX zip_codes_by_zip ON zip_codes (zip, city, state);
ANALYZE;
)sql";

long build(const std::string& input, const std::string& output) {
    zipbase::CsvReader reader(readFile(input));
    std::vector<std::string> fields;
    if (!reader.next(fields))
        throw zipbase::CsvError(1, "empty file: expected the header city,state,zip");
    if (fields != std::vector<std::string>{"city", "state", "zip"})
        throw zipbase::CsvError(reader.recordLine(), "the header must be city,state,zip");

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(output.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw BuildError("cannot create " + output + ": " + message);
    }
    long rows = 0;
    try {
        exec(db, Schema);
        exec(db, "BEGIN");
        sqlite3_stmt* insert = nullptr;
        if (sqlite3_prepare_v2(db, "INSERT INTO zip_codes (city, state, zip) VALUES (?1, ?2, ?3)", -1, &insert,
                               nullptr)
            != SQLITE_OK)
            throw BuildError(sqlite3_errmsg(db));
        try {
            while (reader.next(fields)) {
                if (fields.size() != 3)
                    throw zipbase::CsvError(reader.recordLine(), "expected 3 fields, found " + std::to_string(fields.size()));
                for (int i = 0; i < 3; ++i)
                    sqlite3_bind_text(insert, i + 1, fields[size_t(i)].data(), int(fields[size_t(i)].size()), SQLITE_TRANSIENT);
                if (sqlite3_step(insert) != SQLITE_DONE)
                    throw BuildError(sqlite3_errmsg(db));
                sqlite3_reset(insert);
                ++rows;
            }
        } catch (...) {
            sqlite3_finalize(insert);
            throw;
        }
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        exec(db, Indexes);
        exec(db, "VACUUM");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    if (sqlite3_close(db) != SQLITE_OK)
        throw BuildError("cannot finish " + output);
    return rows;
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: zipbase-build <input.csv> <output zipbase.mdb>\n";
        return 2;
    }
    const std::string input = argv[1], output = argv[2];
    const std::string temporary = output + ".building-" + std::to_string(getpid());
    if (temporary.size() >= sizeof g_temporary) {
        std::cerr << "zipbase-build: the output's name is too long\n";
        return 1;
    }
    std::remove(temporary.c_str());
    removeWorkOnTermination(temporary);
    try {
        const long rows = build(input, temporary);
        if (std::rename(temporary.c_str(), output.c_str()) != 0)
            throw BuildError("cannot rename " + temporary + " to " + output);
        std::cout << output << ": " << rows << " rows\n";
        return 0;
    } catch (const zipbase::CsvError& error) {
        std::remove(temporary.c_str());
        std::remove((temporary + "-journal").c_str());
        std::cerr << input << ":" << error.line() << ": " << error.what() << "\n";
    } catch (const std::exception& error) {
        std::remove(temporary.c_str());
        std::remove((temporary + "-journal").c_str());
        std::cerr << "zipbase-build: " << error.what() << "\n";
    }
    return 1;
}
