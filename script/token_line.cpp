// token_line.cpp -- the word and item splitters shared by every script reader.
#include "script/token_line.h"

namespace qm {

namespace {

bool isWordSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
}

const std::string kEmpty;

// Script text is C text: whatever follows an embedded NUL byte is not part of it.
std::string_view upToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

void TokenLine::splitWords(std::string_view line) {
    words_.clear();
    line = upToNul(line);
    if (line.empty()) return;

    std::string word;
    word.reserve(line.size());
    bool inQuotes = false;
    // A line that starts with LF or CR gives an empty first word; one that starts
    // with a blank or TAB does not.
    bool afterSeparator = line.front() == ' ' || line.front() == '\t';

    // Visit every character and then the terminating NUL, which ends the last word.
    for (size_t i = 0; i <= line.size(); ++i) {
        const char c = i < line.size() ? line[i] : '\0';
        if (c == '"') {
            inQuotes = !inQuotes;  // the quote itself is not part of the word
        } else if (isWordSeparator(c) && !inQuotes) {
            if (!afterSeparator) {
                words_.push_back(word);  // an empty word too ("" at the start of a line)
                word.clear();
                afterSeparator = true;
            }
        } else {
            if (c != '\0') word.push_back(c);
            afterSeparator = false;
        }
    }
    // A word still inside an unclosed quote is dropped.
}

void TokenLine::splitList(std::string_view text) {
    words_.clear();
    text = upToNul(text);
    if (text.empty()) return;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            words_.push_back(trimmedCopy(text.substr(start, i - start)));
            start = i + 1;
        }
    }
}

const std::string& TokenLine::wordString(int index) const {
    if (words_.empty() || index < 0) return kEmpty;
    return words_[static_cast<size_t>(index) % words_.size()];
}

const char* TokenLine::word(int index) const {
    return wordString(index).c_str();
}

std::string trimmedCopy(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\n')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\n')) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace qm
