#pragma once
#include <string>
#include <string_view>

namespace olvaris::workbook {

// What a spreadsheet's number format code does to the numbers a list holds.

// Whether the format shows a date (or a time): it has day, month, year or
// hour letters outside quotes and brackets. Built-in formats 14-22 and
// 45-47 are dates too.
bool isDateFormat(std::string_view code);
bool isDateFormatId(int id);

// The built-in format of an id (xlsx leaves these out of its styles); empty
// for General and ids it does not know.
std::string builtInFormat(int id);

// The number as a format of zeros shows it: 2134 under "00000" is "02134",
// 21341234 under "00000-0000" is "02134-1234" (the spreadsheets' ZIP Code
// and ZIP Code + 4). Empty when the format is not of that kind or the
// number is not a whole one.
std::string zeroPadded(std::string_view code, double number);

// A number in its shortest form: whole numbers without a point.
std::string numberText(double number);

// A number with every digit it needs to be read back as the very same
// double, and no more: "0.30000000000000004", "45000.5625", "1e+20". What
// a writer puts in a workbook, where numberText's fifteen digits would
// change the number.
std::string exactNumberText(double number);

// A spreadsheet's day number as YYYY-MM-DD (days from 1899-12-30, or from
// 1904-01-01 in a workbook that counts from there).
std::string dateText(double serial, bool from1904);

// A date or date-time as an .ods (and an .xls reader) writes it,
// "2023-03-15" or "2023-03-15T13:30:00.5", as a day number: days from
// 1899-12-30, the time of day its fraction (45000.5625). A zone after the
// time is passed over. NaN where the text is no date.
double daySerial(std::string_view text);

// A day number as a date, with its time of day where it has one, in the
// fewest digits of a second that daySerial reads back as the very same
// number: "2023-03-15", "2023-03-15T13:30:00", "2023-03-15T13:30:00.123".
// Empty for a number that is no day.
std::string isoDateTime(double serial);

} // namespace olvaris::workbook
