// keyword_match.h -- near misses of keywords and names, and which ignored lines look like commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {
class TokenLine;
}

namespace qm::check {

// Edits (a letter added, dropped or changed, or two neighbours swapped) between
// the two words, ignoring ASCII case.
int editDistance(std::string_view a, std::string_view b);

// The candidate that `word` most likely meant, or empty: one in another case, or
// one a few edits away (none for words of two letters, one for shorter words than
// eight letters, two from there on).
std::string_view closestMatch(std::string_view word, const std::vector<std::string_view>& candidates);

// " (did you mean "x"?)" for the closest match, or "".
std::string didYouMean(std::string_view word, const std::vector<std::string_view>& candidates);

// Whether a line whose word 0 is no keyword looks like a mistyped command rather
// than a comment (any other first word is the scripts' comment convention). It
// does when word 0
//  - is one edit away from a keyword of five letters or more ("visible" for
//    "visable", "rotaton", "sceens"), whatever follows; or
//  - is written in lower-case letters only, or is a keyword in another case
//    ("Position"), and is followed by one or more words that all read as values:
//    numbers, t, f, true, false, on, off, none, or paths (with '\' or '/').
// So "# the camera", "Camera flies in", "-- intro" and "notes on the song" stay
// comments, while "visible f", "rotaton 0 1 0", "Position 0 0 -5" and "spin 1 2 3"
// are reported.
bool looksLikeCommand(const TokenLine& words, const std::vector<std::string_view>& keywords);

}  // namespace qm::check
