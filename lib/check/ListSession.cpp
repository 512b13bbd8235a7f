#include "ListSession.h"
#include "Error.h"
#include "Judges.h"
#include "ListCheck.h"
#include "ListUnderCheck.h"
#include "VerdictLog.h"
#include "Sheet.h"
#include "ZipRules.h"
#include <sys/stat.h>

namespace olvaris::check {

namespace {

std::vector<std::string> columnNamesOf(const std::vector<std::string>& fields, bool headerless) {
    std::vector<std::string> names;
    for (size_t column = 0; column < fields.size(); ++column)
        names.push_back(headerless || ziplist::trimmed(fields[column]).empty() ? "Column " + std::to_string(column + 1)
                                                                               : fields[column]);
    return names;
}

// What the check will read, from a list read to its header.
void describeOpened(const ListUnderCheck& list, ListPreview& preview) {
    const ziplist::HeaderRow& header = list.header().row;
    if (const workbook::Sheet* sheet = list.sheet()) {
        preview.sheetNames = sheet->sheetNames();
        preview.sheet = sheet->name();
    }
    preview.columnNames = columnNamesOf(header.fields, header.headerless);
    preview.columns = header.columns;
    preview.groups = header.groups;
    preview.headerless = header.headerless;
    preview.howRead = list.howRead();
    preview.nameColumns = nameColumnsOf(header.headerless ? std::vector<std::string>() : header.fields, header.columns);
    if (preview.nameColumns.empty() && header.headerless)
        preview.nameColumns = nameColumnsOf(preview.columnNames, header.columns);
}

// A list the check refuses: the widest of the rows read looking for its
// header gives the columns to pick from.
void describeRefused(const LeadingRows& leading, ListPreview& preview) {
    preview.sheetNames = leading.sheetNames;
    preview.sheet = leading.sheet;
    const std::vector<std::string>* widest = nullptr;
    size_t widestFilled = 0;
    for (const std::vector<std::string>& row : leading.rows) {
        size_t filled = 0;
        for (const std::string& field : row)
            filled += ziplist::trimmed(field).empty() ? 0 : 1;
        if (filled > widestFilled) {
            widest = &row;
            widestFilled = filled;
        }
    }
    if (widest)
        preview.columnNames = columnNamesOf(*widest, false);
    preview.unreadable = preview.columnNames.empty();
}

constexpr const char* ChangedSince = "the list has changed since it was checked: check it again";

} // namespace

std::string problemText(const Error& error, const std::string& list) {
    const std::string where = error.where().empty() ? list : error.where();
    return (error.line() > 0 ? where + ':' + std::to_string(error.line()) : where) + ": " + error.what();
}

ListSession::ListSession(std::string database) : m_database(std::move(database)) {}

ListSession::~ListSession() = default;

ListSession::Identity ListSession::identityOf(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return {};
    return {status.st_dev, status.st_ino, status.st_size,
            status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec};
}

ListPreview ListSession::open(const ListCheckOptions& options) {
    m_options = options;
    m_list.reset();
    m_verdicts.reset();
    ListPreview preview;
    preview.file = options.file;
    LeadingRows leading;
    try {
        m_list = std::make_unique<ListUnderCheck>(options, &leading);
        describeOpened(*m_list, preview);
    } catch (const Error& error) {
        preview.problem = problemText(error, options.file);
        describeRefused(leading, preview);
    }
    return preview;
}

Tally ListSession::check(CheckedOutput& output, const std::atomic<bool>* stop) {
    m_verdicts.reset();
    if (!m_list)
        m_list = std::make_unique<ListUnderCheck>(m_options);
    struct Done {
        std::unique_ptr<ListUnderCheck>& list;
        ~Done() { list.reset(); } // checked or not, read again for the next check
    } done{m_list};
    const Identity identity = identityOf(m_list->descriptor());
    auto verdicts = std::make_unique<VerdictLog>();
    DatabaseJudges judges(m_database, verdicts.get());
    Tally tally;
    try {
        tally = m_list->check(judges, output, false, stop);
    } catch (...) {
        output.abandon();
        throw;
    }
    output.finish(tally);
    m_verdicts = std::move(verdicts);
    m_checked = identity;
    return tally;
}

double ListSession::fractionRead() const { return m_list ? m_list->fractionRead() : -1; }

void ListSession::save(const std::string& path, bool problemsOnly, bool apply, const std::atomic<bool>* stop) {
    if (!m_verdicts)
        throw Error(Error::Kind::Usage, "the list has not been checked", m_options.file);
    ListCheckOptions options = m_options;
    options.output = path;
    options.problemsOnly = problemsOnly;
    options.apply = apply;
    options.json = false;
    const JudgeFor recorded = [this](const ListUnderCheck& list) -> std::unique_ptr<RowJudge> {
        if (!(identityOf(list.descriptor()) == m_checked))
            throw Error(Error::Kind::Input, ChangedSince);
        return std::make_unique<RecordedVerdicts>(*m_verdicts);
    };
    writeListCheck(options, m_database, nullptr, recorded, stop, true);
}

} // namespace olvaris::check
