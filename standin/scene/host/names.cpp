#include "names.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "error.h"

namespace standin {

namespace {

// Names longer than this are pasted, not typed: no edit distance is worth
// its cost for them, and none would be shown whole in a message.
constexpr std::size_t kLongestTyped = 128;
constexpr std::size_t kMostSuggested = 5;

unsigned char fold(unsigned char c, bool fold_case)
{
    return fold_case && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Whether the bracket set opening at PATTERN[AT] holds C; NEXT is set past
// its ]. False, NEXT untouched, when the set is never closed.
bool set_holds(std::string_view pattern, std::size_t at, unsigned char c, bool fold_case, std::size_t &next,
               bool &holds)
{
    std::size_t i = at + 1;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool in = false;
    for (bool first = true; i < pattern.size() && (pattern[i] != ']' || first); first = false) {
        if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
        unsigned char low = fold(static_cast<unsigned char>(pattern[i++]), fold_case), high = low;
        if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            high = fold(static_cast<unsigned char>(pattern[i + 1]), fold_case);
            i += 2;
        }
        in = in || (low <= c && c <= high);
    }
    if (i >= pattern.size()) return false;
    next = i + 1;
    holds = in != negated;
    return true;
}

// Whether the one-byte element of PATTERN at AT (not a star) takes C; NEXT
// is set past the element.
bool element_takes(std::string_view pattern, std::size_t at, unsigned char c, bool fold_case, std::size_t &next)
{
    c = fold(c, fold_case);
    const char p = pattern[at];
    bool holds = false;
    if (p == '?') {
        next = at + 1;
        return true;
    }
    if (p == '[' && set_holds(pattern, at, c, fold_case, next, holds)) return holds;
    if (p == '\\' && at + 1 < pattern.size()) ++at;
    next = at + 1;
    return fold(static_cast<unsigned char>(pattern[at]), fold_case) == c;
}

bool equal_but_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return fold(static_cast<unsigned char>(x), true) == fold(static_cast<unsigned char>(y), true);
           });
}

// The edit distance of A and B but for case, or LIMIT + 1 past LIMIT.
std::size_t distance_within(std::string_view a, std::string_view b, std::size_t limit)
{
    const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    if (gap > limit) return limit + 1;
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0], least = row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = fold(static_cast<unsigned char>(a[i - 1]), true) ==
                              fold(static_cast<unsigned char>(b[j - 1]), true);
            const std::size_t here = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = here;
            least = std::min(least, here);
        }
        if (least > limit) return limit + 1;
    }
    return std::min(row[b.size()], limit + 1);
}

}  // namespace

bool name_matches(std::string_view pattern, std::string_view name, bool fold_case)
{
    // Only the last star is ever gone back to: what an earlier one took
    // the later one can take as well.
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t p = 0, n = 0, after_star = kNone, star_took = 0, next = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            after_star = ++p;
            star_took = n;
        } else if (p < pattern.size() &&
                   element_takes(pattern, p, static_cast<unsigned char>(name[n]), fold_case, next)) {
            p = next;
            ++n;
        } else if (after_star == kNone) {
            return false;
        } else {
            p = after_star;
            n = ++star_took;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<Object *> objects_matching(const Scene &scene, std::string_view pattern)
{
    std::vector<Object *> found;
    scene.for_each_object([&](Object &o) {
        if (name_matches(pattern, o.name)) found.push_back(&o);
    });
    return found;
}

std::vector<std::string> nearest_names(const Scene &scene, std::string_view wanted, bool pattern)
{
    const std::size_t limit = wanted.size() / 3;
    std::vector<std::string> names;
    std::vector<std::pair<std::size_t, std::string_view>> near;  // by distance, then scene order
    std::unordered_set<std::string_view> seen;
    scene.for_each_object([&](const Object &o) {
        const std::string_view name = o.name;
        if (!seen.insert(name).second) return;
        if (pattern ? name_matches(wanted, name, true) : equal_but_case(wanted, name)) {
            if (names.size() < kMostSuggested) names.emplace_back(name);
        } else if (wanted.size() <= kLongestTyped) {
            const std::size_t distance = distance_within(wanted, name, limit);
            if (distance <= limit) near.emplace_back(distance, name);
        }
    });
    std::stable_sort(near.begin(), near.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 0; i < near.size() && names.size() < kMostSuggested; ++i) names.emplace_back(near[i].second);
    return names;
}

std::string did_you_mean(const std::vector<std::string> &names)
{
    if (names.empty()) return "";
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += in_quotes(names[i]);
    }
    return text + "?)";
}

}  // namespace standin
