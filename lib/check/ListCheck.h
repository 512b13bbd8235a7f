#pragma once
#include "CheckedOutput.h"
#include "ListCheckOptions.h"
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace olvaris {
class Error;
}

namespace olvaris::check {

class ListUnderCheck;
class RowJudge;

// Checks every row of an address list (CSV or TSV with a header, or a
// workbook's sheet: .xlsx, .ods, .xls) against the table and writes it with
// its verdict, in the input's order: CSV with the input's separator and
// columns and three more (verdict, suggested_zip, note), JSON Lines, or a
// workbook (the sheet's cells as they were, the three columns, the rows to
// look at filled, a sheet of counts). A summary goes to standard error.
// Status: 0 every row ok, 1 some not, 2 a file that cannot be read as a list
// (one line naming the file and the line) or a database that cannot.
// The database is opened only once the list's header has been read.
int checkList(const ListCheckOptions& options, const std::string& database, std::FILE* out);

// What a whole check came to.
struct CheckOutcome {
    Tally tally;
    std::string howRead; // how the rows were read, where no header named the columns
};

// The check as checkList makes it, into out or options.output, without a
// word on standard error: throws olvaris::Error (its where() filled in with
// the file it is about), and CheckStopped as soon as *stop is set, the
// output then taken back. With replaceForeign, an output file that is not an
// earlier check's is replaced too (its owner was asked).
CheckOutcome runListCheck(const ListCheckOptions& options, const std::string& database, std::FILE* out,
                          const std::atomic<bool>* stop = nullptr, bool replaceForeign = false);

// Where the rows' verdicts come from, made once the list's header is read.
using JudgeFor = std::function<std::unique_ptr<RowJudge>(const ListUnderCheck& list)>;
// runListCheck with the verdicts given by judgeFor's judge: the rules, or a
// check already made (a save that writes what was shown).
CheckOutcome writeListCheck(const ListCheckOptions& options, const std::string& database, std::FILE* out,
                            const JudgeFor& judgeFor, const std::atomic<bool>* stop = nullptr,
                            bool replaceForeign = false);

// An error as the check says it: "file:line: message", the file the one it
// is about.
std::string describeCheckError(const Error& error);

// Whether a check of these counts leaves rows to mend.
bool anyProblem(const Tally& tally);

} // namespace olvaris::check
