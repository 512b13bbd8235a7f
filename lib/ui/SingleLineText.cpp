#include "SingleLineText.h"
#include <algorithm>

namespace olvaris {

namespace {
bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
           || c == QChar::ParagraphSeparator;
}
} // namespace

void SingleLineText::dropLineBreaks(QString& text, int& insertedEnd) {
    const auto found = std::find_if(text.cbegin(), text.cend(), isLineBreak);
    if (found == text.cend())
        return;
    const int at = int(found - text.cbegin());
    // The text before the insertion holds no break, so the first one is the
    // inserted text's; whatever followed the insertion is kept.
    if (at < insertedEnd)
        text.remove(at, insertedEnd - at);
    else
        text.truncate(at);
    insertedEnd = at;
    // A second insertion may have come in one change (never in practice).
    dropLineBreaks(text, insertedEnd);
}

QValidator::State SingleLineText::validate(QString& input, int& pos) const {
    dropLineBreaks(input, pos);
    return Acceptable;
}

} // namespace olvaris
