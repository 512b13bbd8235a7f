#include "CheckedRowsModel.h"
#include <QColor>
#include <algorithm>

namespace olvaris::listcheck {

namespace {

using Kind = lookup::RowVerdict::Kind;

constexpr RowText TextOf[CheckedRowsModel::ColumnCount] = {RowText::Name,       RowText::Name, RowText::City,
                                                           RowText::State,      RowText::Zip,  RowText::Name,
                                                           RowText::Suggestion, RowText::Note};

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool holds(std::string_view text, const std::string& lowerNeedle) {
    return std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                       [](char a, char b) { return lower(a) == b; })
           != text.end();
}

// Text compared as a person sorts it: letter case aside, then as written.
int compareText(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i)
        if (lower(a[i]) != lower(b[i]))
            return static_cast<unsigned char>(lower(a[i])) < static_cast<unsigned char>(lower(b[i])) ? -1 : 1;
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
        const std::string_view word = lookup::verdictWord(m_store.kind(row));
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
    return holds(lookup::verdictWord(m_store.kind(row)), m_filter);
}

void CheckedRowsModel::append(const std::vector<RowBatch>& batches) {
    const size_t from = m_store.size();
    for (const RowBatch& batch : batches)
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
    std::transform(filter.begin(), filter.end(), filter.begin(), lower);
    if (filter == m_filter)
        return;
    m_filter = std::move(filter);
    rebuild();
}

template <typename Less>
void CheckedRowsModel::reorder(Less less) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The current row and the selection stay on the rows they were on.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> rowsBefore;
    for (const QModelIndex& index : before)
        rowsBefore.push_back(m_shown[size_t(index.row())]);
    std::sort(m_shown.begin(), m_shown.end(), less);
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
    m_sortColumn = -1;
    reorder([&](std::uint32_t a, std::uint32_t b) {
        const int rankA = lookFirstRank(m_store.kind(a)), rankB = lookFirstRank(m_store.kind(b));
        return rankA != rankB ? rankA < rankB : a < b;
    });
}

void CheckedRowsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    reorder([&](std::uint32_t a, std::uint32_t b) {
        int sign = 0;
        if (column == RowNumber)
            sign = m_store.line(a) < m_store.line(b) ? -1 : m_store.line(a) > m_store.line(b) ? 1 : 0;
        else if (column == Verdict)
            sign = lookFirstRank(m_store.kind(a)) - lookFirstRank(m_store.kind(b));
        else
            sign = compareText(m_store.text(a, TextOf[column]), m_store.text(b, TextOf[column]));
        if (sign == 0)
            return a < b; // the list's order among equals, whichever way
        return order == Qt::AscendingOrder ? sign < 0 : sign > 0;
    });
}

QString CheckedRowsModel::rowAsText(int row) const {
    QStringList fields;
    for (int column = 0; column < ColumnCount; ++column)
        fields << text(m_shown[size_t(row)], column);
    return fields.join(QLatin1Char('\t'));
}

} // namespace olvaris::listcheck
