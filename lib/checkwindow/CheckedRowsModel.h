#pragma once
#include "CheckedRowStore.h"
#include "VerdictGroups.h"
#include <QAbstractTableModel>
#include <array>
#include <atomic>
#include <thread>
#include <optional>
#include <vector>

namespace olvaris::listcheck {

// The checked rows as the window's table shows them: the row's number in
// the list, its name, city, state and ZIP as written, the verdict, the
// suggestion and the note. Shows the rows of one verdict group, or all, that
// hold a filter's text; sorted by any column, by default the rows to look at
// first. Rows that arrive while a check runs are added at the end.
class CheckedRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { RowNumber, Name, City, State, Zip, Verdict, Suggestion, Note, ColumnCount };

    explicit CheckedRowsModel(QObject* parent = nullptr);
    ~CheckedRowsModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    void clear();
    void append(const RowBatch& batch);
    void append(const std::vector<RowBatch>& batches) {
        for (const RowBatch& batch : batches)
            append(batch);
    }
    // The order rows are shown in when no column was chosen: the verdicts
    // that need a person most first, each in the list's order.
    void sortLookFirst();
    void showGroup(std::optional<VerdictGroup> group);
    std::optional<VerdictGroup> shownGroup() const { return m_group; }
    // Rows holding the text (in any letter case) in a shown column.
    void setFilterText(const QString& text);

    // Every row checked, and those of each group, whatever is shown.
    size_t checkedRows() const { return m_store.size(); }
    long groupCount(VerdictGroup group) const { return m_groupCounts[size_t(group)]; }
    // A shown row as a line of text, its columns separated by tabs.
    QString rowAsText(int row) const;
    const CheckedRowStore& store() const { return m_store; }
    // While a check adds rows, a sort is made at once; after it, a big
    // list is sorted on a thread of its own.
    void setGrowing(bool growing);

signals:
    // A sort on its own thread began (true) or ended (false).
    void sorting(bool underWay);

private:
    bool shows(size_t row) const;
    QString text(size_t row, int column) const;
    void rebuild();
    void stopSorting();
    static std::vector<std::uint32_t> sorted(const CheckedRowStore& store, std::vector<std::uint32_t> rows, int column,
                                             Qt::SortOrder order, const std::atomic<bool>& cancel);
    template <typename Arrange>
    void reorder(Arrange arrange);

    CheckedRowStore m_store;
    std::vector<std::uint32_t> m_shown; // store rows, in the order shown
    std::array<long, VerdictGroupCount> m_groupCounts{};
    std::optional<VerdictGroup> m_group;
    std::string m_filter; // in small letters
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    static constexpr size_t BackgroundSortRows = 100000;
    bool m_growing = false;
    std::thread m_sorter;
    std::atomic<bool> m_cancelSort{false};
    unsigned m_generation = 0; // the shown rows' arrangement, changed by every sort, filter and reset
};

} // namespace olvaris::listcheck
