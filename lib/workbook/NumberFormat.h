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

// A spreadsheet's day number as YYYY-MM-DD (days from 1899-12-30, or from
// 1904-01-01 in a workbook that counts from there).
std::string dateText(double serial, bool from1904);

} // namespace olvaris::workbook
