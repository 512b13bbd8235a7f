#include "WholeAddress.h"
#include "AsciiCase.h"
#include "ZipRules.h"
#include <algorithm>
#include <array>

namespace olvaris::ziplist {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool hasDigit(std::string_view text) { return std::any_of(text.begin(), text.end(), isDigit); }

// The address's parts, trimmed, the empty ones left out.
std::vector<std::string_view> partsOf(std::string_view address) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    const auto cut = [&](size_t end, size_t next) {
        const std::string_view part = trimmed(address.substr(start, end - start));
        if (!part.empty())
            parts.push_back(part);
        start = next;
    };
    for (size_t at = 0; at < address.size(); ++at) {
        const char c = address[at];
        if (c == ',' || c == '\n' || c == '\r' || c == ';')
            cut(at, at + 1);
        else if ((c == ' ' || c == '\t') && at + 1 < address.size()
                 && (address[at + 1] == ' ' || address[at + 1] == '\t')) {
            size_t end = at;
            while (at + 1 < address.size() && (address[at + 1] == ' ' || address[at + 1] == '\t'))
                ++at;
            cut(end, at + 1);
        }
    }
    cut(address.size(), address.size());
    return parts;
}

std::vector<std::string_view> wordsOf(std::string_view part) {
    std::vector<std::string_view> words;
    size_t start = 0;
    for (size_t at = 0; at <= part.size(); ++at)
        if (at == part.size() || part[at] == ' ' || part[at] == '\t') {
            if (at > start)
                words.push_back(part.substr(start, at - start));
            start = at + 1;
        }
    return words;
}

// The words from..to of a part, as written.
std::string_view span(const std::vector<std::string_view>& words, size_t from, size_t to) {
    return from >= to ? std::string_view()
                      : std::string_view(words[from].data(),
                                         size_t(words[to - 1].data() + words[to - 1].size() - words[from].data()));
}

bool isCountry(std::string_view text) {
    std::string key;
    for (const char c : text)
        if (c != '.' && c != ' ')
            key += olvaris::text::asciiLower(c);
    return key == "us" || key == "usa" || key == "unitedstates" || key == "unitedstatesofamerica";
}

// Five digits, or a ZIP+4: what ends an address (three or four digits are
// a house's number as often).
bool isZip(std::string_view word) {
    const std::optional<Zip> zip = zipFrom(word);
    return zip && !zip->cellForm && !zip->lostZeros;
}

} // namespace

AddressTail addressTail(std::string_view address) {
    AddressTail tail;
    std::vector<std::string_view> parts = partsOf(address);
    if (!parts.empty() && isCountry(parts.back()))
        parts.pop_back();
    if (parts.empty()) {
        tail.problem = "empty: address";
        return tail;
    }
    std::vector<std::string_view> words = wordsOf(parts.back());
    if (words.size() > 1 && isCountry(words.back()))
        words.pop_back();
    if (!isZip(words.back())) {
        tail.problem = "the address does not end in a ZIP code (it ends in \"" + std::string(words.back()) + "\")";
        return tail;
    }
    tail.zip = words.back();
    words.pop_back();
    if (words.empty() && parts.size() > 1) {
        parts.pop_back();
        words = wordsOf(parts.back());
    }
    // The state: the last one to four words that name one.
    size_t stateFrom = words.size();
    for (size_t taken = std::min<size_t>(4, words.size()); taken >= 1 && stateFrom == words.size(); --taken)
        if (ziplist::stateFrom(span(words, words.size() - taken, words.size())))
            stateFrom = words.size() - taken;
    if (stateFrom == words.size()) {
        tail.problem = "no state before the ZIP code " + tail.zip + " in the address";
        return tail;
    }
    tail.state = span(words, stateFrom, words.size());
    const std::string_view before = span(words, 0, stateFrom);
    if (!before.empty() && (!hasDigit(before) || parts.size() > 1)) {
        tail.city = before;
        return tail;
    }
    if (before.empty() && parts.size() > 1) {
        tail.city = parts[parts.size() - 2];
        return tail;
    }
    tail.problem = "found the state " + tail.state + " and the ZIP code " + tail.zip
                   + " but no city apart from the street: part them with a comma";
    return tail;
}

std::vector<int> wholeAddressColumns(const std::vector<std::string>& header) {
    std::vector<int> columns;
    for (size_t column = 0; column < header.size(); ++column) {
        std::vector<std::string> words(1);
        for (const char c : header[column]) {
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c))
                words.back() += olvaris::text::asciiLower(c);
            else if (!words.back().empty())
                words.emplace_back();
        }
        if (words.back().empty())
            words.pop_back();
        if (words.empty() || (words.back() != "address" && words.back() != "fulladdress"))
            continue;
        static constexpr std::array<std::string_view, 6> notWhole{"email", "e", "mail", "ip", "web", "street"};
        if (std::none_of(words.begin(), words.end() - 1, [](const std::string& word) {
                return std::find(notWhole.begin(), notWhole.end(), word) != notWhole.end();
            }))
            columns.push_back(int(column));
    }
    return columns;
}

} // namespace olvaris::ziplist
