// script_number.cpp -- decimal number prefixes of script words.
#include "script/script_number.h"

#include <cfloat>
#include <climits>
#include <cstdlib>
#include <limits>
#include <string>

namespace qm {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t skipBlanks(std::string_view w) {
    size_t i = 0;
    while (i < w.size() && isBlank(w[i])) ++i;
    return i;
}

size_t skipDigits(std::string_view w, size_t i) {
    while (i < w.size() && isDigit(w[i])) ++i;
    return i;
}

}  // namespace

float scriptFloat(std::string_view word, bool* isNumber) {
    // Find the longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    size_t i = skipBlanks(word);
    const size_t start = i;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) ++i;
    const size_t intStart = i;
    i = skipDigits(word, i);
    bool digits = i > intStart;
    if (i < word.size() && word[i] == '.') {
        const size_t fracStart = i + 1;
        const size_t fracEnd = skipDigits(word, fracStart);
        if (digits || fracEnd > fracStart) {
            digits = true;
            i = fracEnd;
        }
    }
    if (digits && i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        size_t e = i + 1;
        if (e < word.size() && (word[e] == '+' || word[e] == '-')) ++e;
        const size_t expEnd = skipDigits(word, e);
        if (expEnd > e) i = expEnd;
    }
    if (isNumber) *isNumber = digits;
    if (!digits) return 0.0f;
    const std::string text(word.substr(start, i - start));
    const double value = std::strtod(text.c_str(), nullptr);
    // Beyond the float range the value becomes an infinity, as a float conversion would.
    if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

int scriptInt(std::string_view word, bool* isNumber) {
    size_t i = skipBlanks(word);
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    const size_t digitStart = i;
    long long value = 0;
    for (; i < word.size() && isDigit(word[i]); ++i)
        if (value <= LLONG_MAX / 100) value = value * 10 + (word[i] - '0');  // saturates long before overflow
    if (isNumber) *isNumber = i > digitStart;
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace qm
