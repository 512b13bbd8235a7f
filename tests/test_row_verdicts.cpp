// The rules that judge a list's row, in process: against a small database
// made here where a rule turns on a number (how near a place must be), and
// against the shipped data as lists meet it.
#include "GeoPoint.h"
#include "Places.h"
#include "RowVerdict.h"
#include "SqliteHandles.h"
#include "ZipFacts.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include "ZipSchema.h"
#include <QTemporaryDir>
#include <QtTest>

using olvaris::lookup::RowVerdict;
using Kind = RowVerdict::Kind;

namespace {

void exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string said = message ? message : "?";
        sqlite3_free(message);
        qFatal("test database: %s: %s", sql.c_str(), said.c_str());
    }
}

// The table, its points and the names people use, as the builder lays
// them out (the lookups test for each table by its name).
struct SmallDatabase {
    olvaris::sqlite::Connection db;
    explicit SmallDatabase(const QString& path) {
        if (olvaris::sqlite::open(QFile::encodeName(path).constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, db)
            != SQLITE_OK)
            qFatal("cannot make the test database");
        exec(db.get(), olvaris::schema::Table);
        exec(db.get(), olvaris::schema::Places);
        exec(db.get(), olvaris::schema::PlaceNames);
    }
    void zip(const char* city, const char* state, const char* zip, olvaris::geo::GeoPoint at) {
        char* sql = sqlite3_mprintf("INSERT INTO zip_codes VALUES (%Q, %Q, %Q);"
                                    "INSERT INTO zip_places VALUES (%Q, %.9f, %.9f, 'County', '00000');",
                                    city, state, zip, zip, at.latitude, at.longitude);
        exec(db.get(), sql);
        sqlite3_free(sql);
    }
    void namedPlace(const std::string& place, const char* state, olvaris::geo::GeoPoint at) {
        char* sql = sqlite3_mprintf("INSERT INTO named_places VALUES (%Q, %Q, %Q, %.9f, %.9f);", place.c_str(), state,
                                    olvaris::ziplist::cityKey(place).c_str(), at.latitude, at.longitude);
        exec(db.get(), sql);
        sqlite3_free(sql);
    }
};

} // namespace

class RowVerdictsTest : public QObject {
    Q_OBJECT

private slots:
    // A place of the row's name is a name people use for where the ZIP is
    // only within LocalNameMiles of the ZIP's point; farther off it is said
    // with its distance and the row is not deliverable as written.
    void aPlaceNameIsLocalOnlyNearTheZip() {
        QTemporaryDir dir;
        SmallDatabase data(dir.filePath(QStringLiteral("zips.mdb")));
        const olvaris::geo::GeoPoint zipPoint{42.1, -72.6};
        data.zip("Agawam", "MA", "01001", zipPoint);
        // Due north: the distance grows with the latitude alone.
        const double milesPerDegree = olvaris::geo::milesBetween(zipPoint, {43.1, -72.6});
        const auto north = [&](double miles) {
            return olvaris::geo::GeoPoint{zipPoint.latitude + miles / milesPerDegree, zipPoint.longitude};
        };
        const struct {
            const char* place;
            double miles;
            bool local;
        } cases[] = {{"Feeding Hills", 2.0, true},
                     {"Edge Inside", 2.4, true},
                     {"Edge Outside", 2.6, false},
                     {"Three Mile", 3.0, false},
                     {"Nine Mile", 9.0, false}};
        for (const auto& c : cases)
            data.namedPlace(c.place, "MA", north(c.miles));
        // The same name in another state, at the ZIP's own point: not it.
        data.namedPlace("Elsewhere", "CT", zipPoint);

        const olvaris::lookup::ZipIndex index(data.db.get());
        olvaris::lookup::Places places(data.db.get());
        QVERIFY(places.located() && places.knowsPlaceNames());
        olvaris::lookup::ZipFacts facts(places);
        for (const auto& c : cases) {
            const RowVerdict verdict = olvaris::lookup::judge(index, c.place, "MA", "01001", &facts);
            const QString note = QString::fromStdString(verdict.note);
            QVERIFY2(verdict.kind == (c.local ? Kind::LocalName : Kind::UnknownCity),
                     qPrintable(c.place + (": " + note)));
            QVERIFY2(note.contains(QStringLiteral("%1 is a place %2 mi from 01001")
                                       .arg(QLatin1String(c.place))
                                       .arg(c.miles, 0, 'f', 1)),
                     qPrintable(note));
            QVERIFY(verdict.suggestedZip.empty());
        }
        QCOMPARE(olvaris::lookup::judge(index, "Elsewhere", "MA", "01001", &facts).kind, Kind::UnknownCity);
        // Without the facts no name people use is known.
        QCOMPARE(olvaris::lookup::judge(index, "Feeding Hills", "MA", "01001").kind, Kind::UnknownCity);
    }
};

QTEST_GUILESS_MAIN(RowVerdictsTest)
#include "test_row_verdicts.moc"
