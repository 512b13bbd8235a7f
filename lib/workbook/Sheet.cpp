#include "Sheet.h"
#include "ReadError.h"
#include "SheetLimits.h"
#include <new>

namespace olvaris::workbook {

bool Sheet::next() {
    try {
        return readRow();
    } catch (const std::bad_alloc&) {
        // What was read is let go on the way here: the message has room.
        throw ziplist::ReadError(m_row, OutOfMemory);
    }
}

void Sheet::settle(long times) {
    m_fields.resize(m_cells.size());
    uint64_t size = 0;
    for (size_t i = 0; i < m_cells.size(); ++i) {
        m_fields[i] = m_cells[i].text;
        size += m_fields[i].size() + 1;
    }
    // A row is at most 16,384 cells of 32,767 characters, and comes at most
    // a million times: the product fits.
    m_given += size * uint64_t(times);
    if (m_given > MostTextGiven)
        throw ziplist::ReadError(m_row, "the sheet gives more than " + std::to_string(MostTextGiven >> 30)
                                            + " GiB of text, more than any list of addresses: refused");
}

} // namespace olvaris::workbook
