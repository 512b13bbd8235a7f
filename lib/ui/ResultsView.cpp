#include "ResultsView.h"
#include "ResultsList.h"
#include "ScreenReaders.h"
#include <QAccessible>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyleHints>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
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

// What the row header is given in place of the list: no rows, so it keeps
// nothing per row and does nothing when rows come and go.
class NoRows : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& = {}) const override { return 0; }
    int columnCount(const QModelIndex& = {}) const override { return 0; }
    QVariant data(const QModelIndex&, int) const override { return {}; }
};

} // namespace

ResultsView::ResultsView(QWidget* parent) : QTableView(parent), m_noRows(new NoRows(this)) {
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
    m_followTimer.setSingleShot(true);
    connect(&m_followTimer, &QTimer::timeout, this, &ResultsView::followLater);
}

ResultsView::~ResultsView() = default;

void ResultsView::setModel(QAbstractItemModel* model) {
    for (const QMetaObject::Connection& connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    QTableView::setModel(model);
    verticalHeader()->setModel(m_noRows);
    if (!model)
        return;
    // Laid out and repainted at the next turn of the loop, once per batch.
    const auto rowsChanged = [this] { scheduleDelayedItemsLayout(); };
    // A row waiting to be followed belongs to the list as it was.
    const auto rowsGone = [this] {
        m_rowToFollow = -1;
        scheduleDelayedItemsLayout();
    };
    // The row that takes a removed one's place has the same number: a
    // screen reader, which reads a whole row only when the row number
    // changes, would say its city alone. So its first cell is named with
    // the whole row until the current row moves.
    const auto rowRemoved = [this] {
        auto* list = qobject_cast<ResultsList*>(this->model());
        if (list == nullptr || !hasFocus() || !screenReaderListening())
            return;
        QTimer::singleShot(0, this, [this, list] {
            if (!hasFocus() || !currentIndex().isValid() || this->model() != list)
                return;
            list->setRowSaidWhole(currentIndex().row());
            QTableView::currentChanged(currentIndex(), QModelIndex());
        });
    };
    m_modelConnections << connect(model, &QAbstractItemModel::rowsInserted, this, rowsChanged)
                       << connect(model, &QAbstractItemModel::rowsRemoved, this, rowsGone)
                       << connect(model, &QAbstractItemModel::rowsRemoved, this, rowRemoved)
                       << connect(model, &QAbstractItemModel::modelReset, this, rowsGone)
                       << connect(model, &QAbstractItemModel::layoutChanged, this, rowsChanged);
}

int ResultsView::uniformRowHeight() const { return std::max(1, verticalHeader()->defaultSectionSize()); }

int ResultsView::topRow() const { return verticalScrollBar()->value(); }

int ResultsView::rowsListed() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int ResultsView::rowsInView() const { return std::max(1, viewport()->height() / uniformRowHeight()); }

QModelIndex ResultsView::indexAt(const QPoint& point) const {
    if (!model() || point.y() < 0)
        return {};
    const int row = topRow() + point.y() / uniformRowHeight();
    const int column = columnAt(point.x());
    if (row >= rowsListed() || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

QRect ResultsView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex())
        return {};
    return {columnViewportPosition(index.column()), (index.row() - topRow()) * uniformRowHeight(),
            columnWidth(index.column()), uniformRowHeight()};
}

int ResultsView::verticalOffset() const { return topRow() * uniformRowHeight(); }

void ResultsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect area = rect.normalized();
    const QModelIndex first = indexAt(area.topLeft());
    const QModelIndex last = indexAt(area.bottomRight());
    if (!selectionModel() || !first.isValid() || !last.isValid())
        return;
    const int lastColumn = model()->columnCount(rootIndex()) - 1;
    selectionModel()->select(QItemSelection(model()->index(first.row(), 0, rootIndex()),
                                            model()->index(last.row(), lastColumn, rootIndex())),
                             command);
}

QRegion ResultsView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int top = topRow();
    const int bottom = top + rowsInView();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const int from = std::max(range.top(), top);
        const int to = std::min(range.bottom(), bottom);
        if (from > to)
            continue;
        const int left = columnViewportPosition(range.left());
        const int right = columnViewportPosition(range.right()) + columnWidth(range.right());
        region += QRect(left, (from - top) * uniformRowHeight(), right - left, (to - from + 1) * uniformRowHeight());
    }
    return region;
}

void ResultsView::scrollToRow(int row) {
    if (!model() || row < 0 || row >= rowsListed())
        return;
    updateGeometries();
    scrollTo(model()->index(row, 0, rootIndex()));
}

void ResultsView::followRow(int row) {
    if (screenReaderListening() && m_followed.isValid() && m_followed.elapsed() < FollowIntervalMilliseconds) {
        m_rowToFollow = row;
        if (!m_followTimer.isActive())
            m_followTimer.start(int(FollowIntervalMilliseconds - m_followed.elapsed()));
        return;
    }
    m_followTimer.stop();
    m_rowToFollow = -1;
    m_followed.start();
    scrollToRow(row);
}

void ResultsView::followLater() {
    if (m_rowToFollow < 0)
        return;
    const int row = m_rowToFollow;
    m_rowToFollow = -1;
    m_followed.start();
    scrollToRow(row);
}

// Rows are brought into view vertically only; the columns stay where the
// user scrolled them.
void ResultsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model())
        return;
    QScrollBar* bar = verticalScrollBar();
    const int row = index.row();
    const int whole = rowsInView();
    switch (hint) {
    case PositionAtTop:
        bar->setValue(row);
        break;
    case PositionAtBottom:
        bar->setValue(row - whole + 1);
        break;
    case PositionAtCenter:
        bar->setValue(row - whole / 2);
        break;
    case EnsureVisible:
        if (row < bar->value())
            bar->setValue(row);
        else if (row >= bar->value() + whole)
            bar->setValue(row - whole + 1);
        break;
    }
}

// Whole rows only: the top row is never cut, and any space left is below
// the last row, as in a report list. The table's own layout knows no rows
// (its row header has none), so the scroll range is set here; the value is
// kept through it. The layout runs once a frame while rows stream in, and
// its passing moves of the scroll bar (to the top and back) are kept from
// assistive tools, which asked about each: only a real move is told.
void ResultsView::updateGeometries() {
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    withNewsKeptBack(bar, QAccessible::ValueChanged, [&] {
        {
            const QSignalBlocker quiet(bar);
            QTableView::updateGeometries();
        }
        const int whole = rowsInView();
        bar->setRange(0, std::max(0, rowsListed() - whole));
        bar->setPageStep(whole);
        bar->setSingleStep(1);
        bar->setValue(top);
    });
    if (bar->value() != top) {
        QAccessibleValueChangeEvent moved(bar, bar->value());
        QAccessible::updateAccessibility(&moved);
    }
}

// The rows are painted from the scroll bar's value, so a vertical scroll
// repaints the rows in view rather than moving pixels.
void ResultsView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, 0);
    if (dy != 0)
        viewport()->update();
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
    case MoveUp:
    case MoveDown:
    case MovePageUp:
    case MovePageDown: {
        if (rows == 0)
            return {};
        if (!current.isValid())
            return model()->index(0, 0, rootIndex());
        const int step = action == MoveUp || action == MoveDown ? 1 : rowsInView();
        const int towards = action == MoveUp || action == MovePageUp ? -step : step;
        return model()->index(std::clamp(current.row() + towards, 0, rows - 1), 0, rootIndex());
    }
    }
    Q_UNUSED(modifiers);
    return current;
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
    if (auto* list = qobject_cast<ResultsList*>(model()))
        list->setRowSaidWhole(-1);
    QTableView::currentChanged(current, previous);
    viewport()->update();
}

// The cells of the rows in view, drawn as the table draws them: the row's
// panel, then the delegate.
void ResultsView::paintRows() {
    if (!model() || !itemDelegate())
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QHeaderView* columns = horizontalHeader();
    const int top = topRow();
    const int end = std::min(rowsListed(), top + rowsInView() + 1);
    const QModelIndex current = currentIndex();
    for (int row = top; row < end; ++row) {
        for (int visual = 0; visual < columns->count(); ++visual) {
            const int column = columns->logicalIndex(visual);
            if (columns->isSectionHidden(column))
                continue;
            const QModelIndex index = model()->index(row, column, rootIndex());
            QStyleOptionViewItem cell = option;
            cell.rect = visualRect(index);
            if (!cell.rect.intersects(viewport()->rect()))
                continue;
            if (selectionModel() && selectionModel()->isSelected(index))
                cell.state |= QStyle::State_Selected;
            if (cell.state & QStyle::State_Enabled) {
                const bool enabled = model()->flags(index) & Qt::ItemIsEnabled;
                cell.state.setFlag(QStyle::State_Enabled, enabled);
                cell.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
            }
            if (index == current && hasFocus())
                cell.state |= QStyle::State_HasFocus;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &cell, &painter, this);
            itemDelegateForIndex(index)->paint(&painter, cell, index);
        }
    }
}

int ResultsView::sizeHintForColumn(int column) const {
    if (!model() || column < 0 || column >= model()->columnCount(rootIndex()))
        return -1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    const auto measure = [&](int row) {
        const QModelIndex index = model()->index(row, column, rootIndex());
        widest = std::max(widest, itemDelegateForIndex(index)->sizeHint(option, index).width());
    };
    // The list keeps its rows' longest texts as they arrive: those few are
    // measured, whatever the list's length. Another model is measured over
    // the rows in view.
    if (const auto* list = qobject_cast<const ResultsList*>(model())) {
        for (const int row : list->longestRows(column + 1))
            if (row < rowsListed())
                measure(row);
    } else {
        const int top = topRow();
        const int end = std::min(rowsListed(), top + rowsInView() + 1);
        for (int row = top; row < end; ++row)
            measure(row);
    }
    return widest + (showGrid() ? 1 : 0);
}

void ResultsView::keyboardSearch(const QString& search) {
    if (!model() || search.isEmpty())
        return;
    // Keys typed within the application's interval make one text, as in
    // every list.
    const bool continued =
        m_typedTimer.isValid() && m_typedTimer.elapsed() < QGuiApplication::styleHints()->keyboardInputInterval();
    m_typed = continued ? m_typed + search : search;
    m_typedTimer.start();
    const int rows = rowsListed();
    const int start = currentIndex().isValid() ? currentIndex().row() : 0;
    // A continued text may still match the current row; a new one starts after it.
    int first = continued ? start : start + 1;
    // One key pressed again and again steps through the rows it begins.
    QString wanted = m_typed;
    if (wanted.size() > 1 && wanted.count(wanted.front()) == wanted.size()) {
        wanted.truncate(1);
        first = start + 1;
    }
    const auto city = [this](int row) { return model()->index(row, 0, rootIndex()).data().toString(); };
    const auto begins = [&](int row) {
        return row >= 0 && row < rows && city(row).startsWith(wanted, Qt::CaseInsensitive);
    };
    const auto take = [this](int row) { setCurrentIndex(model()->index(row, 0, rootIndex())); };
    if (rows == 0)
        return;
    if (begins(first % rows))
        return take(first % rows);
    // The rows come in city order: the first row the text begins is found by
    // halving, at any length of list. After the current row's run of such
    // rows the search wraps to it, as a list's type-to-find does.
    int low = 0, high = rows;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (city(middle).compare(wanted, Qt::CaseInsensitive) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (begins(low))
        return take(low);
    // A list in another order (none the program makes) is walked from the
    // current row for a bounded time.
    QElapsedTimer spent;
    spent.start();
    for (int step = 0; step < rows; ++step) {
        const int row = (first + step) % rows;
        if (begins(row))
            return take(row);
        if ((step & 255) == 255 && spent.elapsed() >= TypeToFindMilliseconds)
            return;
    }
}

void ResultsView::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    paintRows();
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
