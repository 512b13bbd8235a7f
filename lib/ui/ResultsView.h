#pragma once
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

namespace olvaris {

// The results list on screen: a table in report style whose rows all have
// one fixed height (the hidden row header's default section size), so it
// keeps nothing per row. The row header is given a model of no rows: Qt's
// header keeps a record per row and walks all of them when one is removed,
// which took tens of milliseconds at ten million rows. So the view places,
// paints and hit-tests its rows itself, from the scroll bar's value.
//
// At the keyboard it is a report list: Tab leaves it, Up/Down/Page Up/
// Page Down/Home/End move the selected row, Left/Right scroll the columns,
// and the selection and the focus mark are whole rows.
class ResultsView : public QTableView {
    Q_OBJECT
public:
    explicit ResultsView(QWidget* parent = nullptr);
    ~ResultsView() override;

    void setModel(QAbstractItemModel* model) override;
    QModelIndex indexAt(const QPoint& point) const override;
    QRect visualRect(const QModelIndex& index) const override;

    // Scrolls so the row is in view, with the scroll range brought up to
    // date first: rows arrive in batches, and the view lays them out lazily.
    void scrollToRow(int row);
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    // Follows the newest row of a run: scrolls to it now, or, while a screen
    // reader listens, at most four times a second (the last row always).
    // Each move is news to the reader, which asks about it before it passes
    // on the next key; sixty a second kept Stop from the program.
    void followRow(int row);

    // The width that fits a column (a double click on the divider after its
    // header): its widest text over every row listed, from the few longest
    // texts the list keeps, so ten million rows take no longer than ten.
    // Qt's own would measure the rows of the row header, which lists none.
    int sizeHintForColumn(int column) const override;
    // Type-to-find: the next row whose city begins with what was typed,
    // searched from the current row for at most a few milliseconds a key,
    // so ten million rows cost no more than a thousand.
    void keyboardSearch(const QString& search) override;

protected:
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    bool event(QEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // QTableView's row functions that are not virtual answer from the row
    // header, which lists no rows here (-1, 0, nothing hidden): not offered.
    // indexAt() and visualRect() give a row's place.
    using QTableView::hideRow;
    using QTableView::isRowHidden;
    using QTableView::resizeRowsToContents;
    using QTableView::resizeRowToContents;
    using QTableView::rowAt;
    using QTableView::rowHeight;
    using QTableView::rowViewportPosition;
    using QTableView::setRowHeight;
    using QTableView::setRowHidden;
    using QTableView::showRow;

    void paintRows();
    int uniformRowHeight() const;
    int topRow() const;
    int rowsListed() const;
    // Whole rows the viewport shows.
    int rowsInView() const;

    void followLater();

    static constexpr qint64 TypeToFindMilliseconds = 15;
    static constexpr qint64 FollowIntervalMilliseconds = 250;
    QElapsedTimer m_followed;
    QTimer m_followTimer;
    int m_rowToFollow = -1;
    QAbstractItemModel* m_noRows;
    QString m_typed;
    QElapsedTimer m_typedTimer;
    QList<QMetaObject::Connection> m_modelConnections;
};

} // namespace olvaris
