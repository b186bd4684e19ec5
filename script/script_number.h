// script_number.h -- numbers in script words: decimal, as far as the word's beginning forms one.
#pragma once

#include <string_view>

namespace qm {

// The value of the decimal number at the start of `word` (after blanks), like the
// C library's atof restricted to decimal notation: "2.5e1x" is 25, "abc" is 0, and
// "0x1F", "inf" and "nan" read as 0. `isNumber`, when given, tells whether any
// digits were found.
float scriptFloat(std::string_view word, bool* isNumber = nullptr);

// The same for integers (atoi): "12abc" is 12, "0x1F" is 0. Values beyond the int
// range are clamped to it.
int scriptInt(std::string_view word, bool* isNumber = nullptr);

}  // namespace qm
