#include "ResultsList.h"
#include "SystemPages.h"
#include "Failure.h"
#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace olvaris {

namespace {
Failure outOfBounds() { return Failure(Error::Kind::Usage, QStringLiteral("Index out of bounds")); }
Failure tooLong() { return Failure(Error::Kind::Usage, QStringLiteral("Text too long for the results list")); }
} // namespace

void ResultsList::Row::setLength(int column, std::uint64_t length) {
    if (column == 1)
        word[1] = (word[1] & 0xFFu) | std::uint32_t(length << 8);
    else if (column == 2)
        word[2] = (word[2] & 0xFFFF0000u) | std::uint32_t(length);
    else
        word[2] = (word[2] & 0xFFFFu) | std::uint32_t(length << 16);
}

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
    releaseStore();
    m_announced = 0;
    m_scrollTo = -1;
    ++m_generation;
    m_saidWhole = -1;
    std::fill(std::begin(m_columnBytes), std::end(m_columnBytes), 0);
    for (LongestTexts& longest : m_longest)
        longest.clear();
    endResetModel();
}

// Gives the rows' memory back to the system: a list of millions of rows
// should not stay resident. A large store goes in a thread of its own, as
// unmapping hundreds of megabytes takes tens of milliseconds; if no thread
// can be started it goes here.
void ResultsList::releaseStore() {
    if (storeBytes() < ReleaseAsideBytes) {
        m_rows.clear();
        m_arena.clear();
        return;
    }
    try {
        std::thread([rows = std::exchange(m_rows, {}), arena = std::exchange(m_arena, {})] {}).detach();
    } catch (const std::system_error&) {
    }
}

int ResultsList::add(const QString& city) { return addUtf8(city.toUtf8()); }

// The window's own work (painting, a message box, the display's shared
// image buffers) allocates in code that cannot fail gracefully. So every
// few thousand rows the list makes sure a margin for it can still be had,
// fresh from the system (a trial the allocator served from memory it holds
// would prove nothing); if not, the row is refused as out of memory while
// the window still can report it.
void ResultsList::ensureHeadroom() const {
    if (m_rows.size() % HeadroomCheckEvery != 0)
        return;
    allocatePages<char>(HeadroomMargin);
}

int ResultsList::addUtf8(QByteArrayView city) {
    if (m_rows.size() >= size_t(std::numeric_limits<int>::max()))
        throw Failure(Error::Kind::Usage, QStringLiteral("The results list is full"));
    ensureHeadroom();
    if (std::uint64_t(city.size()) > maxLength(1))
        throw tooLong();
    const std::uint64_t offset = m_arena.reserve(std::uint64_t(city.size()));
    if (offset + std::uint64_t(city.size()) > MaxOffset)
        throw tooLong();
    m_arena.write(offset, city);
    Row row{};
    row.setOffset(offset);
    row.setLength(1, std::uint64_t(city.size()));
    m_rows.push_back(row);
    m_columnBytes[0] += std::uint64_t(city.size());
    m_longest[0].offer(count() - 1, std::uint64_t(city.size()));
    if (m_rows.size() == 1 && m_announced == 0)
        emit firstRowWaiting();
    scheduleAnnounce();
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
    m_longest[subItem].offer(number - 1, std::uint64_t(text.size()));
    if (number <= m_announced) {
        const QModelIndex cell = index(number - 1, subItem);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void ResultsList::ensureVisible(int number) {
    rowAt(number);
    m_scrollTo = number - 1;
    scheduleAnnounce();
}

void ResultsList::remove(int number) {
    rowAt(number);
    announce();
    beginRemoveRows(QModelIndex(), number - 1, number - 1);
    for (int column = 1; column <= 3; ++column)
        m_columnBytes[column - 1] -= rowAt(number).length(column);
    m_rows.erase(size_t(number - 1));
    m_saidWhole = -1;
    for (int column = 1; column <= 3; ++column) {
        LongestTexts& longest = m_longest[column - 1];
        longest.removed(number - 1);
        // Every one of the longest was deleted: found again among all rows.
        if (longest.needsRebuild(count()))
            for (int row = 0; row < count(); ++row)
                longest.offer(row, m_rows[size_t(row)].length(column));
    }
    m_announced = count();
    ++m_generation;
    if (m_scrollTo >= count())
        m_scrollTo = -1;
    endRemoveRows();
}

QString ResultsList::itemText(int number, int column) const { return QString::fromUtf8(itemUtf8(number, column)); }

QByteArrayView ResultsList::itemUtf8(int number, int column) const {
    if (column < 1 || column > 3)
        throw outOfBounds();
    return field(rowAt(number), column);
}

void ResultsList::failOutOfBounds() { throw outOfBounds(); }

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

void ResultsList::scheduleAnnounce() {
    if (!m_announceLater.isActive())
        m_announceLater.start();
}

std::uint64_t ResultsList::columnBytes(int column) const {
    if (column < 1 || column > 3)
        throw outOfBounds();
    return m_columnBytes[column - 1];
}

std::vector<int> ResultsList::longestRows(int column) const {
    if (column < 1 || column > 3)
        throw outOfBounds();
    return m_longest[column - 1].rows();
}

size_t ResultsList::storeBytes() const { return m_rows.size() * sizeof(Row) + m_arena.allocatedBytes(); }

int ResultsList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_announced; }

int ResultsList::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : headerCount(); }

QVariant ResultsList::data(const QModelIndex& index, int role) const {
    if (role == Qt::AccessibleTextRole && index.isValid() && index.column() == 0 && index.row() == m_saidWhole
        && index.row() < m_announced) {
        QStringList texts;
        for (int column = 0; column < 3; ++column)
            texts << data(index.siblingAtColumn(column), Qt::DisplayRole).toString();
        return texts.join(QStringLiteral(", "));
    }
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_announced || index.column() > 2)
        return {};
    // A cell shows a screen's width of its text at most: Qt lays out every
    // character of the string it paints, and a field of megabytes would hold
    // the window for seconds. Saves and copies read the whole text.
    QByteArrayView text = field(m_rows[size_t(index.row())], index.column() + 1);
    if (text.size() > ShownBytes) {
        qsizetype cut = ShownBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text = text.first(cut);
    }
    return QString::fromUtf8(text);
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
    const std::uint64_t length = row.length(column);
    if (length == 0)
        return QByteArrayView("", 0);
    // The texts are addressed from the row's start: a long row may reach past
    // the first offset slot of its chunk.
    std::uint64_t skip = 0;
    for (int c = 1; c < column; ++c)
        skip += row.length(c);
    return QByteArrayView(m_arena.at(row.offset()) + skip, qsizetype(length));
}

// A row's three texts lie next to each other in the arena. A run sets the
// state and then the ZIP code of the row it has just added, so the usual
// case is a write at the end; anything else copies the row's texts to a new place.
void ResultsList::setField(Row& row, int column, QByteArrayView text) {
    if (std::uint64_t(text.size()) > maxLength(column))
        throw tooLong();
    const bool atEnd = row.offset() + row.total() == m_arena.end();
    bool restEmpty = true;
    for (int c = column + 1; c <= 3; ++c)
        restEmpty = restEmpty && row.length(c) == 0;
    std::uint64_t keep = row.offset();
    for (int c = 1; c < column; ++c)
        keep += row.length(c);

    if (atEnd && restEmpty && m_arena.fits(keep, std::uint64_t(text.size()))) {
        m_arena.write(keep, text);
    } else {
        std::string texts;
        for (int c = 1; c <= 3; ++c) {
            const QByteArrayView part = c == column ? text : field(row, c);
            texts.append(part.data(), size_t(part.size()));
        }
        const std::uint64_t offset = m_arena.reserve(texts.size());
        if (offset + texts.size() > MaxOffset)
            throw tooLong();
        m_arena.write(offset, QByteArrayView(texts.data(), qsizetype(texts.size())));
        row.setOffset(offset);
    }
    m_columnBytes[column - 1] += std::uint64_t(text.size()) - row.length(column);
    row.setLength(column, std::uint64_t(text.size()));
}

} // namespace olvaris
