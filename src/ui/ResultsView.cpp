#include "ResultsView.h"
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <cmath>
#include <QStyledItemDelegate>

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

// Whole rows only: the top row is never cut. Scrolled to the end, Qt lines
// the last row up with the bottom edge, which cuts the top row whenever the
// list is not a whole number of rows high; here the top row stays whole and
// any space left is below the last row, as in a report list.
void ResultsView::updateGeometries() {
    QTableView::updateGeometries();
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    const int whole = std::max(1, viewport()->height() / rowHeight);
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, rows - whole));
    bar->setPageStep(whole);
    verticalHeader()->setOffsetToSectionPosition(bar->value());
}

void ResultsView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0) {
        verticalHeader()->setOffsetToSectionPosition(verticalScrollBar()->value());
        viewport()->update();
    }
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
    // Past the item view's own handling, which would scroll to the current row.
    QAbstractScrollArea::focusInEvent(event); // NOLINT(bugprone-parent-virtual-call)
    viewport()->update();
}

// At a fractional scale (1.5) the viewport and the scroll bar, rounded to
// whole device pixels, cover the frame's right and bottom lines; one pixel
// of room keeps the frame whole there.
void ResultsView::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    const qreal ratio = devicePixelRatioF();
    const int room = qFuzzyCompare(ratio, std::round(ratio)) ? 0 : 1;
    setViewportMargins(0, 0, room, room);
}

// The frame, drawn as four filled one-pixel bands: the style's line is
// lost on the right and at the bottom at fractional scales (1.5).
bool ResultsView::event(QEvent* event) {
    const bool handled = QTableView::event(event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(this);
        const QColor line = palette().color(QPalette::Mid);
        const QRect r = rect();
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), line);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), line);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), line);
    }
    return handled;
}

// The focus mark spans the row, wider than the cells Qt repaints.
void ResultsView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void ResultsView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
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
    // A dotted line, as report lists mark the focus, in a colour that shows
    // on the selection and off it.
    QPainter painter(viewport());
    QPen pen(palette().color(current.isValid() && selectionModel()->isSelected(current) ? QPalette::HighlightedText
                                                                                        : QPalette::Text));
    pen.setStyle(Qt::DotLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawRect(mark.adjusted(0, 0, -1, -1));
}

} // namespace olvaris
