#include "ResultsView.h"
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace olvaris {

namespace {

// The focus mark is drawn once around the whole current row, not per cell.
class RowFocusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

} // namespace

ResultsView::ResultsView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new RowFocusDelegate(this));
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void ResultsView::scrollToRow(int row) {
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    updateGeometries();
    scrollTo(model()->index(row, 0));
}

void ResultsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(across);
}

QModelIndex ResultsView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = model() ? model()->rowCount() : 0;
    const QModelIndex current = currentIndex();
    switch (action) {
    case MoveHome:
        return rows > 0 ? model()->index(0, 0) : QModelIndex();
    case MoveEnd:
        return rows > 0 ? model()->index(rows - 1, 0) : QModelIndex();
    case MoveLeft:
    case MoveRight: {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (action == MoveLeft ? -1 : 1) * bar->singleStep());
        return current;
    }
    case MoveNext:
    case MovePrevious:
        return current;
    default:
        break;
    }
    const QModelIndex moved = QTableView::moveCursor(action, modifiers);
    return moved.isValid() ? moved.siblingAtColumn(0) : moved;
}

// Coming in by the keyboard marks the top row in view, not the first of the
// list: entering the list never scrolls it.
void ResultsView::focusInEvent(QFocusEvent* event) {
    if (!currentIndex().isValid() && model() && model()->rowCount() > 0) {
        const QModelIndex top = indexAt(QPoint(0, 0));
        selectionModel()->setCurrentIndex(top.isValid() ? top.siblingAtColumn(0) : model()->index(0, 0),
                                          QItemSelectionModel::NoUpdate);
    }
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ResultsView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!hasFocus())
        return;
    // The focus mark: around the current row, or around the empty list.
    QRect mark;
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        const int last = model()->columnCount() - 1;
        mark = visualRect(current.siblingAtColumn(0)).united(visualRect(current.siblingAtColumn(last)));
        mark.setLeft(std::min(mark.left(), 0));
        mark.setRight(std::max(mark.right(), viewport()->width() - 1));
    } else if (!model() || model()->rowCount() == 0) {
        mark = viewport()->rect().adjusted(1, 1, -1, -1);
    }
    if (mark.isEmpty())
        return;
    QStylePainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = mark;
    option.backgroundColor = palette().color(QPalette::Base);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace olvaris
