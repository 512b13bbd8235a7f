#pragma once
#include "RowJudge.h"
#include <cstdio>
#include <string>

namespace olvaris::check {

// Every verdict of a check, in the list's order, kept in an unnamed
// temporary file rather than in memory: a million rows' notes would
// otherwise stay resident for as long as the window shows them.
class VerdictLog {
public:
    VerdictLog();
    ~VerdictLog();
    VerdictLog(const VerdictLog&) = delete;
    VerdictLog& operator=(const VerdictLog&) = delete;

    // Throws olvaris::Error (Output) where the temporary file cannot take it.
    void add(const RowVerdict& verdict);
    long size() const { return m_count; }
    // Reading from the first verdict on.
    void rewind();
    // The next verdict; false after the last.
    bool next(RowVerdict& verdict);

private:
    void put(const std::string& text);
    bool get(std::string& text);

    std::FILE* m_file = nullptr;
    long m_count = 0;
    long m_read = 0;
};

// The verdicts of a check made before, handed out again row by row. A list
// that has more rows than were checked is no longer the list checked.
class RecordedVerdicts : public RowJudge {
public:
    explicit RecordedVerdicts(VerdictLog& log) : m_log(log) { m_log.rewind(); }
    RowVerdict verdictOn(const std::array<workbook::Cell, 3>& place, bool formulasReadEmpty) override;
    // Throws olvaris::Error where the list had fewer rows than were checked.
    void rowsEnded() override;

private:
    VerdictLog& m_log;
};

} // namespace olvaris::check
