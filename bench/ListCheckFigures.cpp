#include "ListCheckFigures.h"
#include "ChildRun.h"
#include "ExportRows.h"
#include "Measure.h"
#include "Repeats.h"
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

using bench::runChild;

namespace {

using bench::Place;
using bench::tableOf;

// The export as a spreadsheet writes it: BOM, CRLF, a quoted street.
void writeExport(const QString& path, const std::vector<Place>& places, long rows, bool misspeltOnly = false) {
    std::FILE* file = std::fopen(path.toUtf8().constData(), "wb");
    std::fputs("\xEF\xBB\xBFName,Street,City,State,ZIP\r\n", file);
    for (long i = 0; i < rows; ++i) {
        const auto row = bench::exportRow(i, places, misspeltOnly);
        std::fprintf(file, "%s,\"%s\",%s,%s,%s\r\n", row[0].c_str(), row[1].c_str(), row[2].c_str(), row[3].c_str(),
                     row[4].c_str());
    }
    std::fclose(file);
}

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The floor: the table into a hash by ZIP, the file read a piece at a time
// and split as RFC 4180 says, each row's ZIP looked up and its city and
// state compared, each row written with ok or not.
double floorCheck(const QString& database, const QString& input, const QString& output) {
    QElapsedTimer timer;
    timer.start();
    std::unordered_map<std::string, std::vector<Place>> byZip;
    for (Place& place : tableOf(database))
        byZip[place.zip].push_back(std::move(place));
    std::FILE* in = std::fopen(input.toUtf8().constData(), "rb");
    std::FILE* out = std::fopen(output.toUtf8().constData(), "wb");
    std::vector<std::string> fields(1);
    std::string record;
    bool quoted = false, header = true;
    for (int c; (c = std::getc(in)) != EOF;) {
        record += char(c);
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || (c != ',' && c != '\n')) {
            if (c != '\r')
                fields.back() += char(c);
            continue;
        }
        if (c == ',') {
            fields.emplace_back();
            continue;
        }
        if (!header && fields.size() >= 5) {
            bool ok = false;
            const auto found = byZip.find(fields[4]);
            if (found != byZip.end())
                for (const Place& place : found->second)
                    ok = ok || (sameText(place.state, fields[3]) && sameText(place.city, fields[2]));
            record.resize(record.size() - 2);
            record += ok ? ",ok,,\r\n" : ",not,,\r\n";
            std::fwrite(record.data(), 1, record.size(), out);
        }
        header = false;
        record.clear();
        fields.assign(1, std::string());
    }
    std::fclose(in);
    std::fclose(out);
    return bench::seconds(timer);
}

} // namespace

void listCheckFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work) {
    const QString lookup = binFolder + QStringLiteral("/olvaris-lookup");
    const std::vector<Place> places = tableOf(database);
    const QString small = work + QStringLiteral("/export-100k.csv"), large = work + QStringLiteral("/export-1m.csv");
    writeExport(small, places, 100000);
    writeExport(large, places, 1000000);
    const QString checked = work + QStringLiteral("/checked.csv");

    bench::Paired times;
    long peakSmall = 0, peakLarge = 0;
    for (int i = 0; i < bench::repeats(); ++i) {
        const double program = runChild(lookup, {"--database", database, "--check", large}, {}, checked).seconds;
        times.add(program, floorCheck(database, large, checked));
    }
    // 10,000 rows whose cities are all misspelt, against a list of none:
    // the time the misspellings take.
    const QString misspelt = work + QStringLiteral("/export-misspelt.csv"),
                  none = work + QStringLiteral("/export-none.csv");
    writeExport(misspelt, places, 10000, true);
    writeExport(none, places, 0);
    bench::Figure misspeltTime;
    for (int i = 0; i < bench::repeats(); ++i) {
        const double all = runChild(lookup, {"--database", database, "--check", misspelt}, {}, checked).seconds;
        misspeltTime.add(all - runChild(lookup, {"--database", database, "--check", none}, {}, checked).seconds);
    }
    peakSmall = runChild(lookup, {"--database", database, "--check", small}, {}, checked, true).peakKiB;
    peakLarge = runChild(lookup, {"--database", database, "--check", large}, {}, checked, true).peakKiB;
    out << "\n| olvaris-lookup --check, start to exit | lookup                  | floor                    | ratio "
           "              |\n";
    out << "|--------------------------------------|--------------------------|--------------------------|---------"
           "------------|\n";
    out << QString::asprintf("| %-36s | %-24s | %-24s | %-19s |\n", "1,000,000-row export, shipped table",
                             qPrintable(bench::seconds(times.program)), qPrintable(bench::seconds(times.floor)),
                             qPrintable(bench::ratio(times.ratio, 1.0)));
    out << QString::asprintf("10,000 rows, every city misspelt and every ZIP another place's: %s more than a "
                             "list of none (start to exit, in turn)\n",
                             qPrintable(bench::seconds(misspeltTime)));
    out << QString::asprintf("Peak resident memory of the check: %.1f MB for 100,000 rows, %.1f MB for 1,000,000\n",
                             peakSmall / 1024.0, peakLarge / 1024.0);

    // Ten thousand ZIP codes: one run reading them all, against a thousand
    // runs of one each (the time of ten thousand is ten times that).
    const QString zips = work + QStringLiteral("/zips.txt");
    std::FILE* file = std::fopen(zips.toUtf8().constData(), "wb");
    for (size_t i = 0; i < 10000; ++i)
        std::fprintf(file, "%s\n", places[(i * 7919) % places.size()].zip.c_str());
    std::fclose(file);
    bench::Figure manyRuns;
    for (int i = 0; i < bench::repeats(); ++i)
        manyRuns.add(runChild(lookup, {"--database", database, "--stdin"}, zips, checked).seconds);
    const double many = manyRuns.median();
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < 1000; ++i)
        runChild(lookup, {"--database", database, QString::fromStdString(places[(i * 7919) % places.size()].zip)}, {},
                 checked);
    const double starts = bench::seconds(timer) * 10;
    out << QString::asprintf("10,000 ZIPs: --stdin %s; 10,000 starts %.1f s (1,000 measured, times ten): %.0fx "
                             "faster\n",
                             qPrintable(bench::seconds(manyRuns)), starts, starts / many);
}
