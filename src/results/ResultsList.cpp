#include "ResultsList.h"
#include "app/Failure.h"
#include <limits>

namespace olvaris {

namespace {
constexpr std::uint64_t MaxOffset = (std::uint64_t(1) << 40) - 1;
constexpr std::uint64_t MaxCityLength = (std::uint64_t(1) << 24) - 1;

Failure outOfBounds() { return Failure(QStringLiteral("Index out of bounds")); }
Failure tooLong() { return Failure(QStringLiteral("Text too long for the results list")); }
} // namespace

ResultsList::ResultsList(QObject* parent) : QAbstractTableModel(parent) {
    m_announceLater.setSingleShot(true);
    m_announceLater.setInterval(0);
    connect(&m_announceLater, &QTimer::timeout, this, &ResultsList::announce);
}

void ResultsList::addColumn(const QString& caption) {
    announce();
    const int at = headerCount();
    beginInsertColumns(QModelIndex(), at, at);
    m_headers.append(caption);
    endInsertColumns();
}

QString ResultsList::headerText(int column) const {
    if (column < 1 || column > headerCount())
        throw outOfBounds();
    return m_headers.at(column - 1);
}

void ResultsList::clear() {
    beginResetModel();
    // Give the memory back: a list of a million rows should not stay resident.
    std::vector<Row>().swap(m_rows);
    std::vector<char>().swap(m_arena);
    m_announced = 0;
    m_scrollTo = -1;
    endResetModel();
}

int ResultsList::add(const QString& city) { return addUtf8(city.toUtf8()); }

int ResultsList::addUtf8(QByteArrayView city) {
    if (m_rows.size() >= size_t(std::numeric_limits<int>::max()))
        throw Failure(QStringLiteral("The results list is full"));
    if (std::uint64_t(city.size()) > MaxCityLength || m_arena.size() + std::uint64_t(city.size()) > MaxOffset)
        throw tooLong();
    Row row{};
    row.offset = m_arena.size();
    row.cityLength = std::uint64_t(city.size());
    append(city);
    m_rows.push_back(row);
    if (!m_announceLater.isActive())
        m_announceLater.start();
    return count();
}

void ResultsList::setSubItem(int number, int subItem, const QString& text) {
    setSubItemUtf8(number, subItem, text.toUtf8());
}

void ResultsList::setSubItemUtf8(int number, int subItem, QByteArrayView text) {
    if (subItem < 1 || subItem > 2)
        throw outOfBounds();
    Row& row = rowAt(number);
    setField(row, subItem + 1, text);
    if (number <= m_announced) {
        const QModelIndex cell = index(number - 1, subItem);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void ResultsList::ensureVisible(int number) {
    rowAt(number);
    m_scrollTo = number - 1;
    if (!m_announceLater.isActive())
        m_announceLater.start();
}

void ResultsList::remove(int number) {
    rowAt(number);
    announce();
    beginRemoveRows(QModelIndex(), number - 1, number - 1);
    m_rows.erase(m_rows.begin() + (number - 1));
    m_announced = count();
    if (m_scrollTo >= count())
        m_scrollTo = -1;
    endRemoveRows();
}

QString ResultsList::itemText(int number, int column) const {
    return QString::fromUtf8(itemUtf8(number, column));
}

QByteArrayView ResultsList::itemUtf8(int number, int column) const {
    if (column < 1 || column > 3)
        throw outOfBounds();
    return field(rowAt(number), column);
}

void ResultsList::announce() {
    if (m_announced < count()) {
        beginInsertRows(QModelIndex(), m_announced, count() - 1);
        m_announced = count();
        endInsertRows();
    }
    if (m_scrollTo >= 0) {
        const int row = m_scrollTo;
        m_scrollTo = -1;
        emit scrollRequested(row);
    }
}

size_t ResultsList::storeBytes() const { return m_rows.size() * sizeof(Row) + m_arena.size(); }

int ResultsList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_announced; }

int ResultsList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : headerCount(); }

QVariant ResultsList::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_announced || index.column() > 2)
        return {};
    return QString::fromUtf8(field(m_rows[size_t(index.row())], index.column() + 1));
}

QVariant ResultsList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headerCount())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

const ResultsList::Row& ResultsList::rowAt(int number) const {
    if (number < 1 || number > count())
        throw outOfBounds();
    return m_rows[size_t(number - 1)];
}

ResultsList::Row& ResultsList::rowAt(int number) {
    return const_cast<Row&>(static_cast<const ResultsList*>(this)->rowAt(number));
}

QByteArrayView ResultsList::field(const Row& row, int column) const {
    std::uint64_t at = row.offset;
    if (column >= 2)
        at += row.cityLength;
    if (column == 3)
        at += row.stateLength;
    const std::uint64_t length = column == 1 ? row.cityLength : column == 2 ? row.stateLength : row.zipLength;
    return QByteArrayView(m_arena.data() + at, qsizetype(length));
}

// A row's three texts lie next to each other in the arena. A run sets the
// state and then the ZIP code of the row it has just added, so the usual
// case is an append at the end; anything else copies the row's texts there.
void ResultsList::setField(Row& row, int column, QByteArrayView text) {
    if (column == 1 ? std::uint64_t(text.size()) > MaxCityLength : std::uint64_t(text.size()) > 0xFFFFFFFFu)
        throw tooLong();
    QByteArray owned;
    if (!m_arena.empty() && text.data() >= m_arena.data() && text.data() < m_arena.data() + m_arena.size()) {
        owned = text.toByteArray();
        text = owned;
    }
    const std::uint64_t lengths[3] = {row.cityLength, row.stateLength, row.zipLength};
    const bool atEnd = row.offset + lengths[0] + lengths[1] + lengths[2] == m_arena.size();
    bool restEmpty = true;
    for (int c = column + 1; c <= 3; ++c)
        restEmpty = restEmpty && lengths[c - 1] == 0;

    if (atEnd && restEmpty) {
        std::uint64_t keep = row.offset;
        for (int c = 1; c < column; ++c)
            keep += lengths[c - 1];
        if (keep + std::uint64_t(text.size()) > MaxOffset)
            throw tooLong();
        m_arena.resize(keep);
        append(text);
    } else {
        std::string texts;
        for (int c = 1; c <= 3; ++c) {
            const QByteArrayView part = c == column ? text : field(row, c);
            texts.append(part.data(), size_t(part.size()));
        }
        const std::uint64_t base = atEnd ? std::uint64_t(row.offset) : m_arena.size();
        if (base + texts.size() > MaxOffset)
            throw tooLong();
        m_arena.resize(base);
        row.offset = base;
        append(QByteArrayView(texts.data(), qsizetype(texts.size())));
    }
    switch (column) {
    case 1: row.cityLength = std::uint64_t(text.size()); break;
    case 2: row.stateLength = std::uint32_t(text.size()); break;
    default: row.zipLength = std::uint32_t(text.size()); break;
    }
}

void ResultsList::append(QByteArrayView text) { m_arena.insert(m_arena.end(), text.begin(), text.end()); }

} // namespace olvaris
