#include "ClipboardCopy.h"
#include "ListReading.h"
#include "app/Failure.h"
#include "app/Yielder.h"
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <new>
#include <vector>

namespace olvaris {

namespace {

const QString PlainText = QStringLiteral("text/plain");

// Characters as the text counts them (UTF-16 units), from UTF-8 bytes.
qsizetype textLength(QByteArrayView utf8) {
    qsizetype length = 0;
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        if ((b & 0xC0) != 0x80)
            ++length;
        if (b >= 0xF0)
            ++length; // a character outside the basic plane takes two units
    }
    return length;
}

QClipboard* clipboard() {
    QClipboard* board = QGuiApplication::clipboard();
    if (!board)
        throw Failure(QStringLiteral("The clipboard is not available."));
    return board;
}

// The memory the system can still give without swapping; the largest value
// when it cannot tell.
qint64 availableMemory() {
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly))
        return std::numeric_limits<qint64>::max();
    for (QByteArray line = info.readLine(); !line.isEmpty(); line = info.readLine())
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    return std::numeric_limits<qint64>::max();
}

} // namespace

QByteArray buildClipboardText(const ResultsList& list, Yielder& yielder) {
    const ListReading reading(list);
    const int columns = reading.headerCount();

    // The first pass finds each column's width, in characters and in the
    // bytes its widest text may take, so the text's size is known first.
    std::vector<qsizetype> widths;
    qsizetype textBytes = 0;
    for (int column = 1; column <= columns; ++column) {
        qsizetype widest = 0;
        const int rows = reading.count();
        for (int row = 1; row <= rows; ++row) {
            yielder.yield();
            const QByteArrayView field = reading.text(row, column);
            widest = std::max(widest, textLength(field));
            textBytes += field.size();
        }
        widths.push_back(widest);
    }
    const int rows = reading.count();
    qsizetype padding = 2;
    for (const qsizetype width : widths)
        padding += width + 1;
    // The padding is the layout's; a text the machine cannot hold without
    // swapping (or the process cannot get) is refused before it is built.
    const qint64 size = qint64(textBytes) + qint64(rows) * qint64(padding);
    if (size > availableMemory() || size > std::numeric_limits<qsizetype>::max() / 2)
        throw std::bad_alloc();
    QByteArray text;
    text.reserve(qsizetype(size));

    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            const QByteArrayView field = reading.text(row, column);
            text.append(field);
            const qsizetype length = textLength(field);
            if (length < widths[size_t(column - 1)])
                text.append(widths[size_t(column - 1)] - length, ' ');
            text.append('\t');
        }
        if (columns > 0)
            text.chop(1);
        while (!text.isEmpty() && text.back() == ' ')
            text.chop(1);
        text.append("\r\n");
    }
    text.squeeze();
    return text;
}

void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder) {
    if (ListReading(list).count() == 0)
        return;
    const QByteArray text = buildClipboardText(list, yielder);
    ClearClipboard();
    if (!SetClipboardText(text))
        throw Failure(QStringLiteral("The clipboard did not take the results."));
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
bool ClearClipboard() {
    return retryWithin(ClipboardPatience, MaxClipboardAttempts, [] {
        QClipboard* board = clipboard();
        board->clear();
        return !board->ownsClipboard();
    });
}

// The clipboard is given the UTF-8 bytes themselves (shared, not copied);
// it holds the text when it answers with the program's own data.
bool SetClipboardText(const QByteArray& utf8Text) {
    return retryWithin(ClipboardPatience, MaxClipboardAttempts, [&] {
        QClipboard* board = clipboard();
        auto* data = new QMimeData;
        data->setData(PlainText, utf8Text);
        board->setMimeData(data);
        return board->mimeData() == data;
    });
}

} // namespace olvaris
