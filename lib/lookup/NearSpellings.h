#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace olvaris::lookup {

class ZipIndex;

// The city names of a state nearest a misspelt one, by their keys (see
// ziplist::cityKey): each state's keys are made once, with the set of
// letters each holds, so most keys are passed over by a length and a
// letter test before any edit distance is counted; and what was asked is
// kept, since real lists misspell the same town the same way again.
class NearSpellings {
public:
    explicit NearSpellings(const ZipIndex& index) : m_index(index) {}

    // The keys of the state's cities at the least edit distance from the
    // key, if that is within the limit; empty where none is.
    // Invariants a caller relies on: the reference is into the kept answers,
    // which a later call may clear (at KeptAnswers): use it before asking
    // again. The answers are kept by state and key only, not the limit,
    // because the one caller (RowVerdict) derives the limit from the key's
    // length; a caller passing other limits for one key must not share this.
    const std::vector<std::string>& nearest(std::string_view state, const std::string& key, int limit) const;

private:
    // A state's keys in order of length, the letters each holds beside
    // them, and where each length begins.
    struct Keys {
        std::vector<std::string> keys;
        std::vector<std::uint32_t> letters;
        std::vector<std::uint32_t> firstOfLength; // [n]: the first key of length n or more
        std::pair<size_t, size_t> lengths(int from, int to) const;
    };
    const Keys& keysOf(std::string_view state) const;

    // What is kept of earlier questions is bounded: a list of nothing but
    // different misspellings costs no more than this many answers.
    static constexpr size_t KeptAnswers = 100000;

    const ZipIndex& m_index;
    mutable std::unordered_map<std::string, Keys> m_keys;
    mutable std::unordered_map<std::string, std::vector<std::string>> m_answers;
};

} // namespace olvaris::lookup
