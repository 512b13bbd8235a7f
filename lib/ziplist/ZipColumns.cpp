#include "ZipColumns.h"
#include "ZipRules.h"
#include "AsciiCase.h"
#include <algorithm>
#include <array>
#include <stdexcept>

namespace ziplist {

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
         {"state", "st", "statecode", "stateabbr", "stateabbreviation", "stateprovince", "stateorprovince", "province",
          "prov"},
         {"state"}},
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

size_t ZipColumns::needed() const { return size_t(std::max({city, state, zip}) + 1); }

ZipColumns findColumns(const std::vector<std::string>& header) {
    ZipColumns columns;
    for (size_t kind = 0; kind < kinds().size(); ++kind) {
        const Kind& wanted = kinds()[kind];
        size_t bestRank = wanted.names.size();
        std::vector<int> endingMatches;
        for (size_t column = 0; column < header.size(); ++column) {
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

ZipColumns namedColumns(std::string_view names, const std::vector<std::string>& header) {
    std::vector<std::string> parts(1);
    for (const char c : names) {
        if (c == ',')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    if (parts.size() != 3)
        throw std::invalid_argument("--columns takes three names or numbers: CITY,STATE,ZIP");
    ZipColumns columns;
    for (size_t kind = 0; kind < 3; ++kind) {
        const std::string part(trimmed(parts[kind]));
        int& column = columnOf(columns, kind);
        if (!part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            if (part.size() > 6 || std::stoi(part) < 1 || size_t(std::stoi(part)) > header.size())
                throw std::invalid_argument("--columns: the header has no column " + part);
            column = std::stoi(part) - 1;
            continue;
        }
        for (size_t i = 0; i < header.size() && column < 0; ++i)
            if (equalIgnoringAsciiCase(trimmed(header[i]), part))
                column = int(i);
        if (column < 0)
            throw std::invalid_argument("--columns: the header has no column \"" + part + "\"");
    }
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

} // namespace ziplist
