#include "ListCheck.h"
#include "CheckedRows.h"
#include "CheckedText.h"
#include "CheckedWorkbook.h"
#include "Complaint.h"
#include "DatabaseFile.h"
#include "EarlierOutput.h"
#include "Error.h"
#include "FileName.h"
#include "Judges.h"
#include "ListUnderCheck.h"
#include "OutputFile.h"
#include <memory>
#include <new>

namespace olvaris::check {

namespace {

constexpr int AllOk = 0;
constexpr int SomeNotOk = 1;

using Kind = RowVerdict::Kind;

void summarize(const std::string& file, const Tally& tally) {
    std::fprintf(stderr,
                 "olvaris-lookup: %s: %ld %s read: %ld ok, %ld corrected (format), %ld under a local name, %ld "
                 "mismatched, %ld unknown (%ld city, %ld ZIP), %ld retired ZIP, %ld incomplete, %ld with no "
                 "address\n",
                 lookup::shownSafely(file).c_str(), tally.rows, tally.rows == 1 ? "row" : "rows", tally.of(Kind::Ok),
                 tally.of(Kind::Format), tally.of(Kind::LocalName), tally.of(Kind::Mismatch),
                 tally.of(Kind::UnknownCity) + tally.of(Kind::UnknownZip), tally.of(Kind::UnknownCity),
                 tally.of(Kind::UnknownZip), tally.of(Kind::RetiredZip), tally.of(Kind::Incomplete),
                 tally.of(Kind::NoAddress));
}

// Where the checked list goes: standard output, or a file (a workbook by its
// name). Throws olvaris::Error (Output) where the file cannot be made.
std::unique_ptr<CheckedOutput> outputFor(const ListCheckOptions& options, const ListUnderCheck& list,
                                         const std::string& database, std::FILE* out, bool replaceForeign,
                                         std::unique_ptr<OutputFile>& file) {
    const ListHeader& header = list.header();
    // A text list's CSV is the list itself, with the verdict's columns.
    const auto rowsTo = [&](std::FILE* stream) -> std::unique_ptr<CheckedOutput> {
        if (!list.sheet() && !options.json)
            return std::make_unique<CheckedText>(stream, header, list.earlierColumns(), options.problemsOnly);
        return std::make_unique<CheckedRows>(stream, options.json, options.problemsOnly, header.separator,
                                             header.byteOrderMark);
    };
    if (!options.output)
        return rowsTo(out);
    const bool openDocument = nameEndsWith(*options.output, ".ods");
    const bool workbook = openDocument || nameEndsWith(*options.output, ".xlsx");
    file = std::make_unique<OutputFile>(*options.output,
                                        workbook ? OutputFile::Filling::ByName : OutputFile::Filling::Stream,
                                        std::vector<ReadFile>{{list.descriptor(), {}, "the list being checked"},
                                                              {-1, database, "the database being read"}});
    // Another's file is never replaced: only an earlier check's output or an empty file.
    if (const std::string foreign = foreignOutput(*options.output); !foreign.empty() && !replaceForeign)
        throw Error(Error::Kind::Output, "not replaced: " + foreign, *options.output);
    if (workbook)
        return std::make_unique<CheckedWorkbook>(file->temporaryPath(), openDocument, list.outputSheetName(),
                                                 fileNameOf(list.name()), options.problemsOnly, list.hiddenColumns());
    return rowsTo(file->stream());
}

// The rows above the header and the header itself, as the output keeps them.
void writeHeader(CheckedOutput& output, const ListHeader& header, bool fromSheet) {
    const bool asRead = header.textAbove.size() == header.above.size();
    for (size_t i = 0; i < header.above.size(); ++i) {
        const std::vector<workbook::Cell>& cells = header.above[i];
        std::vector<std::string> fields;
        fields.reserve(cells.size());
        for (const workbook::Cell& cell : cells)
            fields.push_back(cell.text);
        ListRow row{0, 0, &fields, &cells, false, {}};
        const RecordAsRead record = asRead ? header.textAbove[i].asRead() : RecordAsRead();
        row.record = asRead ? &record : nullptr;
        output.above(row);
    }
    ListRow row{0, header.row.line, &header.row.fields, fromSheet ? &header.cells : nullptr, false, {}};
    const RecordAsRead record = header.textHeader ? header.textHeader->asRead() : RecordAsRead();
    row.record = header.textHeader ? &record : nullptr;
    output.header(row);
    for (const RecordRead& between : header.textBetween)
        output.passed(between.asRead());
}

// An error with the file it is about named: the list's, the database's or
// the output's, by its kind, where the thrower did not say.
Error placed(const Error& error, const std::string& list, const std::string& database, const std::string& output) {
    if (!error.where().empty())
        return error;
    const std::string& where = error.kind() == Error::Kind::Database ? database
                               : error.kind() == Error::Kind::Output ? output
                                                                     : list;
    return Error(error.kind(), error.what(), where, error.line());
}

} // namespace

bool anyProblem(const Tally& tally) {
    // A town's name people use is as deliverable as its own; a contact with
    // no address has nothing to mend.
    for (size_t kind = 0; kind < tally.kinds.size(); ++kind)
        if (hasProblem(Kind(kind)) && tally.kinds[kind] > 0)
            return true;
    return false;
}

std::string describeCheckError(const Error& error) {
    return error.line() > 0 ? error.where() + ':' + std::to_string(error.line()) : error.where();
}

CheckOutcome runListCheck(const ListCheckOptions& options, const std::string& database, std::FILE* out,
                          const std::atomic<bool>* stop, bool replaceForeign) {
    const JudgeFor rules = [&database](const ListUnderCheck&) { return std::make_unique<DatabaseJudges>(database); };
    return writeListCheck(options, database, out, rules, stop, replaceForeign);
}

CheckOutcome writeListCheck(const ListCheckOptions& options, const std::string& database, std::FILE* out,
                            const JudgeFor& judgeFor, const std::atomic<bool>* stop, bool replaceForeign) {
    const std::string name = options.file == "-" ? std::string("standard input") : options.file;
    const std::string outputName = options.output ? *options.output : std::string("standard output");
    std::unique_ptr<CheckedOutput> output;
    std::unique_ptr<OutputFile> outputFile;
    try {
        ListUnderCheck list(options);
        const std::unique_ptr<RowJudge> judge = judgeFor(list);
        output = outputFor(options, list, database, out, replaceForeign, outputFile);
        writeHeader(*output, list.header(), list.sheet() != nullptr);
        CheckOutcome outcome{list.check(*judge, *output, options.apply, stop), list.howRead()};
        judge->rowsEnded();
        if (!output->finish(outcome.tally))
            throw Error(Error::Kind::Output, output->problem(), outputName);
        if (outputFile)
            outputFile->commit();
        return outcome;
    } catch (...) {
        // The rows before the trouble stand in a stream; a file is not made.
        if (output)
            output->abandon();
        try {
            throw;
        } catch (const Error& error) {
            throw placed(error, name, database, outputName);
        } catch (const std::bad_alloc&) {
            throw Error(Error::Kind::Input, "out of memory: the list is larger than this machine can check", name);
        }
    }
}

int checkList(const ListCheckOptions& options, const std::string& database, std::FILE* out) {
    try {
        const CheckOutcome outcome = runListCheck(options, database, out);
        const std::string name = options.file == "-" ? std::string("standard input") : options.file;
        // How the list was read where nothing in it named the columns, said
        // before the counts: no customer is taken for a header without a word.
        if (!outcome.howRead.empty())
            std::fprintf(stderr, "olvaris-lookup: %s: %s\n", lookup::shownSafely(name).c_str(),
                         lookup::shownSafely(outcome.howRead).c_str());
        summarize(name, outcome.tally);
        return anyProblem(outcome.tally) ? SomeNotOk : AllOk;
    } catch (const Error& error) {
        return lookup::complain(describeCheckError(error), error.what());
    }
}

} // namespace olvaris::check
