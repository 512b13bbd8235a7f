#include "ZipTable.h"
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>

namespace olvaris::test {

std::vector<ZipRow> readShippedCsv() {
    QFile file(QStringLiteral(OLVARIS_SOURCE_DIR "/db/us-zip-codes.csv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("cannot read the shipped CSV");
    std::vector<ZipRow> rows;
    file.readLine(); // header
    while (!file.atEnd()) {
        const QStringList fields = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
        if (fields.size() == 3)
            rows.push_back({fields[0], fields[1], fields[2]});
    }
    return rows;
}

namespace {
char32_t folded(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool matchFrom(const std::u32string& value, size_t v, const std::u32string& pattern, size_t p) {
    while (p < pattern.size()) {
        if (pattern[p] == U'%') {
            while (p < pattern.size() && pattern[p] == U'%')
                ++p;
            if (p == pattern.size())
                return true;
            for (size_t start = v; start <= value.size(); ++start)
                if (matchFrom(value, start, pattern, p))
                    return true;
            return false;
        }
        if (v == value.size())
            return false;
        if (pattern[p] != U'_' && folded(pattern[p]) != folded(value[v]))
            return false;
        ++p;
        ++v;
    }
    return v == value.size();
}

QString foldedKey(const QString& text) {
    QString key = text;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return key;
}
} // namespace

bool likeMatches(const QString& value, const QString& pattern) {
    return matchFrom(value.toStdU32String(), 0, pattern.toStdU32String(), 0);
}

void sortLikeTheDatabase(std::vector<ZipRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const ZipRow& a, const ZipRow& b) {
        const auto ka = std::tuple(foldedKey(a.city).toUtf8(), foldedKey(a.state).toUtf8(), foldedKey(a.zip).toUtf8());
        const auto kb = std::tuple(foldedKey(b.city).toUtf8(), foldedKey(b.state).toUtf8(), foldedKey(b.zip).toUtf8());
        return ka < kb;
    });
}

std::vector<ZipRow> expectedSearch(const std::vector<ZipRow>& table, const QString& filter) {
    const QString pattern = filter + QLatin1Char('%');
    std::vector<ZipRow> found;
    for (const ZipRow& row : table)
        if (likeMatches(row.city, pattern) || likeMatches(row.state, pattern) || likeMatches(row.zip, pattern))
            found.push_back(row);
    sortLikeTheDatabase(found);
    return found;
}

void writeDatabase(const QString& path, const std::vector<ZipRow>& rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create test database");
    sqlite3_exec(db,
                 "CREATE TABLE zip_codes (city TEXT COLLATE NOCASE, state TEXT COLLATE NOCASE, zip TEXT COLLATE NOCASE);"
                 "BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO zip_codes VALUES (?1, ?2, ?3)", -1, &insert, nullptr);
    for (const ZipRow& row : rows) {
        const QString* fields[] = {&row.city, &row.state, &row.zip};
        for (int i = 0; i < 3; ++i) {
            if (fields[i]->isNull()) {
                sqlite3_bind_null(insert, i + 1);
            } else {
                const QByteArray text = fields[i]->toUtf8();
                sqlite3_bind_text(insert, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace olvaris::test
