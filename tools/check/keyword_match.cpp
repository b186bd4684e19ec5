// keyword_match.cpp -- edit distances and the rule that tells mistyped commands from comments.
#include "check/keyword_match.h"

#include <algorithm>
#include <cctype>

#include "script/script_number.h"
#include "script/token_line.h"

namespace qm::check {

namespace {

// Keywords shorter than this are not matched by edits: "on", "new" and "end" are
// a letter away from too many ordinary words that start comments.
constexpr size_t kShortestEditedKeyword = 5;
// Words this long may be two edits away from what they meant.
constexpr size_t kTwoEditLength = 8;
// Longer words are not compared: the distance costs their product.
constexpr size_t kLongestCompared = 64;

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool lowerCaseLetters(std::string_view word) {
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool readsAsValue(std::string_view word) {
    static constexpr std::string_view kValueWords[] = {"t", "f", "true", "false", "on", "off", "none"};
    bool isNumber = false;
    scriptFloat(word, &isNumber);
    if (isNumber) return true;
    if (std::find(std::begin(kValueWords), std::end(kValueWords), word) != std::end(kValueWords)) return true;
    return word.find_first_of("\\/") != std::string_view::npos;
}

}  // namespace

int editDistance(std::string_view a, std::string_view b) {
    if (a.size() > kLongestCompared || b.size() > kLongestCompared)
        return static_cast<int>(std::max(a.size(), b.size()));
    // Optimal string alignment: three rows of the table are enough.
    const size_t n = b.size();
    std::vector<int> before(n + 1), previous(n + 1), row(n + 1);
    for (size_t j = 0; j <= n; ++j) previous[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= n; ++j) {
            const int cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return previous[n];
}

std::string_view closestMatch(std::string_view word, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    int bestDistance = 0;
    for (std::string_view c : candidates) {
        if (c == word) continue;
        const int d = sameIgnoringCase(c, word) ? 0 : editDistance(word, c);
        const size_t length = std::max(word.size(), c.size());
        const int allowed = length >= kTwoEditLength ? 2 : length >= 3 ? 1 : 0;
        if (d > allowed) continue;
        // Among equally near ones, a word that starts the same way wins ("of": "off", not "on").
        const bool tieWon = d == bestDistance && c.substr(0, word.size()) == word;
        if (best.empty() || d < bestDistance || tieWon) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}

std::string didYouMean(std::string_view word, const std::vector<std::string_view>& candidates) {
    const std::string_view match = closestMatch(word, candidates);
    if (match.empty()) return {};
    return " (did you mean \"" + std::string(match) + "\"?)";
}

bool looksLikeCommand(const TokenLine& words, const std::vector<std::string_view>& keywords) {
    const std::string& first = words.wordString(0);
    if (first.empty()) return false;
    bool caseVariant = false;
    for (std::string_view k : keywords) {
        if (sameIgnoringCase(first, k)) {
            caseVariant = true;
        } else if (k.size() >= kShortestEditedKeyword && editDistance(first, k) == 1) {
            return true;
        }
    }
    if (!caseVariant && !lowerCaseLetters(first)) return false;
    if (words.count() < 2) return false;
    for (int i = 1; i < words.count(); ++i)
        if (!readsAsValue(words.wordString(i))) return false;
    return true;
}

}  // namespace qm::check
