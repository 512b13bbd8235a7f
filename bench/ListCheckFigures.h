#pragma once
#include <QString>
#include <QTextStream>

// olvaris-lookup's list check and many-pattern run against their floors:
// a 1,000,000-row export checked against a hash of the whole table, the
// memory for 100,000 and 1,000,000 rows, and 10,000 ZIPs in one run against
// one start each.
void listCheckFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work);
