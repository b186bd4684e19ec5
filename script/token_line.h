// token_line.h -- cuts script lines into words and parameter texts into comma-separated items.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// One split line. Words are read by index; an index past the last word wraps
// around to the start (word i of an n-word line is word i mod n), so a reader
// that asks for a missing argument gets one of the line's own words, never null.
class TokenLine {
public:
    // Splits at blanks, tabs, CR and LF; double quotes keep separators inside a word.
    void splitWords(std::string_view line);
    // Splits at commas only; each item is trimmed with trimmedCopy.
    void splitList(std::string_view text);
    void clear() { words_.clear(); }

    int count() const { return static_cast<int>(words_.size()); }
    // Never null; valid until the next split. With no words, an empty string.
    const char* word(int index) const;
    const std::string& wordString(int index) const;

private:
    std::vector<std::string> words_;
};

// A copy of text without leading blanks, TABs and LFs and without trailing blanks
// and LFs. A trailing TAB or CR is kept, and so is a leading CR: scripts written
// on other systems rely on exactly this trimming.
std::string trimmedCopy(std::string_view text);

}  // namespace qm
