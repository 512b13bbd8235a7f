#include "Judges.h"
#include "DatabaseFile.h"
#include "SheetVerdict.h"
#include "VerdictLog.h"

namespace olvaris::check {

RowVerdict Judges::verdictOn(const std::array<workbook::Cell, 3>& place, bool formulasReadEmpty) {
    RowVerdict verdict = judgeCells(index, place[0], place[1], place[2], formulasReadEmpty, factsOrNull());
    if (log)
        log->add(verdict);
    return verdict;
}

DatabaseJudges::DatabaseJudges(const std::string& database, VerdictLog* log)
    : m_db(lookup::openDatabaseFile(database)), m_judges(m_db.get(), log) {}

} // namespace olvaris::check
