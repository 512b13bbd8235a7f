#pragma once
#include "LongestTexts.h"
#include <QAbstractTableModel>
#include <QByteArrayView>
#include <QStringList>
#include <QTimer>
#include "RowStore.h"
#include "TextArena.h"
#include <array>
#include <cstdint>

namespace olvaris {

// The results: rows of city, state and ZIP code in the order they were added.
//
// Rows live in a UTF-8 arena with a 12-byte record each, and become QStrings
// only when a cell is painted. Every reader sees a row the moment it
// is added; the view learns of new rows only when announce() runs (once per
// frame, from the yield, and once the loop is idle), because a view update
// per row is what makes long lists slow.
//
// Rows are numbered from 1 to count(); columns from 1 (the city, the item's
// own text) to headerCount(). A number out of range fails with a Failure.
class ResultsList : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsList(QObject* parent = nullptr);

    // Columns, added by start-up.
    void addColumn(const QString& caption);
    int headerCount() const { return int(m_headers.size()); }
    QString headerText(int column) const;

    // Rows.
    int count() const { return int(m_rows.size()); }
    void clear();
    int add(const QString& city);
    int addUtf8(QByteArrayView city);
    void setSubItem(int number, int subItem, const QString& text);
    void setSubItemUtf8(int number, int subItem, QByteArrayView text);
    void ensureVisible(int number);
    void remove(int number);
    QString itemText(int number, int column) const;
    QByteArrayView itemUtf8(int number, int column) const;
    // A row's three texts at once, for the commands that read every row.
    std::array<QByteArrayView, 3> rowUtf8(int number) const;

    // Tells the view about rows added since the last call, and scrolls to the
    // row last made visible.
    void announce();

    // Changes whenever rows are removed or the list is cleared, so a reader
    // that yields can tell that the rows it counted are no longer there.
    quint64 generation() const { return m_generation; }

    // The UTF-8 bytes of one column's texts over all rows: what a command
    // that writes the list out needs to reserve before it starts.
    std::uint64_t columnBytes(int column) const;

    // The row (from 0; -1: none) whose city a screen reader is told as the
    // whole row: the row that took a removed one's place, which a reader
    // would otherwise say as its city alone (it says whole rows only when the
    // row number changes). Not stored: the view sets it and clears it.
    void setRowSaidWhole(int row) { m_saidWhole = row; }

    // The rows (from 0) of a column's longest texts, for fitting the column
    // to its widest without measuring every row.
    std::vector<int> longestRows(int column) const;

    // Bytes the store holds for its rows (records and text).
    size_t storeBytes() const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void scrollRequested(int row);
    // The first row after the list was empty is waiting to be shown.
    void firstRowWaiting();

private:
    // Where a row's three texts lie (together, city first) and how long each
    // is: a 40-bit offset, a 24-bit city length, 16-bit state and zip lengths.
    struct Row {
        std::uint32_t word[3];
        std::uint64_t offset() const { return word[0] | (std::uint64_t(word[1] & 0xFFu) << 32); }
        std::uint64_t length(int column) const {
            return column == 1 ? word[1] >> 8 : column == 2 ? word[2] & 0xFFFFu : word[2] >> 16;
        }
        std::uint64_t total() const { return length(1) + length(2) + length(3); }
        void setOffset(std::uint64_t offset) {
            word[0] = std::uint32_t(offset);
            word[1] = (word[1] & ~0xFFu) | std::uint32_t(offset >> 32);
        }
        void setLength(int column, std::uint64_t length);
    };
    static_assert(sizeof(Row) == 12);
    static constexpr std::uint64_t MaxOffset = (std::uint64_t(1) << 40) - 1;
    static std::uint64_t maxLength(int column) { return column == 1 ? 0xFFFFFFu : 0xFFFFu; }

    static constexpr qsizetype ShownBytes = 1024;
    static constexpr size_t ReleaseAsideBytes = size_t(16) << 20;
    void releaseStore();

    static constexpr size_t HeadroomCheckEvery = 4096;
    static constexpr size_t HeadroomMargin = 8u << 20;
    void ensureHeadroom() const;

    [[noreturn]] static void failOutOfBounds();
    const Row& rowAt(int number) const;
    Row& rowAt(int number);
    QByteArrayView field(const Row& row, int column) const;
    void setField(Row& row, int column, QByteArrayView text);
    void scheduleAnnounce();

    QStringList m_headers;
    RowStore<Row> m_rows;
    TextArena m_arena;
    int m_announced = 0;
    int m_scrollTo = -1;
    quint64 m_generation = 0;
    std::uint64_t m_columnBytes[3] = {0, 0, 0};
    LongestTexts m_longest[3];
    int m_saidWhole = -1;
    // Announces what is still waiting once the event loop is idle again, so
    // the last rows of a run show even when no further yield comes.
    QTimer m_announceLater;
};

// Inline: the copy and the saves call it once a row, millions of times.
inline std::array<QByteArrayView, 3> ResultsList::rowUtf8(int number) const {
    if (number < 1 || number > count())
        failOutOfBounds();
    const Row& row = m_rows[size_t(number - 1)];
    const auto city = qsizetype(row.length(1)), state = qsizetype(row.length(2)), zip = qsizetype(row.length(3));
    if (city + state + zip == 0)
        return {QByteArrayView("", 0), QByteArrayView("", 0), QByteArrayView("", 0)};
    const char* text = m_arena.at(row.offset());
    return {QByteArrayView(text, city), QByteArrayView(text + city, state), QByteArrayView(text + city + state, zip)};
}

} // namespace olvaris
