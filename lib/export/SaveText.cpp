#include "SaveText.h"
#include "ListReading.h"
#include "Windows1252.h"
#include "Failure.h"
#include "OffThread.h"
#include "Yielder.h"
#include <algorithm>
#include <cstdint>

namespace olvaris {

namespace {
constexpr int ZipColumn = 3;

size_t appendWindows1252(std::string& out, QByteArrayView utf8) {
    return text::appendWindows1252(out, std::string_view(utf8.data(), size_t(utf8.size())));
}

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

    // The whole text's room at once: growing a text of hundreds of
    // megabytes would copy it in one long step. UTF-8 takes at least as
    // many bytes as the saved code page does.
    const int rows = reading.count();
    std::uint64_t room = text.size() + std::uint64_t(rows) * (2 + separatorLength * std::uint64_t(columns));
    for (int column = zipCodesOnly ? ZipColumn : 1; column <= (zipCodesOnly ? ZipColumn : std::min(columns, ZipColumn));
         ++column)
        room += list.columnBytes(column);
    text.reserve(size_t(room));
    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        const ListReading::Row fields = reading.row(row);
        if (zipCodesOnly) {
            appendWindows1252(text, fields[ZipColumn]);
            text.append("\r\n");
            continue;
        }
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            appendWindows1252(text, fields[column]);
            text.append(encodedSeparator);
        }
        endLine();
    }
    return text;
}

namespace {
// The text is let go in a thread of its own while the command yields:
// giving hundreds of megabytes back to the system takes tens of milliseconds.
void writeThenRelease(std::string text, const QString& fileName, Yielder& yielder) {
    const std::function<void()> yield = [&] { yielder.yieldByClock(); };
    WriteTextFile(text, fileName, yield);
    offThread([&text] { std::string().swap(text); }, yield);
}
} // namespace

void SaveZipCodes(const ResultsList& list, const QString& fileName, Yielder& yielder) {
    writeThenRelease(buildSavedText(list, SaveShape::ZipCodes, QString(), yielder), fileName, yielder);
}

void SaveCitiesAndStates(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    writeThenRelease(buildSavedText(list, SaveShape::CitiesAndStates, separator, yielder), fileName, yielder);
}

void SaveAllColumns(const ResultsList& list, const QString& fileName, const QString& separator, Yielder& yielder) {
    writeThenRelease(buildSavedText(list, SaveShape::AllColumns, separator, yielder), fileName, yielder);
}

} // namespace olvaris
