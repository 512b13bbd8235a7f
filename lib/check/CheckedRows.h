#pragma once
#include "CheckedOutput.h"
#include "RowWriter.h"
#include <cstdio>

namespace olvaris::check {

// The checked list as text: CSV with the list's separator and columns and
// three more (verdict, suggested_zip, note), or JSON Lines, one object a
// row with its place, verdict and fields.
class CheckedRows : public CheckedOutput {
public:
    CheckedRows(std::FILE* out, bool json, bool problemsOnly, char separator, bool byteOrderMark);
    void header(const ListRow& header) override;
    void row(const ListRow& row, const RowVerdict& verdict) override;
    bool finish(const Tally&) override;
    void abandon() override { m_writer.finish(); }
    std::string problem() const override;

private:
    void noteFailure();

    std::FILE* m_out;
    lookup::RowWriter m_writer;
    int m_error = 0; // what the system said when a write first failed
    bool m_json, m_problemsOnly;
    char m_separator;
    bool m_byteOrderMark;
    size_t m_headerFields = 0;
};

} // namespace olvaris::check
