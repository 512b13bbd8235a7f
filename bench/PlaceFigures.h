#pragma once
#include <QString>
#include <QTextStream>

// Where places are: a 25-mile --near against the same R*Tree query in the
// sqlite3 shell; 10,000 centres through --stdin against the npm package
// zipcodes' radius() called 10,000 times in one Node process; a 5-mile
// radius on a table of 10 million points against the shipped table.
void placeFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work);
