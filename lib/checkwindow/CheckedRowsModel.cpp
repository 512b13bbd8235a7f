#include "CheckedRowsModel.h"
#include "AsciiCase.h"
#include <QColor>
#include <QMetaObject>
#include <algorithm>

namespace olvaris::listcheck {

namespace {

using Kind = check::RowVerdict::Kind;

constexpr RowText TextOf[CheckedRowsModel::ColumnCount] = {RowText::Name,       RowText::Name, RowText::City,
                                                           RowText::State,      RowText::Zip,  RowText::Name,
                                                           RowText::Suggestion, RowText::Note};

using text::asciiLower;

bool holds(std::string_view text, const std::string& lowerNeedle) {
    return std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                       [](char a, char b) { return asciiLower(a) == b; })
           != text.end();
}

// Text compared as a person sorts it: letter case aside, then as written.
int compareText(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return static_cast<unsigned char>(asciiLower(a[i])) < static_cast<unsigned char>(asciiLower(b[i])) ? -1 : 1;
    return a.size() == b.size() ? a.compare(b) : a.size() < b.size() ? -1 : 1;
}

} // namespace

CheckedRowsModel::CheckedRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

int CheckedRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_shown.size()); }

int CheckedRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString CheckedRowsModel::text(size_t row, int column) const {
    switch (column) {
    case RowNumber:
        return QString::number(m_store.line(row));
    case Verdict: {
        const std::string_view word = check::verdictWord(m_store.kind(row));
        return QString::fromLatin1(word.data(), qsizetype(word.size()));
    }
    default: {
        const std::string_view text = m_store.text(row, TextOf[column]);
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    }
}

QVariant CheckedRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_shown.size())
        return {};
    const size_t row = m_shown[size_t(index.row())];
    const VerdictGroup group = groupOf(m_store.kind(row));
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(row, index.column());
    case Qt::TextAlignmentRole:
        return index.column() == RowNumber ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    // Filled as the checked workbook fills its rows; the text on a fill is
    // black whatever the colour scheme, so it keeps its contrast.
    case Qt::BackgroundRole:
        if (group == VerdictGroup::ToLookAt || group == VerdictGroup::Corrected)
            return QColor(QRgb(groupFill(group)));
        return {};
    case Qt::ForegroundRole:
        if (group == VerdictGroup::ToLookAt || group == VerdictGroup::Corrected)
            return QColor(Qt::black);
        return {};
    default:
        return {};
    }
}

QVariant CheckedRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const Titles[ColumnCount] = {"Row",      "Name",    "City",          "State",
                                                    "ZIP code", "Verdict", "Suggested ZIP", "Note"};
    return tr(Titles[section]);
}

void CheckedRowsModel::clear() {
    stopSorting();
    beginResetModel();
    m_store.clear();
    m_shown = {};
    m_groupCounts = {};
    m_sortColumn = -1;
    endResetModel();
}

bool CheckedRowsModel::shows(size_t row) const {
    if (m_group && groupOf(m_store.kind(row)) != *m_group)
        return false;
    if (m_filter.empty())
        return true;
    for (const RowText field :
         {RowText::Name, RowText::City, RowText::State, RowText::Zip, RowText::Suggestion, RowText::Note})
        if (holds(m_store.text(row, field), m_filter))
            return true;
    return holds(check::verdictWord(m_store.kind(row)), m_filter);
}

void CheckedRowsModel::append(const RowBatch& batch) {
    const size_t from = m_store.size();
    m_store.append(batch);
    std::vector<std::uint32_t> added;
    for (size_t row = from; row < m_store.size(); ++row) {
        ++m_groupCounts[size_t(groupOf(m_store.kind(row)))];
        if (shows(row))
            added.push_back(std::uint32_t(row));
    }
    if (added.empty())
        return;
    beginInsertRows({}, int(m_shown.size()), int(m_shown.size() + added.size() - 1));
    m_shown.insert(m_shown.end(), added.begin(), added.end());
    endInsertRows();
}

void CheckedRowsModel::rebuild() {
    stopSorting();
    beginResetModel();
    m_shown.clear();
    for (size_t row = 0; row < m_store.size(); ++row)
        if (shows(row))
            m_shown.push_back(std::uint32_t(row));
    endResetModel();
    if (m_sortColumn >= 0)
        sort(m_sortColumn, m_sortOrder);
    else
        sortLookFirst();
}

void CheckedRowsModel::showGroup(std::optional<VerdictGroup> group) {
    if (group == m_group)
        return;
    m_group = group;
    rebuild();
}

void CheckedRowsModel::setFilterText(const QString& text) {
    std::string filter = text.trimmed().toUtf8().toStdString();
    std::transform(filter.begin(), filter.end(), filter.begin(), [](char c) { return asciiLower(c); });
    if (filter == m_filter)
        return;
    m_filter = std::move(filter);
    rebuild();
}

template <typename Arrange>
void CheckedRowsModel::reorder(Arrange arrange) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The current row and the selection stay on the rows they were on.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> rowsBefore;
    for (const QModelIndex& index : before)
        rowsBefore.push_back(m_shown[size_t(index.row())]);
    arrange();
    std::vector<std::uint32_t> position(before.isEmpty() ? 0 : m_store.size());
    for (size_t i = 0; !position.empty() && i < m_shown.size(); ++i)
        position[m_shown[i]] = std::uint32_t(i);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(int(position[rowsBefore[size_t(i)]]), before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CheckedRowsModel::sortLookFirst() {
    stopSorting();
    m_sortColumn = -1;
    // A counting sort by the verdict's rank: a million rows in a few
    // milliseconds, where comparing them would hold the window for a third
    // of a second at the end of a check.
    reorder([this] {
        if (!std::is_sorted(m_shown.begin(), m_shown.end()))
            std::sort(m_shown.begin(), m_shown.end()); // each rank's rows in the list's order
        std::array<size_t, 10> starts{};
        for (const std::uint32_t row : m_shown)
            ++starts[size_t(lookFirstRank(m_store.kind(row))) + 1];
        for (size_t rank = 1; rank < starts.size(); ++rank)
            starts[rank] += starts[rank - 1];
        std::vector<std::uint32_t> arranged(m_shown.size());
        for (const std::uint32_t row : m_shown)
            arranged[starts[size_t(lookFirstRank(m_store.kind(row)))]++] = row;
        m_shown = std::move(arranged);
    });
}

namespace {

struct SortCancelled {};

// The first eight bytes of a text in small letters, as one number: most
// comparisons of a sort end there, without reading the texts.
std::uint64_t prefixKey(std::string_view text) {
    std::uint64_t key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < text.size() ? static_cast<unsigned char>(asciiLower(text[i])) : 0u);
    return key;
}

} // namespace

std::vector<std::uint32_t> CheckedRowsModel::sorted(const CheckedRowStore& store, std::vector<std::uint32_t> rows,
                                                    int column, Qt::SortOrder order, const std::atomic<bool>& cancel) {
    const bool ascending = order == Qt::AscendingOrder;
    size_t compared = 0;
    const auto check = [&] {
        if (++compared % 4096 == 0 && cancel.load(std::memory_order_relaxed))
            throw SortCancelled{};
    };
    if (column == RowNumber || column == Verdict) {
        const auto key = [&](std::uint32_t row) {
            return column == RowNumber ? std::int64_t(store.line(row)) : std::int64_t(lookFirstRank(store.kind(row)));
        };
        std::sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
            check();
            const std::int64_t keyA = key(a), keyB = key(b);
            if (keyA != keyB)
                return ascending ? keyA < keyB : keyA > keyB;
            return a < b; // the list's order among equals, whichever way
        });
        return rows;
    }
    struct Keyed {
        std::uint64_t prefix;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (const std::uint32_t row : rows)
        keyed.push_back({prefixKey(store.text(row, TextOf[column])), row});
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        check();
        int sign = a.prefix < b.prefix ? -1 : a.prefix > b.prefix ? 1 : 0;
        if (sign == 0)
            sign = compareText(store.text(a.row, TextOf[column]), store.text(b.row, TextOf[column]));
        if (sign == 0)
            return a.row < b.row;
        return ascending ? sign < 0 : sign > 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        rows[i] = keyed[i].row;
    return rows;
}

void CheckedRowsModel::stopSorting() {
    m_cancelSort = true;
    if (m_sorter.joinable())
        m_sorter.join();
    m_cancelSort = false;
    ++m_generation; // a sort's result that comes in now is of rows no longer shown
}

void CheckedRowsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    stopSorting();
    m_sortColumn = column;
    m_sortOrder = order;
    // A big list is sorted on a thread of its own, so the window answers
    // meanwhile; not while a check adds rows, whose store then moves.
    if (m_growing || m_shown.size() < BackgroundSortRows) {
        std::vector<std::uint32_t> arranged = sorted(m_store, m_shown, column, order, m_cancelSort);
        reorder([&] { m_shown = std::move(arranged); });
        return;
    }
    const unsigned generation = m_generation;
    emit sorting(true);
    m_sorter = std::thread([this, rows = m_shown, column, order, generation]() mutable {
        try {
            std::vector<std::uint32_t> arranged = sorted(m_store, std::move(rows), column, order, m_cancelSort);
            QMetaObject::invokeMethod(
                this,
                [this, generation, arranged = std::move(arranged)]() mutable {
                    if (generation != m_generation)
                        return;
                    reorder([&] { m_shown = std::move(arranged); });
                    emit sorting(false);
                },
                Qt::QueuedConnection);
        } catch (const SortCancelled&) {
        } catch (const std::bad_alloc&) {
            QMetaObject::invokeMethod(
                this, [this] { emit sorting(false); }, Qt::QueuedConnection);
        }
    });
}

void CheckedRowsModel::setGrowing(bool growing) {
    if (growing)
        stopSorting();
    m_growing = growing;
}

CheckedRowsModel::~CheckedRowsModel() { stopSorting(); }

QString CheckedRowsModel::rowAsText(int row) const {
    QStringList fields;
    for (int column = 0; column < ColumnCount; ++column)
        fields << text(m_shown[size_t(row)], column);
    return fields.join(QLatin1Char('\t'));
}

} // namespace olvaris::listcheck
