#include "BuilderFigures.h"
#include "ChildRun.h"
#include "Repeats.h"
#include "ZipSchema.h"
#include <QFile>
#include <QList>
#include <QStandardPaths>

void builderFigures(QTextStream& out, const QString& binFolder, const QString& shippedCsv, const QString& work) {
    // The shipped rows over and over, their cities numbered: 1,000,000 rows.
    QFile source(shippedCsv);
    source.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = source.readAll().split('\n');
    const QString csv = work + QStringLiteral("/build-1m.csv");
    QFile file(csv);
    file.open(QIODevice::WriteOnly);
    file.write("city,state,zip\n");
    const qsizetype rows = lines.size() - 2; // the header, and the empty line after the last
    for (int i = 0; i < 1000000; ++i) {
        const QByteArray& line = lines[1 + i % rows];
        const qsizetype comma = line.indexOf(',');
        file.write(i < rows ? line : line.left(comma) + ' ' + QByteArray::number(i / rows) + line.mid(comma));
        file.write("\n");
    }
    file.close();

    // The shell's way: the table, .import, the same indexes and statistics.
    const QString script = work + QStringLiteral("/build-1m.sql");
    QFile commands(script);
    commands.open(QIODevice::WriteOnly);
    commands.write(QByteArray(olvaris::schema::Table) + "\n.mode csv\n.import --skip 1 " + csv.toUtf8() + " zip_codes\n"
                   + olvaris::schema::Indexes + "\n");
    commands.close();

    const QString builder = binFolder + QStringLiteral("/zipbase-build");
    const QString built = work + QStringLiteral("/build-1m.mdb"), imported = work + QStringLiteral("/import-1m.mdb");
    bench::Paired times;
    for (int i = 0; i < bench::repeats(); ++i) {
        QFile::remove(built);
        const double program = bench::runChild(builder, {csv, built}, {}, QStringLiteral("/dev/null")).seconds;
        QFile::remove(imported);
        times.add(program, bench::runChild(QStandardPaths::findExecutable(QStringLiteral("sqlite3")), {imported},
                                           script, QStringLiteral("/dev/null"))
                               .seconds);
    }
    out << "\n| zipbase-build, start to exit  | zipbase-build            | sqlite3 .import          | ratio        "
           "       |\n";
    out << "|------------------------------|--------------------------|--------------------------|---------------"
           "------|\n";
    out << QString::asprintf("| %-28s | %-24s | %-24s | %-19s |\n", "1,000,000-row CSV",
                             qPrintable(bench::seconds(times.program)), qPrintable(bench::seconds(times.floor)),
                             qPrintable(bench::ratio(times.ratio, 1.1)));
    for (const QString& name : {csv, script, built, imported})
        QFile::remove(name);
}
