#include "SaveText.h"
#include "ListReading.h"
#include "Windows1252.h"
#include "app/Failure.h"
#include "app/Yielder.h"

namespace olvaris {

namespace {
constexpr int ZipColumn = 3;

// The columns a shape takes from the left; the ZIP code shape takes none of
// them in that way, only the ZIP code column.
int columnsTaken(const ResultsList& list, SaveShape shape) {
    switch (shape) {
    case SaveShape::ZipCodes:
        return 0;
    case SaveShape::CitiesAndStates:
        return list.headerCount() - 1;
    case SaveShape::AllColumns:
        break;
    }
    return list.headerCount();
}
} // namespace

QString resolveSeparator(const QString& text) { return text == QLatin1String("TAB") ? QStringLiteral("\t") : text; }

std::string buildSavedText(const ResultsList& list, SaveShape shape, const QString& separator, Yielder& yielder) {
    const ListReading reading(list);
    const bool zipCodesOnly = shape == SaveShape::ZipCodes;
    const int columns = columnsTaken(list, shape);
    const QByteArray separatorUtf8 = separator.toUtf8();
    std::string text;

    // Every field is followed by the separator, and the last one of each
    // line is cut off by the separator's length.
    std::string encodedSeparator;
    const size_t separatorLength = appendWindows1252(encodedSeparator, separatorUtf8);
    auto endLine = [&] {
        text.resize(text.size() - std::min(separatorLength, text.size()));
        text.append("\r\n");
    };

    if (zipCodesOnly) {
        text.append("Zip\r\n");
    } else {
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            appendWindows1252(text, reading.header(column).toUtf8());
            text.append(encodedSeparator);
        }
        endLine();
    }

    const int rows = reading.count();
    text.reserve(text.size() + size_t(rows) * (zipCodesOnly ? 7 : 24));
    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        if (zipCodesOnly) {
            appendWindows1252(text, reading.text(row, ZipColumn));
            text.append("\r\n");
            continue;
        }
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            appendWindows1252(text, reading.text(row, column));
            text.append(encodedSeparator);
        }
        endLine();
    }
    return text;
}

void SaveZipCodes(const ResultsList& list, const QString& fileName, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::ZipCodes, QString(), yielder), fileName,
                  [&] { yielder.yieldByClock(); });
}

void SaveCitiesAndStates(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::CitiesAndStates, separator, yielder), fileName,
                  [&] { yielder.yieldByClock(); });
}

void SaveAllColumns(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    WriteTextFile(buildSavedText(list, SaveShape::AllColumns, separator, yielder), fileName,
                  [&] { yielder.yieldByClock(); });
}

} // namespace olvaris
