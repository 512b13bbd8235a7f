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
#include "ZipDatabase.h"
#include "ZipSchema.h"
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

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
    // The shipped data, as the list check reads it.
    olvaris::sqlite::Connection m_shipped;
    std::unique_ptr<olvaris::lookup::ZipIndex> m_index;
    std::unique_ptr<olvaris::lookup::Places> m_places;
    std::optional<olvaris::lookup::ZipFacts> m_facts;

private slots:
    void initTestCase() {
        m_shipped = olvaris::zipbase::openZipDatabase(OLVARIS_SHIPPED_DATABASE);
        m_index = std::make_unique<olvaris::lookup::ZipIndex>(m_shipped.get());
        m_places = std::make_unique<olvaris::lookup::Places>(m_shipped.get());
        QVERIFY(m_places->located() && m_places->knowsPlaceNames());
        m_facts.emplace(*m_places);
    }

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

    void aRowGetsItsVerdict_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("suggestedZip");
        QTest::addColumn<QString>("note");
        QTest::newRow("right, any case") << QByteArray("BOSTON,MA,02108") << "ok"
                                         << ""
                                         << "";
        QTest::newRow("ZIP+4") << QByteArray("Boston,MA,02108-1234") << "format"
                               << "02108"
                               << "ZIP+4";
        QTest::newRow("lost zeros") << QByteArray("Holtsville,NY,501") << "format"
                                    << "00501"
                                    << "leading zeros";
        QTest::newRow("ZIP+4 as a number") << QByteArray("Holtsville,NY,5011234") << "format"
                                           << "00501"
                                           << "ZIP+4";
        QTest::newRow("state written out") << QByteArray("Boston, massachusetts ,02108") << "format"
                                           << ""
                                           << "is MA";
        // A ZIP is suggested only where it is certain: the city has one.
        QTest::newRow("another place's ZIP") << QByteArray("Springfield,IL,02134") << "mismatch"
                                             << ""
                                             << "02134 is Allston, MA, 971.7 mi from Springfield; Springfield, IL has "
                                                "62701";
        // A ZIP retired since the list: the town's ZIP now where it has one;
        // a ZIP new since the list is like any other.
        QTest::newRow("retired ZIP") << QByteArray("Sacaton,AZ,85247") << "retired-zip"
                                     << "85147"
                                     << "ZIP 85247 is retired (it was Sacaton, AZ)";
        QTest::newRow("retired ZIP of a town gone") << QByteArray("Bryce Canyon,UT,84717") << "retired-zip"
                                                    << ""
                                                    << "Bryce Canyon, UT has no ZIP code now";
        QTest::newRow("new ZIP") << QByteArray("North Reading,MA,01825") << "ok"
                                 << ""
                                 << "";
        // A ZIP of the state named may be the right one: no other is suggested.
        QTest::newRow("another place's ZIP, a town of one ZIP") << QByteArray("Acton,MA,02134") << "mismatch"
                                                                << ""
                                                                << "02134 is Allston, MA, 18.2 mi from Acton";
        QTest::newRow("another state's ZIP, a town of one ZIP") << QByteArray("Acton,MA,10001") << "mismatch"
                                                                << "01720"
                                                                << "10001 is New York, NY";
        // Names people use for their town: the city a ZIP lies in, a
        // neighbourhood near its point; never a ZIP that would misdirect mail.
        QTest::newRow("the city a ZIP lies in") << QByteArray("Boston,MA,02130") << "local-name"
                                                << ""
                                                << "02130 (Jamaica Plain) lies partly in Boston";
        QTest::newRow("another ZIP of the town") << QByteArray("Newton,MA,02465") << "local-name"
                                                 << ""
                                                 << "02465 (West Newton) lies partly in Newton";
        QTest::newRow("a neighbourhood") << QByteArray("Hollywood,CA,90028") << "local-name"
                                         << ""
                                         << "Hollywood is a place 0.2 mi from 90028 (Los Angeles, CA)";
        QTest::newRow("a neighbourhood a spelling from a town far away")
            << QByteArray("Harlem,NY,10027") << "local-name"
            << ""
            << "Harlem is a place";
        QTest::newRow("a neighbourhood named after a town elsewhere") << QByteArray("Westwood,CA,90024") << "local-name"
                                                                      << ""
                                                                      << "Westwood is a place";
        QTest::newRow("a neighbourhood the data lacks") << QByteArray("Buckhead,GA,30305") << "mismatch"
                                                        << ""
                                                        << "30305 is Atlanta, GA, 63.3 mi from Buckhead";
        QTest::newRow("misspelt, the nearest spelling far") << QByteArray("Bosston,MA,02134") << "unknown-city"
                                                            << ""
                                                            << "nearest: Boston, 1.6 mi away";
        // The ZIP's town of that name in another state: the state may be
        // what is wrong, so the one ZIP of Wayland, MA is not certain.
        QTest::newRow("wrong state, a town of that name") << QByteArray("Wayland,MA,14572") << "mismatch"
                                                          << ""
                                                          << "14572 is Wayland, NY";
        QTest::newRow("wrong state") << QByteArray("Boston,NH,02108") << "mismatch"
                                     << ""
                                     << "02108 is Boston, MA";
        QTest::newRow("no state") << QByteArray("Boston,XX,02108") << "mismatch"
                                  << ""
                                  << "the state cell \"XX\" is not a US state";
        // The data's own name in another spelling is deliverable as written.
        QTest::newRow("St for Saint") << QByteArray("St. Louis,MO,63101") << "ok"
                                      << ""
                                      << "the data writes it Saint Louis";
        QTest::newRow("apostrophe") << QByteArray("Coeur d'Alene,ID,83814") << "ok"
                                    << ""
                                    << "Coeur D Alene";
        // As word processors and phones type them, and the short forms people write.
        QTest::newRow("typographic apostrophe") << QByteArray("O\xE2\x80\x99"
                                                              "Fallon,MO,63366")
                                                << "ok"
                                                << ""
                                                << "the data writes it O Fallon";
        QTest::newRow("en dash") << QByteArray("Winston\xE2\x80\x93Salem,NC,27101\xE2\x80\x93"
                                               "1234")
                                 << "format"
                                 << "27101"
                                 << "ZIP+4";
        QTest::newRow("short forms") << QByteArray("N. Las Vegas,NV,89030") << "ok"
                                     << ""
                                     << "North Las Vegas";
        QTest::newRow("Spgs") << QByteArray("Colorado Spgs,CO,80903") << "ok"
                              << ""
                              << "Colorado Springs";
        QTest::newRow("a direction shortened") << QByteArray("Charlotte,No. Carolina,28202") << "format"
                                               << ""
                                               << "is NC";
        QTest::newRow("accent") << QByteArray("Mayag\xC3\xBC"
                                              "ez,PR,00680")
                                << "ok"
                                << ""
                                << "the data writes it Mayaguez";
        QTest::newRow("St for Saint, other ZIP") << QByteArray("St Louis,MO,02134") << "mismatch"
                                                 << ""
                                                 << "02134 is Allston, MA";
        QTest::newRow("old state abbreviation") << QByteArray("Charleston,W. Va.,25301") << "format"
                                                << ""
                                                << "state W. Va. is WV";
        QTest::newRow("misspelt, other ZIP") << QByteArray("Bostn,MA,02134") << "unknown-city"
                                             << ""
                                             << "nearest: Boston";
        // Of names as near as any, the town the row's ZIP belongs to.
        QTest::newRow("misspelt, a tie the ZIP decides") << QByteArray("Bellmar,NJ,07719") << "unknown-city"
                                                         << ""
                                                         << "nearest: Belmar";
        QTest::newRow("unknown ZIP") << QByteArray("Boston,MA,00000") << "unknown-zip"
                                     << ""
                                     << "no ZIP code";
        QTest::newRow("unknown ZIP, a town of one ZIP") << QByteArray("Accord,MA,00000") << "unknown-zip"
                                                        << "02018"
                                                        << "no ZIP code";
        QTest::newRow("not a ZIP") << QByteArray("Boston,MA,0210") << "unknown-zip"
                                   << ""
                                   << "no ZIP code 00210";
        QTest::newRow("no ZIP at all") << QByteArray("Boston,MA,ABCDE") << "unknown-zip"
                                       << ""
                                       << "the ZIP cell \"ABCDE\" is not a ZIP code";
        QTest::newRow("apostrophe cell") << QByteArray("Allston,MA,'02134") << "format"
                                         << "02134"
                                         << "spreadsheet cell";
        QTest::newRow("formula cell") << QByteArray("Allston,MA,=\"02134\"") << "format"
                                      << "02134"
                                      << "spreadsheet cell";
        QTest::newRow("number cell") << QByteArray("Allston,MA,2134.0") << "format"
                                     << "02134"
                                     << "lost its leading zeros";
        QTest::newRow("number cell, zeros kept") << QByteArray("Allston,MA,02134.00") << "format"
                                                 << "02134"
                                                 << "spreadsheet cell";
        QTest::newRow("empty") << QByteArray(",MA,") << "incomplete"
                               << ""
                               << "empty: city, ZIP";
    }
    // Nothing of ours begins as a spreadsheet's formula, whatever the
    // list's cells or a database built elsewhere hold: a note quotes the
    // cell it cites, and a suggestion that would begin so is not made.
    void noNoteOrSuggestionBeginsAsAFormula() {
        const auto formula = [](const std::string& text) {
            return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
        };
        const auto judged = [&](const olvaris::lookup::ZipIndex& index, olvaris::lookup::ZipFacts& facts,
                                const std::array<std::string, 3>& row) {
            const RowVerdict verdict = olvaris::lookup::judge(index, row[0], row[1], row[2], &facts);
            const std::string said = row[0] + "|" + row[1] + "|" + row[2] + " -> " + verdict.note;
            QVERIFY2(!formula(verdict.note) && !formula(verdict.suggestedZip), said.c_str());
            for (const std::string& field : verdict.corrected)
                QVERIFY2(!formula(field), std::string(said).append(" corrected ").append(field).c_str());
        };
        for (const std::string cell : {"=1+1", "+1", "-1", "@SUM(A1)", "\t=1+1", "\r=1+1", "=HYPERLINK(\"x\")"})
            for (const std::array<std::string, 3>& row :
                 std::vector<std::array<std::string, 3>>{{cell, "MA", "02134"},
                                                         {"Boston", cell, "02108"},
                                                         {"Allston", cell, "2134-0001"},
                                                         {"Boston", "MA", cell},
                                                         {cell, "MA", "00000"},
                                                         {cell, cell, cell},
                                                         {cell, "", ""},
                                                         {"", cell, ""},
                                                         {"", "", cell}})
                judged(*m_index, *m_facts, row);
        QVERIFY(olvaris::lookup::judge(*m_index, "Boston", "MA", "=1+1")
                    .note.starts_with("the ZIP cell \"=1+1\" is not a ZIP code"));

        QTemporaryDir dir;
        SmallDatabase data(dir.filePath(QStringLiteral("zips.mdb")));
        const olvaris::geo::GeoPoint point{42.1, -72.6};
        data.zip("=Evil", "MA", "01001", point);
        data.namedPlace("-Near", "MA", point);
        data.namedPlace("@Far", "MA", {43.1, -72.6});
        const olvaris::lookup::ZipIndex index(data.db.get());
        olvaris::lookup::Places places(data.db.get());
        olvaris::lookup::ZipFacts facts(places);
        for (const std::array<std::string, 3>& row : std::vector<std::array<std::string, 3>>{
                 {"-Near", "MA", "01001"}, {"@Far", "MA", "01001"}, {"Evil", "MA", "00000"}, {"= Evil", "MA", "01001"}})
            judged(index, facts, row);
    }

    void aRowGetsItsVerdict() {
        QFETCH(QByteArray, row);
        QFETCH(QString, verdict);
        QFETCH(QString, note);
        // The row's city, state and ZIP as the list's reader gives them.
        const QList<QByteArray> fields = row.split(',');
        QCOMPARE(fields.size(), 3);
        const RowVerdict judged = olvaris::lookup::judge(*m_index, fields[0].toStdString(), fields[1].toStdString(),
                                                         fields[2].toStdString(), &*m_facts);
        const std::string_view word = olvaris::lookup::verdictWord(judged.kind);
        QCOMPARE(QString::fromLatin1(word.data(), qsizetype(word.size())), verdict);
        QTEST(QString::fromStdString(judged.suggestedZip), "suggestedZip");
        QVERIFY2(QString::fromStdString(judged.note).contains(note), judged.note.c_str());
    }

    // A right town written in another form of the data's name keeps its
    // letters, accents, hyphens and apostrophes: nothing is restyled, only
    // a form to correct (the state, the ZIP) is.
    void aRightTownIsNeverRespelt() {
        for (const char* row :
             {"St. Louis|MO|63101",
              "O\xE2\x80\x99"
              "Fallon|MO|63366",
              "Lee's Summit|MO|64063", "Sedro-Woolley|WA|98284", "Wilkes-Barre|pa|18701", "Ho-Ho-Kus|NJ|7423",
              "Mayag\xC3\xBC"
              "ez|PR|00680"}) {
            const QList<QByteArray> fields = QByteArray(row).split('|');
            const RowVerdict judged = olvaris::lookup::judge(*m_index, fields[0].toStdString(), fields[1].toStdString(),
                                                             fields[2].toStdString(), &*m_facts);
            QVERIFY2(judged.kind == Kind::Ok || judged.kind == Kind::Format, row);
            QVERIFY2(judged.corrected[0].empty(), (row + std::string(" respelt ") + judged.corrected[0]).c_str());
        }
        const RowVerdict lostZero = olvaris::lookup::judge(*m_index, "Ho-Ho-Kus", "NJ", "7423", &*m_facts);
        QCOMPARE(lostZero.corrected[2], std::string("07423"));
    }
};

QTEST_GUILESS_MAIN(RowVerdictsTest)
#include "test_row_verdicts.moc"
