#pragma once
#include "CheckedOutput.h"
#include "HeaderRow.h"
#include "ListCheckOptions.h"
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olvaris::workbook {
class Sheet;
}
namespace olvaris::ziplist {
class RecordReader;
}

namespace olvaris::check {

class RowJudge;

// A text list's record read while its header was looked for, kept whole.
struct RecordRead {
    long line = 0;
    std::vector<std::string> fields;
    std::string text; // as read, its line end included
    size_t contentEnd = 0;
    std::vector<ziplist::FieldSpan> spans;
    RecordAsRead asRead() const { return {text, contentEnd, &spans}; }
};

// A list's header as the check found it, with the rows above it (a sheet's
// title block) and how a text list is written.
struct ListHeader {
    ziplist::HeaderRow row;
    std::vector<std::vector<workbook::Cell>> above;
    std::vector<workbook::Cell> cells; // a sheet's header cells
    char separator = ',';
    bool byteOrderMark = false; // a CSV made of it starts with UTF-8's mark
    // A text list's own records, as read: above the header (blank ones
    // too), the header (none for a list without one), and the blank ones
    // between it and the first row.
    std::vector<RecordRead> textAbove;
    std::optional<RecordRead> textHeader;
    std::vector<RecordRead> textBetween;
    std::vector<RecordRead> textRead; // while the header is looked for
    // How a text list is written.
    ziplist::Encoding encoding = ziplist::Encoding::Utf8;
    bool utf8Mark = false; // it starts with UTF-8's byte-order mark
    bool bigEndian = false;
};

// The first rows of a list whose header was not found, as read while it was
// looked for: what the person picks the columns from.
struct LeadingRows {
    std::vector<std::string> sheetNames; // a workbook's; empty for a text list
    std::string sheet;                   // the one read
    std::vector<std::vector<std::string>> rows;
};

// An address list opened for its check and read up to its header: the one
// engine behind the command line's check and the window's, so both judge
// every row alike. Not copied; used on one thread.
class ListUnderCheck {
public:
    // Opens options.file (a CSV or TSV, a workbook's sheet) and finds its
    // header. Throws olvaris::Error (ziplist::ReadError among them), naming
    // what is wrong with the list and, where it knows, the line; where the
    // header was not found, the rows read looking for it are left in
    // *leading first.
    explicit ListUnderCheck(const ListCheckOptions& options, LeadingRows* leading = nullptr);
    ~ListUnderCheck();
    ListUnderCheck(const ListUnderCheck&) = delete;
    ListUnderCheck& operator=(const ListUnderCheck&) = delete;

    // "standard input", or the file as given.
    const std::string& name() const { return m_name; }
    // The descriptor the list is read from, which an output may never be.
    int descriptor() const { return m_descriptor; }
    // A workbook's sheet, or null for a text list.
    workbook::Sheet* sheet() const { return m_sheet.get(); }
    // The header with the columns found; an earlier check's verdict columns
    // left out.
    const ListHeader& header() const { return m_header; }
    // The sheet's name, or the text list's file name without its extension.
    std::string outputSheetName() const;
    // A sheet's columns hidden, one a header field.
    std::vector<bool> hiddenColumns() const;
    // How the rows are read where the header did not name the columns (no
    // header, a column of whole addresses, address groups); empty where it did.
    std::string howRead() const;
    // Where an earlier check's columns begin in the list's own header, and
    // how many there are (0: none): a copy of the list leaves them out.
    std::pair<size_t, size_t> earlierColumns() const { return {m_earlier, m_earlierCount}; }
    // How much of the list has been read, from 0 to 1; below 0 where that
    // cannot be told (standard input, a workbook's compressed sheet).
    double fractionRead() const;

    // Judges every row after the header and gives it to output, in the
    // list's order; the counts. With apply, the certain corrections are made
    // in the row's fields first. Throws olvaris::Error where the list cannot
    // be read on, and CheckStopped as soon as *stop is set.
    Tally check(RowJudge& judge, CheckedOutput& output, bool apply, const std::atomic<bool>* stop = nullptr);

private:
    void keepLeadingRows(LeadingRows& leading) const;

    std::string m_name;
    int m_descriptor = -1;
    std::unique_ptr<workbook::Sheet> m_sheet;
    std::unique_ptr<ziplist::RecordReader> m_reader;
    ListHeader m_header;
    size_t m_earlier = 0;      // where an earlier check's columns begin
    size_t m_earlierCount = 0; // and how many there are
    long long m_size = -1;     // the file's bytes, where it is one
};

} // namespace olvaris::check
