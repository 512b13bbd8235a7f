#include "ClipboardCopy.h"
#include "AvailableMemory.h"
#include "ListReading.h"
#include "Failure.h"
#include "OffThread.h"
#include "Yielder.h"
#include "SystemClipboard.h"
#include <QElapsedTimer>
#include <cstdint>
#include <cstring>
#include "OutOfMemory.h"
#include <vector>

namespace olvaris {

namespace {

// Characters as the text counts them (UTF-16 units), from UTF-8 bytes:
// one per byte, less the continuation bytes, plus one for each character
// outside the basic plane (it takes two units). Eight bytes at a time
// while they are plain ASCII.
qsizetype textLength(QByteArrayView utf8) {
    const char* bytes = utf8.data();
    const qsizetype size = utf8.size();
    qsizetype length = size;
    qsizetype at = 0;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + at, 8);
        if ((word & 0x8080808080808080u) != 0)
            break;
    }
    for (; at < size; ++at) {
        const auto b = static_cast<unsigned char>(bytes[at]);
        if (b >= 0x80)
            length += (b & 0xC0) == 0x80 ? -1 : b >= 0xF0 ? 1 : 0;
    }
    return length;
}

} // namespace

QByteArray buildClipboardText(const ResultsList& list, Yielder& yielder) {
    const ListReading reading(list);
    const int columns = reading.headerCount();

    // The first pass finds each column's width, in characters and in the
    // bytes its widest text may take, so the text's size is known first.
    std::vector<qsizetype> widths(size_t(columns), 0);
    qsizetype textBytes = 0;
    const int rows = reading.count();
    for (int number = 1; number <= rows; ++number) {
        yielder.yield();
        const ListReading::Row row = reading.row(number);
        for (int column = 1; column <= columns; ++column) {
            const QByteArrayView field = row[column];
            // A text counts no more characters than it has bytes.
            qsizetype& widest = widths[size_t(column - 1)];
            if (field.size() > widest)
                widest = std::max(widest, textLength(field));
            textBytes += field.size();
        }
    }
    qsizetype padding = 2;
    for (const qsizetype width : widths)
        padding += width + 1;
    // The padding is the layout's; a text the machine cannot hold without
    // swapping (or the process cannot get) is refused before it is built.
    const qint64 size = qint64(textBytes) + qint64(rows) * qint64(padding);
    if (size > availableMemory() || size > std::numeric_limits<qsizetype>::max() / 2)
        outOfMemory();

    // Written into room made once (its pages are touched as they fill),
    // then cut to the length written.
    QByteArray text(qsizetype(size), Qt::Uninitialized);
    char* const start = text.data();
    char* out = start;
    for (int number = 1; number <= rows; ++number) {
        yielder.yield();
        const ListReading::Row row = reading.row(number);
        // In an ASCII row (most rows) a text's length is its size.
        const bool ascii = row.ascii();
        for (int column = 1; column <= columns; ++column) {
            const QByteArrayView field = row[column];
            if (!field.isEmpty())
                std::memcpy(out, field.data(), size_t(field.size()));
            out += field.size();
            const qsizetype pad =
                widths[size_t(column - 1)] - (ascii && column <= 3 ? field.size() : textLength(field));
            if (pad > 0) {
                std::memset(out, ' ', size_t(pad));
                out += pad;
            }
            *out++ = '\t';
        }
        if (columns > 0)
            --out;
        while (out > start && out[-1] == ' ')
            --out;
        *out++ = '\r';
        *out++ = '\n';
    }
    text.truncate(out - start);
    text.squeeze();
    return text;
}

void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder) {
    if (ListReading(list).count() == 0)
        return;
    const QByteArray text = buildClipboardText(list, yielder);
    // An earlier copy's text is held here while the clipboard lets it go,
    // and given back to the system off this thread: freeing hundreds of
    // megabytes takes tens of milliseconds.
    QByteArray earlier = programTextOnClipboard();
    ClearClipboard();
    const bool taken = SetClipboardText(text);
    offThread([&earlier] { QByteArray().swap(earlier); }, [&] { yielder.yieldByClock(); });
    if (!taken)
        throw Failure(Error::Kind::Output, QStringLiteral("The clipboard did not take the results."));
}

bool retryWithin(std::chrono::milliseconds patience, int maxAttempts, const std::function<bool()>& attempt) {
    QElapsedTimer timer;
    timer.start();
    for (int attempts = 0; attempts < maxAttempts; ++attempts) {
        if (attempts > 0 && timer.elapsed() >= patience.count())
            return false;
        try {
            if (attempt())
                return true;
        } catch (const Failure&) {
        }
    }
    return false;
}

// Cleared when the program no longer holds the clipboard: asking the owner
// what it holds could wait seconds on an owner that does not answer.
bool ClearClipboard() { return retryWithin(ClipboardPatience, MaxClipboardAttempts, emptyClipboard); }

bool SetClipboardText(const QByteArray& utf8Text) {
    return retryWithin(ClipboardPatience, MaxClipboardAttempts, [&] { return placeOnClipboard(utf8Text); });
}

} // namespace olvaris
