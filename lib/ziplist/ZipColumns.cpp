#include "ZipColumns.h"
#include "HeaderRow.h"
#include "ZipRules.h"
#include "AsciiCase.h"
#include <algorithm>
#include <array>
#include "ReadError.h"

namespace olvaris::ziplist {

using olvaris::text::asciiLower;
using olvaris::text::equalIgnoringAsciiCase;

namespace {

bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// A header's words in small letters: parted by anything not a letter or a
// digit, and where a small letter meets a capital ("ShipCity").
std::vector<std::string> wordsOf(std::string_view name) {
    std::vector<std::string> words(1);
    char before = 0;
    for (const char c : name) {
        if (!isLetterOrDigit(c)) {
            if (!words.back().empty())
                words.emplace_back();
        } else {
            if (c >= 'A' && c <= 'Z' && before >= 'a' && before <= 'z' && !words.back().empty())
                words.emplace_back();
            words.back() += asciiLower(c);
        }
        before = c;
    }
    if (words.back().empty())
        words.pop_back();
    return words;
}

std::string joined(const std::vector<std::string>& words, size_t from = 0) {
    std::string text;
    for (size_t i = from; i < words.size(); ++i)
        text += words[i];
    return text;
}

struct Kind {
    std::string_view label;
    std::vector<std::string_view> names; // in order of preference
    std::vector<std::string_view> endings;
};

const std::array<Kind, 3>& kinds() {
    static const std::array<Kind, 3> table{{
        {"City",
         {"city", "town", "cityname", "citytown", "towncity", "locality", "municipality", "placename", "place"},
         {"city", "town"}},
        {"State",
         {"state", "st", "statecode", "stateabbr", "stateabbreviation", "stateprovince", "stateorprovince",
          "stateregion", "province", "prov"},
         {"state", "province", "stateprovince"}},
        {"ZIP",
         {"zip", "zipcode", "zip5", "zipcode5", "postalcode", "postcode", "postal", "zippostalcode", "postalzipcode",
          "zippostal"},
         {"zip", "zip5", "zipcode", "postalcode", "postcode"}},
    }};
    return table;
}

int& columnOf(ZipColumns& columns, size_t kind) {
    return kind == 0 ? columns.city : kind == 1 ? columns.state : columns.zip;
}
int columnOf(const ZipColumns& columns, size_t kind) {
    return kind == 0 ? columns.city : kind == 1 ? columns.state : columns.zip;
}

} // namespace

char separatorOf(std::string_view headerLine) {
    size_t commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const char c : headerLine) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
        else if (!quoted && c == '\t')
            ++tabs;
    }
    if (tabs > commas && tabs >= semicolons)
        return '\t';
    if (semicolons > commas)
        return ';';
    return ',';
}

char separatorOfLines(std::string_view text) {
    std::string_view best;
    size_t most = 0;
    for (int looked = 0; looked < HeaderSearchRows && !text.empty(); ++looked) {
        const size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const size_t separators =
            size_t(std::count_if(line.begin(), line.end(), [](char c) { return c == ',' || c == ';' || c == '\t'; }));
        if (separators > most) {
            most = separators;
            best = line;
        }
    }
    return separatorOf(best);
}

size_t ZipColumns::needed() const { return size_t(std::max({city, state, zip}) + 1); }

ZipColumns findColumns(const std::vector<std::string>& header) {
    ZipColumns columns;
    for (size_t kind = 0; kind < kinds().size(); ++kind) {
        const Kind& wanted = kinds()[kind];
        size_t bestRank = wanted.names.size();
        std::vector<int> endingMatches;
        for (size_t column = 0; column < header.size(); ++column) {
            // The check's own suggestion, in a list checked before, is no ZIP column.
            if (header[column] == "suggested_zip")
                continue;
            const std::vector<std::string> words = wordsOf(header[column]);
            const std::string name = joined(words);
            const auto exact = std::find(wanted.names.begin(), wanted.names.end(), name);
            if (exact != wanted.names.end()) {
                if (size_t(exact - wanted.names.begin()) < bestRank) {
                    bestRank = size_t(exact - wanted.names.begin());
                    columnOf(columns, kind) = int(column);
                }
                continue;
            }
            for (const std::string_view ending : wanted.endings)
                if ((!words.empty() && words.back() == ending)
                    || (words.size() >= 2 && words[words.size() - 2] + words.back() == ending)) {
                    endingMatches.push_back(int(column));
                    break;
                }
        }
        if (columnOf(columns, kind) < 0 && endingMatches.size() == 1)
            columnOf(columns, kind) = endingMatches.front();
    }
    return columns;
}

namespace {

// "billing" → "Billing".
std::string labelOf(const std::string& words) {
    std::string label = words;
    if (!label.empty() && label[0] >= 'a' && label[0] <= 'z')
        label[0] = char(label[0] - 'a' + 'A');
    return label;
}

// The columns that share a header's name, as "columns 3 and 7".
std::string columnsNamed(const std::string& name, const std::vector<std::string>& header) {
    std::vector<size_t> same;
    for (size_t i = 0; i < header.size(); ++i)
        if (equalIgnoringAsciiCase(trimmed(header[i]), trimmed(name)))
            same.push_back(i + 1);
    std::string text = "columns ";
    for (size_t i = 0; i < same.size(); ++i)
        text += (i == 0 ? "" : i + 1 == same.size() ? " and " : ", ") + std::to_string(same[i]);
    return same.size() > 1 ? text : std::string();
}

} // namespace

std::vector<AddressGroup> addressGroupsOf(const std::vector<std::string>& header) {
    struct Group {
        std::string prefix;
        std::array<int, 3> columns{-1, -1, -1};
    };
    std::vector<Group> groups;
    for (size_t column = 0; column < header.size(); ++column) {
        const std::vector<std::string> words = wordsOf(header[column]);
        for (size_t kind = 0; kind < kinds().size(); ++kind)
            for (const std::string_view ending : kinds()[kind].endings) {
                size_t taken = 0;
                if (words.size() >= 2 && words.back() == ending)
                    taken = 1;
                else if (words.size() >= 3 && words[words.size() - 2] + words.back() == ending)
                    taken = 2;
                if (taken == 0)
                    continue;
                const std::string prefix = joined(std::vector(words.begin(), words.end() - long(taken)));
                auto group =
                    std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.prefix == prefix; });
                if (group == groups.end())
                    group = groups.insert(groups.end(), Group{prefix, {-1, -1, -1}});
                if (group->columns[kind] < 0)
                    group->columns[kind] = int(column);
                break;
            }
    }
    std::vector<AddressGroup> whole;
    for (const Group& group : groups)
        if (group.columns[0] >= 0 && group.columns[1] >= 0 && group.columns[2] >= 0)
            whole.push_back({labelOf(group.prefix), {group.columns[0], group.columns[1], group.columns[2]}});
    return whole;
}

std::string addressGroups(const std::vector<std::string>& header) {
    const std::vector<AddressGroup> groups = addressGroupsOf(header);
    if (groups.size() < 2)
        return {};
    std::string text = "the list has " + std::to_string(groups.size()) + " address groups (";
    for (size_t i = 0; i < groups.size(); ++i)
        text += (i == 0 ? "" : i + 1 == groups.size() ? " and " : ", ") + groups[i].name;
    text += "): name one with ";
    for (size_t i = 0; i < groups.size(); ++i) {
        const ZipColumns& columns = groups[i].columns;
        text += i == 0 ? "" : " or ";
        text += "--columns \"" + header[size_t(columns.city)] + "," + header[size_t(columns.state)] + ","
                + header[size_t(columns.zip)] + "\"";
    }
    return text;
}

std::string sharedNames(const ZipColumns& columns, const std::vector<std::string>& header) {
    for (size_t kind = 0; kind < 3; ++kind) {
        const int column = columnOf(columns, kind);
        if (column < 0)
            continue;
        const std::string same = columnsNamed(header[size_t(column)], header);
        if (!same.empty())
            return "the " + std::string(kinds()[kind].label) + " column's name "
                   + std::string(trimmed(header[size_t(column)])) + " is the name of " + same
                   + ": name the one to check with --columns by its number";
    }
    return {};
}

ZipColumns namedColumns(std::string_view names, const std::vector<std::string>& header, long line) {
    std::vector<std::string> parts(1);
    for (const char c : names) {
        if (c == ',')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    if (parts.size() != 3)
        throw ReadError(line, "--columns takes three names or numbers: CITY,STATE,ZIP");
    ZipColumns columns;
    for (size_t kind = 0; kind < 3; ++kind) {
        const std::string part(trimmed(parts[kind]));
        int& column = columnOf(columns, kind);
        if (!part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            if (part.size() > 6 || std::stoi(part) < 1 || size_t(std::stoi(part)) > header.size())
                throw ReadError(line, "--columns: the header has no column " + part);
            column = std::stoi(part) - 1;
            continue;
        }
        for (size_t i = 0; i < header.size() && column < 0; ++i)
            if (equalIgnoringAsciiCase(trimmed(header[i]), part))
                column = int(i);
        if (column < 0)
            throw ReadError(line, "--columns: the header has no column \"" + part + "\"");
        const std::string same = columnsNamed(part, header);
        if (!same.empty()) {
            std::string message = "--columns: " + same;
            message += " are both named \"" + part + "\"; give the number of the one meant";
            throw ReadError(line, message);
        }
    }
    for (size_t kind = 0; kind < 3; ++kind)
        for (size_t other = kind + 1; other < 3; ++other)
            if (columnOf(columns, kind) == columnOf(columns, other))
                throw ReadError(line, "--columns names column " + std::to_string(columnOf(columns, kind) + 1) + " ("
                                          + header[size_t(columnOf(columns, kind))] + ") as both the "
                                          + std::string(kinds()[kind].label) + " and the "
                                          + std::string(kinds()[other].label) + " column");
    return columns;
}

std::string missingColumns(const ZipColumns& columns, const std::vector<std::string>& header) {
    std::vector<std::string> missing, found;
    for (size_t kind = 0; kind < 3; ++kind) {
        const int column = columnOf(columns, kind);
        const std::string label(kinds()[kind].label);
        if (column < 0)
            missing.push_back(label);
        else
            found.push_back(header[size_t(column)] + " in column " + std::to_string(column + 1));
    }
    std::string text = "no ";
    for (size_t i = 0; i < missing.size(); ++i)
        text += (i == 0 ? "" : i + 1 == missing.size() ? " or " : ", ") + missing[i];
    text += missing.size() == 1 ? " column" : " columns";
    if (!found.empty()) {
        text += " (found ";
        for (size_t i = 0; i < found.size(); ++i)
            text += (i == 0 ? "" : ", ") + found[i];
        text += ")";
    }
    return text;
}

} // namespace olvaris::ziplist
