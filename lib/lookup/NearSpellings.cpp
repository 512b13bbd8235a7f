#include "NearSpellings.h"
#include "ZipIndex.h"
#include "ZipRules.h"
#include <algorithm>
#include <cstdlib>

namespace olvaris::lookup {

namespace {

// A bit for each letter a key holds, one for digits and one for anything
// else. An edit changes at most two of them (a letter for another), so keys
// whose sets differ in more than twice the limit are farther apart than it.
std::uint32_t lettersOf(std::string_view key) {
    std::uint32_t letters = 0;
    for (const char c : key)
        letters |= c >= 'a' && c <= 'z' ? 1u << (c - 'a') : c >= '0' && c <= '9' ? 1u << 26 : 1u << 27;
    return letters;
}

// Whether more than n bits are set (n small: a loop of at most n steps,
// where a machine without a population count instruction calls a function).
bool moreBitsThan(std::uint32_t bits, int n) {
    for (int i = 0; i < n && bits != 0; ++i)
        bits &= bits - 1;
    return bits != 0;
}

} // namespace

const NearSpellings::Keys& NearSpellings::keysOf(std::string_view state) const {
    const auto [entry, added] = m_keys.try_emplace(std::string(state));
    Keys& keys = entry->second;
    if (added) {
        for (const std::uint32_t row : m_index.citiesOf(state))
            keys.keys.push_back(ziplist::cityKey(m_index.place(row).city));
        std::sort(keys.keys.begin(), keys.keys.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        keys.keys.erase(std::unique(keys.keys.begin(), keys.keys.end()), keys.keys.end());
        for (const std::string& key : keys.keys) {
            keys.letters.push_back(lettersOf(key));
            while (keys.firstOfLength.size() <= key.size())
                keys.firstOfLength.push_back(std::uint32_t(keys.letters.size() - 1));
        }
    }
    return keys;
}

std::pair<size_t, size_t> NearSpellings::Keys::lengths(int from, int to) const {
    const auto first = [this](int length) {
        return length <= 0                             ? size_t(0)
               : size_t(length) < firstOfLength.size() ? size_t(firstOfLength[size_t(length)])
                                                       : keys.size();
    };
    return {first(from), first(to + 1)};
}

const std::vector<std::string>& NearSpellings::nearest(std::string_view state, const std::string& key,
                                                       int limit) const {
    std::string asked(state);
    asked += '\n';
    asked += key;
    if (const auto known = m_answers.find(asked); known != m_answers.end())
        return known->second;
    if (m_answers.size() >= KeptAnswers)
        m_answers.clear();

    std::vector<std::string> nearest;
    int best = limit + 1;
    const std::uint32_t letters = lettersOf(key);
    const Keys& keys = keysOf(state);
    const int length = int(key.size());
    const auto [from, to] = keys.lengths(length - limit, length + limit);
    for (size_t i = from; i < to; ++i) {
        const int within = std::min(best, limit);
        if (moreBitsThan(keys.letters[i] ^ letters, 2 * within))
            continue;
        const int distance = ziplist::editDistance(key, keys.keys[i], within);
        if (distance < best) {
            best = distance;
            nearest.clear();
        }
        if (distance == best && distance <= limit)
            nearest.push_back(keys.keys[i]);
    }
    return m_answers.emplace(std::move(asked), std::move(nearest)).first->second;
}

} // namespace olvaris::lookup
