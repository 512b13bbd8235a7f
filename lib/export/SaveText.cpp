#include "SaveText.h"
#include "AvailableMemory.h"
#include "ListReading.h"
#include "Utf8.h"
#include "Windows1252.h"
#include "Failure.h"
#include "OffThread.h"
#include "Yielder.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "OutOfMemory.h"

namespace olvaris {

namespace {
constexpr int ZipColumn = 3;

// The saved text, written through a pointer into room made once (growing a
// text of hundreds of megabytes would copy it in one long step). A field
// that would pass the room (a row changed while the command yielded) grows
// it rather than write past it.
class SavedText {
public:
    explicit SavedText(size_t room) {
        m_text.resize(room);
        m_out = m_text.data();
    }

    void put(std::string_view bytes) {
        if (size_t(m_end() - m_out) < bytes.size())
            grow(bytes.size());
        std::memcpy(m_out, bytes.data(), bytes.size());
        m_out += bytes.size();
    }
    void put(char c) {
        if (m_out == m_end())
            grow(1);
        *m_out++ = c;
    }
    // A field's UTF-8 as Windows-1252; a row known to be ASCII (most rows of
    // any list) is copied as it is.
    void putField(QByteArrayView utf8, bool ascii) {
        const std::string_view bytes(utf8.data(), size_t(utf8.size()));
        if (ascii || text::isAscii(bytes)) {
            put(bytes);
            return;
        }
        m_scratch.clear();
        text::appendWindows1252(m_scratch, bytes);
        put(m_scratch);
    }
    // Cuts the last bytes written, at most all of them.
    void cut(size_t bytes) { m_out -= std::min(bytes, size_t(m_out - m_text.data())); }
    std::string take() {
        m_text.resize(size_t(m_out - m_text.data()));
        return std::move(m_text);
    }

private:
    char* m_end() { return m_text.data() + m_text.size(); }
    void grow(size_t more) {
        const size_t used = size_t(m_out - m_text.data());
        m_text.resize(std::max(m_text.size() * 2, used + more));
        m_out = m_text.data() + used;
    }

    std::string m_text;
    char* m_out = nullptr;
    std::string m_scratch;
};

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

    // Every field is followed by the separator, and the last one of each
    // line is cut off by the separator's length.
    std::string encodedSeparator;
    text::appendWindows1252(encodedSeparator, std::string_view(separatorUtf8.data(), size_t(separatorUtf8.size())));
    const size_t separatorLength = encodedSeparator.size();

    // The whole text's room: UTF-8 takes at least as many bytes as the saved
    // code page does.
    const int rows = reading.count();
    std::uint64_t room = 64 + std::uint64_t(rows + 1) * (2 + separatorLength * std::uint64_t(columns));
    for (int column = zipCodesOnly ? ZipColumn : 1; column <= (zipCodesOnly ? ZipColumn : std::min(columns, ZipColumn));
         ++column)
        room += list.columnBytes(column);
    // A text the machine cannot hold without swapping (a long separator on
    // millions of rows) is refused before it is built.
    if (room > std::uint64_t(availableMemory()))
        outOfMemory();
    SavedText text{size_t(room)};
    auto endLine = [&] {
        text.cut(separatorLength);
        text.put('\r');
        text.put('\n');
    };

    if (zipCodesOnly) {
        text.put("Zip\r\n");
    } else {
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            text.putField(reading.header(column).toUtf8(), false);
            text.put(encodedSeparator);
        }
        endLine();
    }

    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        const ListReading::Row fields = reading.row(row);
        const bool ascii = fields.ascii();
        if (zipCodesOnly) {
            text.putField(fields[ZipColumn], ascii);
            text.put('\r');
            text.put('\n');
            continue;
        }
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            text.putField(fields[column], ascii && column <= ZipColumn);
            text.put(encodedSeparator);
        }
        endLine();
    }
    return text.take();
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
