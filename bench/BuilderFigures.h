#pragma once
#include <QString>
#include <QTextStream>

// zipbase-build against the sqlite3 shell doing the same work: a
// 1,000,000-row CSV imported into the same table, the same indexes made and
// ANALYZE run, start to exit, taken in turn.
void builderFigures(QTextStream& out, const QString& binFolder, const QString& shippedCsv, const QString& work);
