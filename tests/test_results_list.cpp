// The results store: every reader sees a row at once, the view only when it
// is announced; numbering, removal and bounds; the model's signals are sound.
#include "Failure.h"
#include "ListCommands.h"
#include "ResultsList.h"
#include "RowStore.h"
#include "support/ScriptedPlatform.h"
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace olvaris;

namespace {
void addRow(ResultsList& list, const QString& city, const QString& state, const QString& zip) {
    const int row = list.add(city);
    list.setSubItem(row, 1, state);
    list.setSubItem(row, 2, zip);
}
QStringList rowTexts(const ResultsList& list, int number) {
    return {list.itemText(number, 1), list.itemText(number, 2), list.itemText(number, 3)};
}
} // namespace

class ResultsListTest : public QObject {
    Q_OBJECT
private slots:
    void readersSeeRowsBeforeTheViewDoes() {
        ResultsList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char* caption : {"City", "State", "Zip"})
            list.addColumn(QString::fromUtf8(caption));
        addRow(list, "Holtsville", "NY", "00501");
        addRow(list, "Adjuntas", "PR", "00601");
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(rowTexts(list, 2), (QStringList{"Adjuntas", "PR", "00601"}));
        list.announce();
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.data(list.index(0, 2), Qt::DisplayRole).toString(), QStringLiteral("00501"));
        QCOMPARE(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("State"));
    }

    void announceScrollsToTheRowLastMadeVisible() {
        ResultsList list;
        QSignalSpy scrolled(&list, &ResultsList::scrollRequested);
        addRow(list, "A", "B", "C");
        addRow(list, "D", "E", "F");
        list.ensureVisible(2);
        list.announce();
        QCOMPARE(scrolled.size(), 1);
        QCOMPARE(scrolled[0][0].toInt(), 1);
        list.announce();
        QCOMPARE(scrolled.size(), 1);
    }

    void rowsAreAnnouncedOnceTheLoopIsIdle() {
        ResultsList list;
        addRow(list, "A", "B", "C");
        QCOMPARE(list.rowCount(), 0);
        QTRY_COMPARE(list.rowCount(), 1);
    }

    // The rows of the longest texts follow removals, and are found again
    // among all rows once every one kept is gone.
    void theLongestTextsFollowRemovals() {
        ResultsList list;
        for (int row = 1; row <= 40; ++row)
            addRow(list, QString(row, QChar('x')), "ST", "00000");
        const auto longest = [&] {
            std::vector<int> rows = list.longestRows(1);
            std::sort(rows.begin(), rows.end());
            return rows;
        };
        std::vector<int> expected;
        for (int row = 24; row < 40; ++row)
            expected.push_back(row); // the 16 longest: rows 25 to 40
        QCOMPARE(longest(), expected);
        list.remove(31); // the row of 31 x's: those after it move up
        expected.pop_back();
        QCOMPARE(longest(), expected);
        for (int kept = 0; kept < 15; ++kept) // the last rows, every one kept
            list.remove(list.count());
        expected.clear();
        for (int row = 8; row < 24; ++row)
            expected.push_back(row); // found again among the 24 left
        QCOMPARE(longest(), expected);
    }

    void removalMovesLaterRowsUp() {
        ResultsList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.addColumn("City");
        for (int i = 1; i <= 5; ++i)
            addRow(list, QString("c%1").arg(i), QString("s%1").arg(i), QString("z%1").arg(i));
        list.announce();
        addRow(list, "c6", "s6", "z6"); // not yet announced when the removal comes
        list.remove(2);
        QCOMPARE(list.count(), 5);
        QCOMPARE(list.rowCount(), 5);
        QCOMPARE(rowTexts(list, 2), (QStringList{"c3", "s3", "z3"}));
        QCOMPARE(rowTexts(list, 5), (QStringList{"c6", "s6", "z6"}));
    }

    // Removal moves whichever side is shorter, across block edges, and the
    // store still appends after its first block has gone.
    void storeRemovalKeepsTheOrderAtEveryPlace() {
        for (int size = 1; size <= 14; ++size) {
            for (int at = 0; at < size; ++at) {
                RowStore<int, 4> store;
                std::vector<int> expected;
                for (int k = 0; k < size; ++k) {
                    store.push_back(k);
                    expected.push_back(k);
                }
                // Three removals at the same place: the front block empties.
                for (int removal = 0; removal < 3 && at < int(expected.size()); ++removal) {
                    store.erase(size_t(at));
                    expected.erase(expected.begin() + at);
                }
                store.push_back(99);
                expected.push_back(99);
                std::vector<int> actual;
                for (size_t k = 0; k < store.size(); ++k)
                    actual.push_back(store[k]);
                QCOMPARE(actual, expected);
            }
        }
    }

    void readsOutOfRangeFail() {
        ResultsList list;
        addRow(list, "A", "B", "C");
        QVERIFY_THROWS_EXCEPTION(Failure, list.itemText(0, 1));
        QVERIFY_THROWS_EXCEPTION(Failure, list.itemText(2, 1));
        QVERIFY_THROWS_EXCEPTION(Failure, list.itemText(1, 4));
        QVERIFY_THROWS_EXCEPTION(Failure, list.setSubItem(2, 1, "x"));
        QVERIFY_THROWS_EXCEPTION(Failure, list.setSubItem(1, 3, "x"));
        QVERIFY_THROWS_EXCEPTION(Failure, list.remove(2));
        QVERIFY_THROWS_EXCEPTION(Failure, list.ensureVisible(5));
        QVERIFY_THROWS_EXCEPTION(Failure, list.headerText(1));
        list.clear();
        QVERIFY_THROWS_EXCEPTION(Failure, list.itemText(1, 1));
    }

    void changingAnOlderRowKeepsEveryOtherText() {
        ResultsList list;
        addRow(list, "Alpha", "AL", "11111");
        addRow(list, "Beta", "BE", "22222");
        list.setSubItem(1, 1, "A longer state text");
        list.setSubItem(2, 1, QString());
        list.setSubItem(1, 2, QStringLiteral("é"));
        QCOMPARE(rowTexts(list, 1), (QStringList{"Alpha", "A longer state text", "é"}));
        QCOMPARE(rowTexts(list, 2), (QStringList{"Beta", "", "22222"}));
        // The zip first and the state after it, on the newest row.
        const int row = list.add("Gamma");
        list.setSubItem(row, 2, "33333");
        list.setSubItem(row, 1, "GA");
        QCOMPARE(rowTexts(list, 3), (QStringList{"Gamma", "GA", "33333"}));
        QCOMPARE(rowTexts(list, 2), (QStringList{"Beta", "", "22222"}));
        // What a save reserves: each column's bytes over the rows still there.
        list.remove(2);
        QCOMPARE(list.columnBytes(1), std::uint64_t(strlen("AlphaGamma")));
        QCOMPARE(list.columnBytes(2), std::uint64_t(strlen("A longer state textGA")));
        QCOMPARE(list.columnBytes(3), std::uint64_t(strlen("é33333")));
    }

    void manyRowsAndLongTextsKeepTheirTexts() {
        ResultsList list;
        const int rows = 150'000; // several chunks of the text arena
        for (int i = 0; i < rows; ++i) {
            const int row = list.add(QString(i % 37, QLatin1Char('c')) + QString::number(i));
            list.setSubItem(row, 1, QString::number(i % 100));
            list.setSubItem(row, 2, QString::number(i * 7));
        }
        const QString hugeCity(3 * 1024 * 1024 / 2, QLatin1Char('h')); // longer than an arena chunk in UTF-8
        const int huge = list.add(hugeCity + QStringLiteral("é"));
        list.setSubItem(huge, 1, QString(65535, QLatin1Char('s')));
        QVERIFY_THROWS_EXCEPTION(Failure, list.setSubItem(huge, 2, QString(65536, QLatin1Char('z'))));
        const int after = list.add(QStringLiteral("after"));
        for (int i : {0, 1, 36, 37, 59'999, 60'000, 149'999}) {
            QCOMPARE(list.itemText(i + 1, 1), QString(i % 37, QLatin1Char('c')) + QString::number(i));
            QCOMPARE(list.itemText(i + 1, 3), QString::number(i * 7));
        }
        QCOMPARE(list.itemText(huge, 1), hugeCity + QStringLiteral("é"));
        QCOMPARE(list.itemText(huge, 2).size(), 65535);
        QCOMPARE(list.itemText(huge, 3), QString());
        QCOMPARE(list.itemText(after, 1), QStringLiteral("after"));
        // A cell paints only the start of a long text, cut between characters.
        const int accents = list.add(QString(1000, QChar(0xE9)));
        for (const char* caption : {"City", "State", "Zip"})
            list.addColumn(QString::fromLatin1(caption));
        list.announce();
        QCOMPARE(list.data(list.index(huge - 1, 0), Qt::DisplayRole).toString(), QString(1024, QLatin1Char('h')));
        QCOMPARE(list.data(list.index(accents - 1, 0), Qt::DisplayRole).toString(), QString(512, QChar(0xE9)));
    }

    void clearEmptiesTheListAndItsMemory() {
        ResultsList list;
        for (int i = 0; i < 1000; ++i)
            addRow(list, "City", "ST", "12345");
        QVERIFY(list.storeBytes() >= size_t(1000) * 12);
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.storeBytes(), size_t(0));
        // A store this large is given back in a thread of its own; the list
        // is empty at once and takes rows again.
        addRow(list, QString(0xFFFFFF, QLatin1Char('c')), "ST", "1");
        addRow(list, "City", "ST", "12345");
        QVERIFY(list.storeBytes() > size_t(16) << 20);
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.storeBytes(), size_t(0));
        addRow(list, "After", "ST", "54321");
        QCOMPARE(rowTexts(list, 1), (QStringList{"After", "ST", "54321"}));
    }

    void removalIsRefusedWhileBusyOrWithoutSelection() {
        ResultsList list;
        QVERIFY(!removeSelectedRow(list, pointer::Default, 1)); // empty list
        addRow(list, "A", "B", "C");
        addRow(list, "D", "E", "F");
        QVERIFY(!removeSelectedRow(list, pointer::Busy, 1));
        QVERIFY(!removeSelectedRow(list, pointer::Default, std::nullopt));
        QVERIFY(!removeSelectedRow(list, pointer::Default, 3));
        QCOMPARE(list.count(), 2);
        QVERIFY(removeSelectedRow(list, pointer::Custom, 1));
        QCOMPARE(list.itemText(1, 1), QStringLiteral("D"));
    }

    void clearResultsIsRefusedWhileBusy() {
        ResultsList list;
        test::ScriptedPlatform platform;
        addRow(list, "A", "B", "C");
        PushButton5_Click(list, pointer::Busy, platform);
        QCOMPARE(list.count(), 1);
        PushButton5_Click(list, pointer::Default, platform);
        QCOMPARE(list.count(), 0);
        PushButton5_Click(list, pointer::Default, platform); // nothing to clear, nothing shown
        QVERIFY(platform.messages.empty());
    }
};

QTEST_GUILESS_MAIN(ResultsListTest)
#include "test_results_list.moc"
