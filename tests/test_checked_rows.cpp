// The checked rows the list check's window holds: their texts at the edges
// of the store's chunks, and the order the table gives them in.
#include "CheckedRowStore.h"
#include "CheckedRowsModel.h"
#include <QtTest>
#include <array>

using namespace olvaris::listcheck;
using Kind = olvaris::lookup::RowVerdict::Kind;

namespace {

using Texts = std::array<std::string, RowTextCount>;

// A row's texts taking `bytes` in the store (each text two bytes of length
// and its own), every byte telling its row, text and place apart.
Texts textsTaking(size_t bytes, size_t row) {
    Texts texts;
    size_t left = bytes - RowTextCount * 2;
    for (size_t field = 0; field < RowTextCount; ++field) {
        const size_t size = std::min(left, RowBatch::LongestShown);
        for (size_t i = 0; i < size; ++i)
            texts[field] += char('a' + (row * 7 + field * 3 + i) % 26);
        left -= size;
    }
    return texts;
}

void add(RowBatch& batch, std::vector<Texts>& added, const Texts& texts, Kind kind = Kind::Ok) {
    const std::string_view views[RowTextCount] = {texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]};
    batch.add(std::uint32_t(added.size() + 2), kind, views);
    added.push_back(texts);
}

QStringList column(const CheckedRowsModel& model, int column) {
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row, column).data().toString();
    return shown;
}

} // namespace

class CheckedRowsTest : public QObject {
    Q_OBJECT

private slots:
    // Rows whose texts end exactly at a chunk's end stay in it; a byte more
    // and the row begins the next chunk. Every text reads back whole.
    void textsAtAChunksEdge() {
        const size_t largest = RowTextCount * (2 + RowBatch::LongestShown);
        size_t oneChunk = 0;
        {
            CheckedRowStore store;
            RowBatch batch;
            std::vector<Texts> added;
            add(batch, added, textsTaking(RowTextCount * 2, 0));
            store.append(batch);
            oneChunk = store.heldBytes();
        }
        for (const size_t over : {size_t(0), size_t(1)}) {
            CheckedRowStore store;
            RowBatch batch;
            std::vector<Texts> added;
            size_t used = 0;
            for (; CheckedRowStore::ChunkSize - used > largest; used += largest)
                add(batch, added, textsTaking(largest, added.size()));
            const size_t last = CheckedRowStore::ChunkSize - used + over;
            QVERIFY(last >= RowTextCount * 2 && last <= largest);
            add(batch, added, textsTaking(last, added.size()));
            store.append(batch);
            QCOMPARE(store.heldBytes(), oneChunk + over * CheckedRowStore::ChunkSize);
            // After a full chunk the next row, however short, begins
            // another; after the row that did, it fits in that one.
            RowBatch next;
            add(next, added, textsTaking(RowTextCount * 2 + 1, added.size()));
            store.append(next);
            QCOMPARE(store.heldBytes(), oneChunk + CheckedRowStore::ChunkSize);
            QCOMPARE(store.size(), added.size());
            for (size_t row = 0; row < added.size(); ++row)
                for (size_t field = 0; field < RowTextCount; ++field)
                    QVERIFY2(store.text(row, RowText(field)) == added[row][field],
                             qPrintable(QStringLiteral("%1 over: row %2, text %3").arg(over).arg(row).arg(field)));
        }
    }

    // Sorted by a column, then by verdict: the rows of each verdict in the
    // list's order again, not the column's, whichever way the sort went.
    void aVerdictsRowsComeInTheListsOrderAfterAnySort() {
        CheckedRowsModel model;
        RowBatch batch;
        std::vector<Texts> added;
        const std::pair<const char*, Kind> rows[] = {
            {"Dee", Kind::Ok},       {"Bob", Kind::Mismatch}, {"Fay", Kind::Ok},
            {"Ann", Kind::Mismatch}, {"Eve", Kind::Format},   {"Cy", Kind::Ok},
            {"Gil", Kind::Format},   {"Abe", Kind::Mismatch}, {"Hal", Kind::NoAddress}};
        for (const auto& [name, kind] : rows)
            add(batch, added, {name, "Boston", "MA", "02108", "", ""}, kind);
        model.append(batch);
        const QStringList lookFirst{"3", "5", "9", "6", "8", "2", "4", "7", "10"};
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            model.sort(CheckedRowsModel::Name, order);
            model.sortLookFirst();
            QCOMPARE(column(model, CheckedRowsModel::RowNumber), lookFirst);
            model.sort(CheckedRowsModel::Name, order);
            model.sort(CheckedRowsModel::Verdict, Qt::AscendingOrder);
            QCOMPARE(column(model, CheckedRowsModel::RowNumber), lookFirst);
            model.sort(CheckedRowsModel::Name, order);
            model.sort(CheckedRowsModel::Verdict, Qt::DescendingOrder);
            QCOMPARE(column(model, CheckedRowsModel::RowNumber),
                     (QStringList{"10", "2", "4", "7", "6", "8", "3", "5", "9"}));
        }
    }
};

QTEST_GUILESS_MAIN(CheckedRowsTest)
#include "test_checked_rows.moc"
