#pragma once
#include <QTableView>

namespace olvaris {

// The results list on screen: a table in report style whose rows all have
// one fixed height, so adding rows never measures them. At the keyboard it
// is a report list: Tab leaves it, Up/Down/Page Up/Page Down/Home/End move
// the selected row, Left/Right scroll the columns, and the selection and
// the focus mark are whole rows.
class ResultsView : public QTableView {
    Q_OBJECT
public:
    explicit ResultsView(QWidget* parent = nullptr);

    // Scrolls so the row is in view, with the scroll range brought up to
    // date first: rows arrive in batches, and the view lays them out lazily.
    void scrollToRow(int row);
    // Rows are brought into view vertically only; the columns stay where
    // the user scrolled them.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    bool event(QEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace olvaris
