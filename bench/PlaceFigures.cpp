#include "PlaceFigures.h"
#include "ChildRun.h"
#include "GeoPoint.h"
#include "Repeats.h"
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <random>
#include <vector>

using bench::runChild;

namespace {

// The same work as --near in one SQL statement: the R*Tree's box, each
// candidate's exact point and rows, the haversine, nearest first.
QString nearQuery(double latitude, double longitude, double miles) {
    const double km = miles * olvaris::geo::KilometresPerMile;
    const olvaris::geo::Box box = olvaris::geo::boxAround({latitude, longitude}, km);
    return QStringLiteral(
               "select z.city, z.state, z.zip, d from (select p.zip, 2 * 6371.0088 * asin(min(1, sqrt("
               "pow(sin(radians(p.latitude - %1) / 2), 2) + cos(radians(%1)) * cos(radians(p.latitude)) * "
               "pow(sin(radians(p.longitude - %2) / 2), 2)))) / 1.609344 as d from zip_points r join zip_places p "
               "on p.zip = substr('0000' || r.zip_number, -5) where r.north >= %3 and r.south <= %4 and r.east >= %5 "
               "and r.west <= %6) n join zip_codes z on z.zip = n.zip where d <= %7 order by d, z.zip;\n")
        .arg(latitude, 0, 'g', 17)
        .arg(longitude, 0, 'g', 17)
        .arg(box.south, 0, 'g', 17)
        .arg(box.north, 0, 'g', 17)
        .arg(box.west, 0, 'g', 17)
        .arg(box.east, 0, 'g', 17)
        .arg(miles, 0, 'g', 17);
}

QString writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    return path;
}

QByteArray sql(const QString& database, const QString& statement) {
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), database, statement});
    shell.waitForFinished(-1);
    return shell.readAllStandardOutput();
}

void report(QTextStream& out, const QString& what, const bench::Paired& paired, double goal) {
    out << "| " << what << " | " << bench::seconds(paired.program) << " | " << bench::seconds(paired.floor) << " | "
        << bench::ratio(paired.ratio, goal) << " |\n";
}

} // namespace

void placeFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work) {
    const QString lookup = binFolder + QStringLiteral("/olvaris-lookup");
    const QString sink = work + QStringLiteral("/places.out");
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) {
        out << "Places: the sqlite3 shell is not installed (apt install sqlite3).\n";
        return;
    }
    out << "\n## Where places are\n\n| figure | program | floor | ratio |\n|---|---|---|---|\n";

    // One --near of 25 miles around 02134 against the sqlite3 shell.
    const QStringList point = QString::fromUtf8(sql(database, QStringLiteral("select latitude || ' ' || longitude from "
                                                                             "zip_places where zip = '02134'")))
                                  .trimmed()
                                  .split(QLatin1Char(' '));
    const QString query = writeFile(work + QStringLiteral("/near.sql"),
                                    nearQuery(point.value(0).toDouble(), point.value(1).toDouble(), 25).toUtf8());
    bench::Paired near;
    for (int i = 0; i < bench::repeats(); ++i) {
        const double program =
            runChild(lookup, {"--database", database, "--near", "02134", "--within", "25mi"}, {}, sink).seconds;
        const double floor = runChild(QStandardPaths::findExecutable(QStringLiteral("sqlite3")),
                                      {QStringLiteral("-batch"), database}, query, sink)
                                 .seconds;
        near.add(program, floor);
    }
    report(out, "--near 02134 --within 25mi; floor: the same R*Tree query in the sqlite3 shell", near, 1.5);

    // 10,000 centres, one a line, against zipcodes.radius() 10,000 times.
    std::vector<QString> zips;
    for (const QByteArray& zip : sql(database, QStringLiteral("select zip from zip_places where latitude is not null "
                                                              "and zip in (select zip from zip_codes) order by zip"))
                                     .split('\n'))
        if (!zip.isEmpty())
            zips.push_back(QString::fromUtf8(zip));
    std::mt19937 random(7);
    QByteArray centres;
    QStringList asJs;
    for (int i = 0; i < 10000; ++i) {
        const QString& zip = zips[random() % zips.size()];
        centres += zip.toUtf8() + '\n';
        asJs << QLatin1Char('"') + zip + QLatin1Char('"');
    }
    const QString centresFile = writeFile(work + QStringLiteral("/centres.txt"), centres);
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString npm = QStandardPaths::findExecutable(QStringLiteral("npm"));
    const QString module = work + QStringLiteral("/node_modules/zipcodes");
    if (!node.isEmpty() && !npm.isEmpty() && !QFile::exists(module))
        QProcess::execute(npm, {"install", "--prefix", work, "--no-audit", "--no-fund", "zipcodes@8.0.0"});
    if (node.isEmpty() || !QFile::exists(module)) {
        out << "| 10,000 centres through --stdin | (Node or the npm package zipcodes is not available) | | |\n";
    } else {
        const QString script =
            writeFile(work + QStringLiteral("/radius.js"),
                      QStringLiteral("const zipcodes = require('%1');\nconst centres = [%2];\nlet rows = 0;\n"
                                     "for (const zip of centres) rows += zipcodes.radius(zip, 25).length;\n"
                                     "console.log(rows);\n")
                          .arg(module, asJs.join(QLatin1Char(',')))
                          .toUtf8());
        bench::Paired many;
        for (int i = 0; i < bench::repeats(); ++i) {
            const double program =
                runChild(lookup, {"--database", database, "--near", "-", "--stdin", "--within", "25mi"}, centresFile,
                         sink)
                    .seconds;
            const double peer = runChild(node, {script}, {}, sink).seconds;
            many.add(program, peer);
        }
        out << "| 10,000 centres of 25 miles through --stdin; peer: zipcodes 8.0.0's radius() 10,000 times in one "
               "Node process | "
            << bench::seconds(many.program) << " | " << bench::seconds(many.floor) << " | "
            << QString::number(1 / many.ratio.median(), 'f', 1) << "× faster (goal 10×) |\n";
    }

    // A table of 10 million points: the shipped one's, and points strewn
    // over the states' box under numbers no ZIP has (the index holds them
    // all; a radius reads only its box).
    const QString large = work + QStringLiteral("/points-10m.mdb");
    if (!QFile::exists(large)) {
        QFile::copy(database, large + QStringLiteral(".part"));
        QFile(large + QStringLiteral(".part")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        sql(large + QStringLiteral(".part"),
            QStringLiteral("with recursive n(i) as (select 100000 union all select i + 1 from n where i < 10058295) "
                           "insert into zip_points select i, 25 + (i * 7919 % 2400000) / 100000.0, 25 + (i * 7919 % "
                           "2400000) / 100000.0, -124 + (i * 104729 % 5700000) / 100000.0, -124 + (i * 104729 % "
                           "5700000) / 100000.0 from n;"));
        QFile::rename(large + QStringLiteral(".part"), large);
    }
    bench::Paired scale;
    for (int i = 0; i < bench::repeats(); ++i) {
        const double program =
            runChild(lookup, {"--database", large, "--near", "02134", "--within", "5mi"}, {}, sink).seconds;
        const double shipped =
            runChild(lookup, {"--database", database, "--near", "02134", "--within", "5mi"}, {}, sink).seconds;
        scale.add(program, shipped);
    }
    report(out, "--near 02134 --within 5mi on 10,000,000 points; floor: the same on the shipped table", scale, 2.0);
}
