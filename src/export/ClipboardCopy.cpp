#include "ClipboardCopy.h"
#include "ListReading.h"
#include "app/Failure.h"
#include "app/Yielder.h"
#include <QClipboard>
#include <QGuiApplication>
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

    QString text;
    const int rows = reading.count();
    for (int row = 1; row <= rows; ++row) {
        yielder.yield();
        for (int column = 1; column <= columns; ++column) {
            yielder.yield();
            const QByteArrayView field = reading.text(row, column);
            text.append(QString::fromUtf8(field));
            const qsizetype length = textLength(field);
            if (length < widths[size_t(column - 1)])
                text.append(QString(widths[size_t(column - 1)] - length, QLatin1Char(' ')));
            text.append(QLatin1Char('\t'));
        }
        text.chop(1);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        text.append(QLatin1String("\r\n"));
    }
    return text;
}

void CopyResultsToClipboard(const ResultsList& list, Yielder& yielder) {
    if (ListReading(list).count() == 0)
        return;
    const QString text = buildClipboardText(list, yielder);
    ClearClipboard();
    if (!SetClipboardText(text, 0))
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

bool SetClipboardText(const QString& text, int format) {
    if (format != 0)
        return false;
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
