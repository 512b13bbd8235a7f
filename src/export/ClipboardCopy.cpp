#include "ClipboardCopy.h"
#include "ListReading.h"
#include "app/Failure.h"
#include "app/Yielder.h"
#include <QClipboard>
#include <QGuiApplication>
#include <string>
#include <vector>

namespace olvaris {

namespace {

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

} // namespace

QString buildClipboardText(const ResultsList& list, Yielder& yielder) {
    const ListReading reading(list);
    const int columns = reading.headerCount();

    std::vector<qsizetype> widths;
    for (int column = 1; column <= columns; ++column) {
        qsizetype widest = 0;
        const int rows = reading.count();
        for (int row = 1; row <= rows; ++row) {
            yielder.yield();
            widest = std::max(widest, textLength(reading.text(row, column)));
        }
        widths.push_back(widest);
    }

    // Built as UTF-8 in one buffer of the final size, and turned into text once.
    const int rows = reading.count();
    qsizetype lineBytes = 2;
    for (const qsizetype width : widths)
        lineBytes += width + 1;
    std::string text;
    text.reserve(size_t(rows) * size_t(lineBytes));
    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            const QByteArrayView field = reading.text(row, column);
            text.append(field.data(), size_t(field.size()));
            const qsizetype length = textLength(field);
            if (length < widths[size_t(column - 1)])
                text.append(size_t(widths[size_t(column - 1)] - length), ' ');
            text.push_back('\t');
        }
        if (columns > 0)
            text.pop_back();
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        text.append("\r\n");
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder) {
    if (ListReading(list).count() == 0)
        return;
    const QString text = buildClipboardText(list, yielder);
    ClearClipboard();
    if (!SetClipboardText(text))
        throw Failure(QStringLiteral("The clipboard did not take the results."));
}

bool ClearClipboard() {
    for (int attempt = 0; attempt < MaxClipboardAttempts; ++attempt) {
        try {
            QClipboard* board = clipboard();
            board->clear();
            if (board->text().isEmpty())
                return true;
        } catch (const Failure&) {
        }
    }
    return false;
}

bool SetClipboardText(const QString& text) {
    for (int attempt = 0; attempt < MaxClipboardAttempts; ++attempt) {
        try {
            QClipboard* board = clipboard();
            board->setText(text);
            if (board->text() == text)
                return true;
        } catch (const Failure&) {
        }
    }
    return false;
}

} // namespace olvaris
