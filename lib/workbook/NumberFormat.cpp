#include "NumberFormat.h"
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace olvaris::workbook {

bool isDateFormatId(int id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }

std::string builtInFormat(int id) {
    switch (id) {
    case 1:
        return "0";
    case 2:
        return "0.00";
    case 3:
        return "#,##0";
    case 4:
        return "#,##0.00";
    case 9:
        return "0%";
    case 10:
        return "0.00%";
    case 11:
        return "0.00E+00";
    case 14:
        return "yyyy-mm-dd";
    case 15:
        return "d-mmm-yy";
    case 16:
        return "d-mmm";
    case 17:
        return "mmm-yy";
    case 18:
        return "h:mm AM/PM";
    case 19:
        return "h:mm:ss AM/PM";
    case 20:
        return "h:mm";
    case 21:
        return "h:mm:ss";
    case 22:
        return "yyyy-mm-dd h:mm";
    case 45:
        return "mm:ss";
    case 46:
        return "[h]:mm:ss";
    case 47:
        return "mm:ss.0";
    case 49:
        return "@";
    default:
        return {};
    }
}

bool isDateFormat(std::string_view code) {
    bool quoted = false;
    int bracket = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '\\' || c == '_' || c == '*') {
            ++i; // the next character is a literal or a width
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '[') {
            // [h], [mm] and [ss] are elapsed time; [Red] and [<=99999] are not.
            if (i + 1 < code.size() && (code[i + 1] == 'h' || code[i + 1] == 'm' || code[i + 1] == 's'))
                return true;
            ++bracket;
        } else if (!quoted && c == ']') {
            --bracket;
        } else if (!quoted && bracket == 0) {
            switch (c) {
            case 'd':
            case 'D':
            case 'm':
            case 'M':
            case 'y':
            case 'Y':
            case 'h':
            case 'H':
            case 's':
            case 'S':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

namespace {

// A section's condition, "[<=99999]": whether the number meets it; true
// where there is none.
bool meets(std::string_view section, double number, bool& conditional) {
    conditional = false;
    if (section.size() < 3 || section[0] != '[')
        return true;
    const size_t close = section.find(']');
    std::string_view condition = section.substr(1, close == std::string_view::npos ? 0 : close - 1);
    std::string op;
    while (!condition.empty() && (condition[0] == '<' || condition[0] == '>' || condition[0] == '=')) {
        op += condition[0];
        condition.remove_prefix(1);
    }
    if (op.empty())
        return true; // a colour
    conditional = true;
    const double bound = std::atof(std::string(condition).c_str());
    if (op == "<")
        return number < bound;
    if (op == "<=")
        return number <= bound;
    if (op == ">")
        return number > bound;
    if (op == ">=")
        return number >= bound;
    if (op == "=")
        return number == bound;
    if (op == "<>")
        return number != bound;
    return true;
}

} // namespace

std::string zeroPadded(std::string_view code, double number) {
    if (number < 0 || number != std::floor(number) || number > 1e15)
        return {};
    std::vector<std::string_view> sections;
    for (size_t at = 0;;) {
        const size_t semicolon = code.find(';', at);
        sections.push_back(
            code.substr(at, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - at));
        if (semicolon == std::string_view::npos)
            break;
        at = semicolon + 1;
    }
    // The first section whose condition the number meets; without
    // conditions, the first one is for positive numbers.
    std::string_view chosen = sections.front();
    for (const std::string_view section : sections) {
        bool conditional = false;
        if (meets(section, number, conditional)) {
            chosen = section;
            break;
        }
    }
    // Zeros and the literals between them: "00000", "00000-0000", "00000\-0000".
    std::string pattern;
    size_t zeros = 0;
    for (size_t i = 0; i < chosen.size(); ++i) {
        const char c = chosen[i];
        if (c == '[') {
            const size_t close = chosen.find(']', i);
            if (close == std::string_view::npos)
                return {};
            i = close;
        } else if (c == '0') {
            pattern += '0';
            ++zeros;
        } else if (c == '\\' && i + 1 < chosen.size()) {
            pattern += chosen[++i];
        } else if (c == '-' || c == ' ') {
            pattern += c;
        } else if (c == '"') {
            const size_t close = chosen.find('"', i + 1);
            if (close == std::string_view::npos)
                return {};
            pattern += chosen.substr(i + 1, close - i - 1);
            i = close;
        } else {
            return {};
        }
    }
    if (zeros < 2)
        return {};
    std::string digits = numberText(number);
    if (digits.size() > zeros)
        return {}; // the format shows more digits than it has zeros for: not a ZIP format
    digits.insert(0, zeros - digits.size(), '0');
    std::string shown;
    size_t next = 0;
    for (const char c : pattern)
        shown += c == '0' ? digits[next++] : c;
    return shown;
}

std::string numberText(double number) {
    char text[32];
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", number);
    else
        std::snprintf(text, sizeof text, "%.15g", number);
    return text;
}

std::string exactNumberText(double number) {
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, number);
    return std::string(text, written.ptr);
}

namespace {

// Days from 1970-01-01 and the civil date, both ways (Howard Hinnant's
// algorithms).
long daysFromCivil(long year, long month, long day) {
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string civilText(long days) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthIndex = (5 * dayOfYear + 2) / 153;
    const long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", year, month, day);
    return text;
}

// 1970-01-01 is day 25569 of the spreadsheets' count.
constexpr long UnixEpochDay = 25569;

// `count` digits at `at`, passed over.
bool readDigits(std::string_view text, size_t& at, size_t count, long& value) {
    if (at > text.size() || text.size() - at < count)
        return false;
    value = 0;
    for (const size_t end = at + count; at < end; ++at) {
        if (text[at] < '0' || text[at] > '9')
            return false;
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

bool readChar(std::string_view text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

// The seconds of "hh:mm[:ss[.fraction]]" at `at`; negative where it is none.
double secondsOf(std::string_view text, size_t at) {
    long hours = 0, minutes = 0, seconds = 0;
    if (!readDigits(text, at, 2, hours) || !readChar(text, at, ':') || !readDigits(text, at, 2, minutes) || hours > 23
        || minutes > 59)
        return -1;
    double fraction = 0;
    if (readChar(text, at, ':')) {
        if (!readDigits(text, at, 2, seconds) || seconds > 60)
            return -1;
        if (readChar(text, at, '.') || readChar(text, at, ',')) {
            // Fifteen digits are finer than a day number holds.
            long long digits = 0, scale = 1;
            for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
                if (scale < 1000000000000000) {
                    digits = digits * 10 + (text[at] - '0');
                    scale *= 10;
                }
            }
            fraction = double(digits) / double(scale);
        }
    }
    return double(hours * 3600 + minutes * 60 + seconds) + fraction;
}

} // namespace

std::string dateText(double serial, bool from1904) {
    return civilText(long(std::floor(serial)) + (from1904 ? 1462 : 0) - UnixEpochDay);
}

double daySerial(std::string_view text) {
    size_t at = 0;
    long year = 0, month = 0, day = 0;
    if (!readDigits(text, at, 4, year) || !readChar(text, at, '-') || !readDigits(text, at, 2, month)
        || !readChar(text, at, '-') || !readDigits(text, at, 2, day) || month < 1 || month > 12 || day < 1 || day > 31)
        return std::numeric_limits<double>::quiet_NaN();
    const double days = double(daysFromCivil(year, month, day) + UnixEpochDay);
    if (at == text.size() || (text[at] != 'T' && text[at] != ' '))
        return days;
    const double seconds = secondsOf(text, at + 1);
    return seconds < 0 ? std::numeric_limits<double>::quiet_NaN() : days + seconds / 86400;
}

std::string isoDateTime(double serial) {
    if (!std::isfinite(serial) || std::fabs(serial) > 1e9)
        return {};
    const double day = std::floor(serial);
    std::string date = civilText(long(day) - UnixEpochDay);
    if (serial == day)
        return date;
    // The fewest digits of a second read back as the same number: a time
    // to the second has none, one a spreadsheet computed may need nine.
    std::string text;
    long long scale = 1;
    for (int digits = 0; digits <= 9; ++digits, scale *= 10) {
        const long long units = std::llround((serial - day) * 86400 * double(scale));
        if (units >= 86400 * scale) { // rounded up to the next day
            text = civilText(long(day) + 1 - UnixEpochDay);
            continue;
        }
        const long long seconds = units / scale;
        char time[48];
        const int length = std::snprintf(time, sizeof time, "T%02lld:%02lld:%02lld.%0*lld", seconds / 3600,
                                         seconds / 60 % 60, seconds % 60, digits, units % scale);
        text = date + std::string(time, digits == 0 ? 9 : size_t(length));
        if (daySerial(text) == serial)
            break;
    }
    return text;
}

} // namespace olvaris::workbook
