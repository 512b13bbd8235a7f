#include "WorkbookFigures.h"
#include "ChildRun.h"
#include "ExportRows.h"
#include "Measure.h"
#include "Repeats.h"
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>
#include <xlsxwriter.h>

using bench::runChild;

namespace {

// The export as a spreadsheet saves it: one sheet, a header, every cell a
// shared string (the ZIP codes as text, zeros kept), as Excel and
// LibreOffice write them.
void writeWorkbook(const QString& path, const std::vector<bench::Place>& places, long rows) {
    lxw_workbook* workbook = workbook_new(path.toUtf8().constData());
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Customers");
    const char* header[] = {"Name", "Street", "City", "State", "ZIP"};
    for (lxw_col_t column = 0; column < 5; ++column)
        worksheet_write_string(sheet, 0, column, header[column], nullptr);
    for (long i = 0; i < rows; ++i) {
        const auto row = bench::exportRow(i, places);
        for (lxw_col_t column = 0; column < 5; ++column)
            worksheet_write_string(sheet, lxw_row_t(i + 1), column, row[column].c_str(), nullptr);
    }
    workbook_close(workbook);
}

void writeCsv(const QString& path, const std::vector<bench::Place>& places, long rows) {
    std::FILE* file = std::fopen(path.toUtf8().constData(), "wb");
    std::fputs("Name,Street,City,State,ZIP\r\n", file);
    for (long i = 0; i < rows; ++i) {
        const auto row = bench::exportRow(i, places);
        std::fprintf(file, "%s,\"%s\",%s,%s,%s\r\n", row[0].c_str(), row[1].c_str(), row[2].c_str(), row[3].c_str(),
                     row[4].c_str());
    }
    std::fclose(file);
}

// The checked CSV's records, as RFC 4180 splits them.
std::vector<std::vector<std::string>> recordsOf(const QString& path) {
    std::vector<std::vector<std::string>> records;
    std::FILE* file = std::fopen(path.toUtf8().constData(), "rb");
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (int c, last = 0; (c = std::getc(file)) != EOF; last = c) {
        if (c == '"') {
            if (!quoted && last == '"')
                fields.back() += '"';
            quoted = !quoted;
        } else if (quoted || (c != ',' && c != '\n' && c != '\r')) {
            fields.back() += char(c);
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            records.push_back(std::move(fields));
            fields.assign(1, std::string());
        }
    }
    std::fclose(file);
    return records;
}

// The floor of writing the result: the same cells, every one a string,
// written by libxlsxwriter in its constant-memory mode and nothing else.
double floorWrite(const std::vector<std::vector<std::string>>& records, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(path.toUtf8().constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Customers");
    for (size_t row = 0; row < records.size(); ++row)
        for (size_t column = 0; column < records[row].size(); ++column)
            if (!records[row][column].empty())
                worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), records[row][column].c_str(), nullptr);
    workbook_close(workbook);
    return bench::seconds(timer);
}

bool pandasThere() {
    return runChild(QStringLiteral("/usr/bin/python3"), {"-c", "import pandas, openpyxl"}, {},
                    QStringLiteral("/dev/null"))
               .status
           == 0;
}

} // namespace

void workbookFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work) {
    const QString lookup = binFolder + QStringLiteral("/olvaris-lookup");
    const std::vector<bench::Place> places = bench::tableOf(database);
    const QString book = work + QStringLiteral("/export-1m.xlsx"), csv = work + QStringLiteral("/export-1m-plain.csv"),
                  small = work + QStringLiteral("/export-100k.xlsx");
    writeWorkbook(book, places, 1000000);
    writeWorkbook(small, places, 100000);
    writeCsv(csv, places, 1000000);
    const QString checked = work + QStringLiteral("/checked-book.csv"),
                  written = work + QStringLiteral("/checked.xlsx"), floorBook = work + QStringLiteral("/floor.xlsx");
    const QStringList base{"--database", database, "--check"};

    bench::Paired reading, writing;
    for (int i = 0; i < bench::repeats(); ++i) {
        const double fromBook = runChild(lookup, base + QStringList{book}, {}, checked).seconds;
        reading.add(fromBook, runChild(lookup, base + QStringList{csv}, {}, checked).seconds);
    }
    const std::vector<std::vector<std::string>> records = recordsOf(checked);
    for (int i = 0; i < bench::repeats(); ++i) {
        const double toCsv = runChild(lookup, base + QStringList{book}, {}, checked).seconds;
        const double toBook =
            runChild(lookup, base + QStringList{book, "--output", written}, {}, QStringLiteral("/dev/null")).seconds;
        writing.add(toBook - toCsv, floorWrite(records, floorBook));
    }
    out << "\n| olvaris-lookup --check of a workbook        | lookup                   | floor                    | "
           "ratio               |\n";
    out << "|---------------------------------------------|--------------------------|--------------------------|---"
           "------------------|\n";
    out << QString::asprintf("| %-43s | %-24s | %-24s | %-19s |\n", "1,000,000-row .xlsx; floor: the same as CSV",
                             qPrintable(bench::seconds(reading.program)), qPrintable(bench::seconds(reading.floor)),
                             qPrintable(bench::ratio(reading.ratio)));
    out << QString::asprintf("| %-43s | %-24s | %-24s | %-19s |\n", "writing the result as .xlsx; floor: lxw alone",
                             qPrintable(bench::seconds(writing.program)), qPrintable(bench::seconds(writing.floor)),
                             qPrintable(bench::ratio(writing.ratio)));
    out << "(writing: the check to .xlsx less the same check to CSV, each run in turn; the floor writes the same "
           "cells as strings with libxlsxwriter's constant-memory mode)\n";

    if (pandasThere()) {
        // pandas takes a minute for a million rows: the 100,000-row workbook.
        bench::Paired pandas;
        for (int i = 0; i < std::min(3, bench::repeats()); ++i) {
            const double check = runChild(lookup, base + QStringList{small}, {}, checked).seconds;
            pandas.add(check, runChild(QStringLiteral("/usr/bin/python3"),
                                       {"-c", "import sys, pandas; pandas.read_excel(sys.argv[1], dtype=str)", small},
                                       {}, QStringLiteral("/dev/null"))
                                  .seconds);
        }
        out << QString::asprintf("100,000-row .xlsx: the whole check %s; pandas.read_excel (openpyxl) reading it "
                                 "alone %s; ratio %s\n",
                                 qPrintable(bench::seconds(pandas.program)), qPrintable(bench::seconds(pandas.floor)),
                                 qPrintable(bench::ratio(pandas.ratio, 1.0)));
    } else {
        out << "pandas with openpyxl is not installed (apt install python3-pandas python3-openpyxl): not compared\n";
    }
    const long peakSmall = runChild(lookup, base + QStringList{small}, {}, checked, true).peakKiB;
    const long peakLarge = runChild(lookup, base + QStringList{book}, {}, checked, true).peakKiB;
    const long peakWrite =
        runChild(lookup, base + QStringList{book, "--output", written}, {}, QStringLiteral("/dev/null"), true).peakKiB;
    // The result itself has no shared strings (each cell holds its text):
    // what one row at a time costs.
    const long peakInline = runChild(lookup, base + QStringList{written}, {}, checked, true).peakKiB;
    out << QString::asprintf("Peak resident memory of the workbook check: %.1f MB for 100,000 rows, %.1f MB for "
                             "1,000,000 (some 2,000,000 distinct shared strings); %.1f MB writing the 1,000,000-row "
                             "result as .xlsx; %.1f MB checking that result (no shared strings)\n",
                             peakSmall / 1024.0, peakLarge / 1024.0, peakWrite / 1024.0, peakInline / 1024.0);
    QFile::remove(written);
    QFile::remove(floorBook);
}
