// libFuzzer target: any bytes, read as UTF-8, are a filter for the real
// search; the rows must be those of the independent matcher, in order.
#include "support/ZipTable.h"
#include "Failure.h"
#include "ZipConnection.h"
#include "ZipQueries.h"
#include "ZipRowSet.h"
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace olvaris;
using namespace olvaris::test;

namespace {

struct Fixture {
    Fixture() {
        const std::vector<ZipRow> shipped = readShippedRows();
        std::vector<ZipRow> table;
        for (size_t i = 0; i < shipped.size(); i += 40)
            table.push_back(shipped[i]);
        table.push_back({"O'Neil", "NE", "99901"});
        table.push_back({"100% Town", "TX", "99903"});
        table.push_back({"Under_Score", "UT", "99904"});
        table.push_back({QStringLiteral("Montréal"), "QC", "99907"});
        writeDatabase(folder.filePath(QStringLiteral("zipbase.mdb")), table);
        connection.Open(ZipConnection::connectionStringFor(folder.filePath(QStringLiteral("zipbase.mdb"))));
        matcher = std::make_unique<IndependentSearch>(table);
    }
    QTemporaryDir folder;
    ZipConnection connection;
    std::unique_ptr<IndependentSearch> matcher;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const QString filter = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<ZipRow> found;
    try {
        ZipRowSet rows;
        rows.Open(query::searchFor(filter + QLatin1Char('%')), &fixture.connection, {filter + QLatin1Char('%')});
        while (!rows.isEOF()) {
            found.push_back({rows.fieldText(0), rows.fieldText(1), rows.fieldText(2)});
            rows.MoveNext();
        }
    } catch (const Failure& failure) {
        // Refusing a pattern (too long for the engine) is a reported failure, not a wrong answer.
        if (!failure.description().startsWith(QLatin1String("LIKE or GLOB pattern too complex"))) {
            std::fprintf(stderr, "unexpected failure: %s\n", failure.what());
            std::abort();
        }
        return 0;
    }
    if (found != fixture.matcher->search(filter)) {
        std::fprintf(stderr, "search and matcher differ for a filter of %zu bytes\n", size);
        std::abort();
    }
    return 0;
}
