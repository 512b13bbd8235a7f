#include "ZipTable.h"
#include "SqliteHandles.h"
#include "ZipSchema.h"
#include "ResultsList.h"
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>

namespace olvaris::test {

// Read with the engine alone, none of the program's queries: in the order
// the builder wrote them.
std::vector<ZipRow> readShippedRows() {
    sqlite::Connection db;
    if (sqlite::open(OLVARIS_SHIPPED_DATABASE, SQLITE_OPEN_READONLY, db) != SQLITE_OK)
        throw std::runtime_error("cannot open the shipped database");
    sqlite::Statement select;
    if (sqlite::prepare(db.get(), "select city, state, zip from zip_codes order by rowid", select) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.get()));
    std::vector<ZipRow> rows;
    const auto text = [&](int column) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), column)));
    };
    while (sqlite3_step(select.get()) == SQLITE_ROW)
        rows.push_back({text(0), text(1), text(2)});
    return rows;
}

namespace {
char32_t folded(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

QString foldedKey(const QString& text) {
    QString key = text;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return key;
}
} // namespace

bool likeMatches(const std::u32string& value, const std::u32string& pattern) {
    // The classic wildcard walk: on a mismatch, go back to the last "%" and
    // let it take one more character.
    size_t v = 0, p = 0, star = std::u32string::npos, resume = 0;
    while (v < value.size()) {
        if (p < pattern.size() && pattern[p] == U'%') {
            star = p++;
            resume = v;
        } else if (p < pattern.size() && (pattern[p] == U'_' || folded(pattern[p]) == folded(value[v]))) {
            ++p;
            ++v;
        } else if (star != std::u32string::npos) {
            p = star + 1;
            v = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'%')
        ++p;
    return p == pattern.size();
}

bool likeMatches(const QString& value, const QString& pattern) {
    return likeMatches(value.toStdU32String(), likePattern(pattern));
}

std::u32string likePattern(const QString& pattern) {
    // The engine reads the pattern as UTF-8 text, which ends at a NUL.
    std::u32string text = QString::fromUtf8(pattern.toUtf8()).toStdU32String();
    const size_t nul = text.find(U'\0');
    if (nul != std::u32string::npos)
        text.resize(nul);
    return text;
}

void sortLikeTheDatabase(std::vector<ZipRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const ZipRow& a, const ZipRow& b) {
        const auto ka = std::tuple(foldedKey(a.city).toUtf8(), foldedKey(a.state).toUtf8(), foldedKey(a.zip).toUtf8());
        const auto kb = std::tuple(foldedKey(b.city).toUtf8(), foldedKey(b.state).toUtf8(), foldedKey(b.zip).toUtf8());
        return ka < kb;
    });
}

std::vector<ZipRow> expectedSearch(const std::vector<ZipRow>& table, const QString& filter) {
    const std::u32string pattern = likePattern(filter + QLatin1Char('%'));
    std::vector<ZipRow> found;
    for (const ZipRow& row : table)
        if (likeMatches(row.city.toStdU32String(), pattern) || likeMatches(row.state.toStdU32String(), pattern)
            || likeMatches(row.zip.toStdU32String(), pattern))
            found.push_back(row);
    sortLikeTheDatabase(found);
    return found;
}

IndependentSearch::IndependentSearch(std::vector<ZipRow> table) : m_rows(std::move(table)) {
    sortLikeTheDatabase(m_rows);
    for (const ZipRow& row : m_rows)
        m_texts.push_back({row.city.toStdU32String(), row.state.toStdU32String(), row.zip.toStdU32String()});
}

std::vector<ZipRow> IndependentSearch::search(const QString& filter) const {
    const std::u32string pattern = likePattern(filter + QLatin1Char('%'));
    std::vector<ZipRow> found;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (likeMatches(m_texts[i][0], pattern) || likeMatches(m_texts[i][1], pattern)
            || likeMatches(m_texts[i][2], pattern))
            found.push_back(m_rows[i]);
    return found;
}

std::vector<ZipRow> listedRows(const ResultsList& list) {
    std::vector<ZipRow> rows;
    for (int i = 1; i <= list.count(); ++i)
        rows.push_back({list.itemText(i, 1), list.itemText(i, 2), list.itemText(i, 3)});
    return rows;
}

void checkSql(sqlite3* db, int code, const char* what) {
    if (code != SQLITE_OK && code != SQLITE_DONE)
        throw std::runtime_error(std::string("test database: ") + what + ": " + sqlite3_errmsg(db));
}

void execSql(sqlite3* db, const char* sql) { checkSql(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql); }

void runSql(const QString& database, const char* sql) {
    sqlite::Connection db;
    checkSql(db.get(),
             sqlite::open(QFile::encodeName(database).constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db),
             "open");
    execSql(db.get(), sql);
}

void writeDatabase(const QString& path, const std::vector<ZipRow>& rows) {
    sqlite::Connection connection;
    sqlite3* db = nullptr;
    checkSql(connection.get(),
             sqlite::open(QFile::encodeName(path).constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, connection),
             "open");
    db = connection.get();
    execSql(db, schema::Table);
    execSql(db, "BEGIN;");
    sqlite::Statement insert;
    checkSql(db, sqlite::prepare(db, schema::Insert, insert), "prepare");
    for (const ZipRow& row : rows) {
        const QString* fields[] = {&row.city, &row.state, &row.zip};
        for (int i = 0; i < 3; ++i) {
            if (fields[i]->isNull()) {
                checkSql(db, sqlite3_bind_null(insert.get(), i + 1), "bind");
            } else {
                const QByteArray text = fields[i]->toUtf8();
                checkSql(db,
                         sqlite3_bind_text(insert.get(), i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT),
                         "bind");
            }
        }
        checkSql(db, sqlite3_step(insert.get()), "insert");
        checkSql(db, sqlite3_reset(insert.get()), "reset");
    }
    execSql(db, "COMMIT;");
    execSql(db, schema::Indexes);
}

} // namespace olvaris::test
