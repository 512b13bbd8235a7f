#pragma once
#include <QTableView>

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
    void paintRows();
    int uniformRowHeight() const;
    int topRow() const;
    int rowsListed() const;
    // Whole rows the viewport shows.
    int rowsInView() const;

    QAbstractItemModel* m_noRows;
    QList<QMetaObject::Connection> m_modelConnections;
};

} // namespace olvaris
