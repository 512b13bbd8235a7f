#pragma once
#include "WriteTextFile.h"
#include <QString>
#include <string>

namespace olvaris {

class ResultsList;
class Yielder;

// "TAB", exactly, is a tab; any other text is the separator as it stands.
QString resolveSeparator(const QString& text);

// The three shapes of a saved list, built whole in memory, then written (in
// pieces, yielding between them):
// a header line and one line per row, in Windows-1252 with "\r\n" line ends.
// Each yields before every header column, row and column of a row (the ZIP
// code shape before every row). A list changed during a yield fails.
void SaveZipCodes(const ResultsList& list, const QString& fileName, Yielder& yielder);
void SaveCitiesAndStates(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder);
void SaveAllColumns(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder);

// The three shapes: the ZIP code column alone, the columns before the ZIP
// code (city and state), or every column.
enum class SaveShape { ZipCodes, CitiesAndStates, AllColumns };

// The text of a shape, without writing it (the ZIP code shape takes no separator).
std::string buildSavedText(const ResultsList& list, SaveShape shape, const QString& separator, Yielder& yielder);

} // namespace olvaris
