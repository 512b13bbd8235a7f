// The workbook library's writers on their own: a checked list written as
// .xlsx and as .ods, then read back by the library's own readers.
#include "NumberFormat.h"
#include "OdsWriter.h"
#include "OpenSheet.h"
#include "WorkbookWriter.h"
#include "ZipArchive.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace olvaris::workbook;

namespace {

std::unique_ptr<SheetWriter> writerFor(const std::string& path) {
    if (path.ends_with(".ods"))
        return std::make_unique<OdsWriter>(path, "List");
    return std::make_unique<WorkbookWriter>(path, "List");
}

// A header, then one row of the cells given, into a file made first, as
// the writers' callers make theirs.
void writeList(const std::string& path, const std::vector<Cell>& cells) {
    QFile made(QString::fromStdString(path));
    QVERIFY(made.open(QIODevice::WriteOnly));
    made.close();
    const auto writer = writerFor(path);
    writer->setColumns({}, cells.size());
    Cell header;
    header.kind = Cell::Kind::Text;
    header.text = "Column";
    writer->row(std::vector<Cell>(cells.size(), header), {"verdict"}, SheetWriter::Mark::None, false);
    writer->headerWritten();
    writer->row(cells, {"ok"}, SheetWriter::Mark::None, false);
    writer->summary("a list", {{"ok", 1}});
    writer->close();
}

// The written list's second row, as the library reads it.
std::vector<Cell> rowWritten(const std::string& path) {
    const auto sheet = openSheet(path, FileKind::Zip, std::nullopt);
    if (!sheet->next() || !sheet->next())
        return {};
    return sheet->cells();
}

std::string sheetPart(const std::string& path) {
    return ZipArchive(path).read(path.ends_with(".ods") ? "content.xml" : "xl/worksheets/sheet1.xml");
}

Cell numberOf(Cell::Kind kind, double number) {
    Cell cell;
    cell.kind = kind;
    cell.number = number;
    cell.text = kind == Cell::Kind::Date ? dateText(number, false) : numberText(number);
    return cell;
}

void bothFormats() {
    QTest::addColumn<QString>("name");
    QTest::newRow("xlsx") << "list.xlsx";
    QTest::newRow("ods") << "list.ods";
}

Cell cellOf(Cell::Kind kind, const std::string& text) {
    Cell cell;
    cell.kind = kind;
    cell.text = text;
    return cell;
}

} // namespace

class WorkbookWritingTest : public QObject {
    Q_OBJECT

private slots:
    // An error cell's text is what the file read said: only an error
    // constant is written as an error; anything else, a formula a
    // spreadsheet would run above all, is written as plain text.
    void errorsAreWrittenAsConstantsOnly_data() { bothFormats(); }
    void errorsAreWrittenAsConstantsOnly() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const std::string path = dir.filePath(name).toStdString();
        const std::vector<std::string> texts = {"#VALUE!",          "#N/A", "WEBSERVICE(\"http://example.com/\")",
                                                "cmd|'/c calc'!A0", "1+1",  "#value!"};
        std::vector<Cell> cells;
        cells.reserve(texts.size());
        for (const std::string& text : texts)
            cells.push_back(cellOf(Cell::Kind::Error, text));
        writeList(path, cells);
        const std::vector<Cell> read = rowWritten(path);
        QCOMPARE(read.size(), texts.size() + 1);
        for (size_t i = 0; i < texts.size(); ++i) {
            QCOMPARE(read[i].text, texts[i]);
            QCOMPARE(read[i].kind, i < 2 ? Cell::Kind::Error : Cell::Kind::Text);
        }
        // The constants' formulas, and no other.
        const std::string part = sheetPart(path), formula = name.endsWith(".ods") ? "table:formula=" : "<f>";
        size_t formulas = 0;
        for (size_t at = part.find(formula); at != std::string::npos; at = part.find(formula, at + 1))
            ++formulas;
        QCOMPARE(formulas, size_t(2));
    }

    // Numbers and dates go back as they were read, every digit: 17 where a
    // double needs them, a date's time of day to its fraction of a second.
    void numbersAndDatesKeepEveryDigit_data() { bothFormats(); }
    void numbersAndDatesKeepEveryDigit() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const std::string path = dir.filePath(name).toStdString();
        const std::vector<double> numbers = {0.30000000000000004,  2134,      1e20, -1.2345678901234567e-300,
                                             123456789012345678.0, 45000.5625};
        const std::vector<double> dates = {45000.5625, 45000 + 48601.0 / 86400, 45000.123456789012,
                                           45000,      45000.999999999993,      1462.000001};
        std::vector<Cell> cells;
        cells.reserve(numbers.size() + dates.size());
        for (const double number : numbers)
            cells.push_back(numberOf(Cell::Kind::Number, number));
        for (const double date : dates)
            cells.push_back(numberOf(Cell::Kind::Date, date));
        writeList(path, cells);
        const std::vector<Cell> read = rowWritten(path);
        QCOMPARE(read.size(), cells.size() + 1);
        for (size_t i = 0; i < cells.size(); ++i) {
            QCOMPARE(read[i].kind, cells[i].kind);
            QVERIFY2(
                read[i].number == cells[i].number,
                qPrintable(
                    QString("%1 read back as %2").arg(cells[i].number, 0, 'g', 17).arg(read[i].number, 0, 'g', 17)));
        }
    }
};

QTEST_GUILESS_MAIN(WorkbookWritingTest)
#include "test_workbook_writing.moc"
