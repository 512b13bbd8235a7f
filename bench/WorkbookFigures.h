#pragma once
#include <QString>
#include <QTextStream>

// The list check of workbooks: a 1,000,000-row .xlsx against the same rows
// as CSV, against pandas' reader, the result written as a workbook against
// libxlsxwriter writing the same cells alone, and the memory they take.
void workbookFigures(QTextStream& out, const QString& binFolder, const QString& database, const QString& work);
