#pragma once
#include <QValidator>

namespace olvaris {

// A one-line text box holds no line break. Text inserted with one (a cell
// pasted from a spreadsheet ends in one) keeps only what comes before its
// first line break (CR, LF, or the Unicode line and paragraph separators);
// the break and the rest are dropped, and the text after the insertion
// stays. Every other character, tabs included, stays exactly as given.
class SingleLineText : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

    // The rule itself: `text` as it is after an insertion that ends at
    // `insertedEnd`, which moves to where the kept part ends.
    static void dropLineBreaks(QString& text, int& insertedEnd);
};

} // namespace olvaris
