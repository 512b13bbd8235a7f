#include "RowsRun.h"
#include "Complaint.h"
#include "Error.h"
#include "ReadError.h"

namespace olvaris::lookup {

int runWritingRows(RowWriter& writer, const std::string& database, const std::function<int()>& command) {
    int status = 0;
    try {
        status = command();
    } catch (const ziplist::ReadError& error) {
        writer.finish();
        throw Error(Error::Kind::Input, error.what(), "standard input", error.line());
    } catch (const Error& error) {
        writer.finish();
        throw Error(error.kind(), error.what(), error.where().empty() ? database : error.where(), error.line());
    }
    if (!writer.finish())
        throw Error(Error::Kind::Output, "the rows could not be written", "standard output");
    return status;
}

bool nextInputLine(ziplist::RecordReader& lines, long& tooLong) {
    for (;;) {
        try {
            return lines.next();
        } catch (const ziplist::RecordTooLong& error) {
            complain("standard input:" + std::to_string(error.line()), std::string(error.what()) + ": passed over");
            lines.skipLine();
            ++tooLong;
        }
    }
}

} // namespace olvaris::lookup
