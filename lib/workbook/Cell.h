#pragma once
#include <string>
#include <string_view>

namespace olvaris::workbook {

// A cell as the sheet holds it. text is what a list reads: a string as
// written, a number in its shortest form ("2134", "0.5"), TRUE or FALSE, a
// date as YYYY-MM-DD, an error as the sheet shows it ("#N/A"), a formula
// by the value it last gave.
struct Cell {
    enum class Kind { Empty, Text, Number, Boolean, Date, Error };
    Kind kind = Kind::Empty;
    std::string text;
    // The number as the sheet shows it where its number format makes that
    // differ from text: "02134" for 2134 under the format 00000.
    std::string shown;
    // A number's or date's format code, to write it back as it was shown;
    // empty for General.
    std::string format;
    // A number's value. A date's day number: days from 1899-12-30, the time
    // of day its fraction (as the spreadsheets count from 1900-03-01 on),
    // NaN where its text is all that is known. Written back as it is.
    double number = 0;

    void clear() {
        kind = Kind::Empty;
        text.clear();
        shown.clear();
        format.clear();
        number = 0;
    }
};

// The errors every spreadsheet takes as constants in a formula (=#N/A) and
// shows as errors. Only these are written back as errors: an error cell's
// text is whatever the file said, and any other would be a formula for the
// spreadsheet to run (=WEBSERVICE(...)).
inline bool isErrorConstant(std::string_view text) {
    for (const std::string_view error : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"})
        if (text == error)
            return true;
    return false;
}

} // namespace olvaris::workbook
