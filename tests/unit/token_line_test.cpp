// Word and item splitting, with the quirks that existing scripts rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/token_line.h"

namespace qm {
namespace {

std::vector<std::string> wordsOf(const TokenLine& line) {
    std::vector<std::string> words;
    for (int i = 0; i < line.count(); ++i) words.emplace_back(line.word(i));
    return words;
}

struct SplitCase {
    const char* input;
    std::vector<std::string> words;
};

// Blanks stay as they are; line ends, tabs and bytes above 127 are escaped, so that
// CTest names and messages carry no raw control bytes.
void PrintTo(const SplitCase& c, std::ostream* os) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    *os << "[";
    for (const char* p = c.input; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (*p == '\n')
            *os << "\\n";
        else if (*p == '\r')
            *os << "\\r";
        else if (*p == '\t')
            *os << "\\t";
        else if (byte < 0x20 || byte > 0x7E)
            *os << "\\x" << kHexDigits[byte >> 4] << kHexDigits[byte & 15];
        else
            *os << *p;
    }
    *os << "]";
}

class SplitWordsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitWordsTest, GivesTheExpectedWords) {
    TokenLine line;
    line.splitWords(GetParam().input);
    EXPECT_EQ(wordsOf(line), GetParam().words) << "input: [" << GetParam().input << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitWordsTest,
    ::testing::Values(SplitCase{"new scene data\\clouds.qms clouds\n",
                                {"new", "scene", "data\\clouds.qms", "clouds"}},
                      SplitCase{"  a \t b  ", {"a", "b"}},
                      SplitCase{"\n", {""}},  // a line of only a line end: one empty word
                      SplitCase{"\r\n", {""}}, SplitCase{"   \n", {}}, SplitCase{"", {}},
                      SplitCase{"load \"clouds, 1\" end", {"load", "clouds, 1", "end"}},
                      SplitCase{"ab\"c d\"e", {"abc de"}},  // quotes inside a word join its parts
                      SplitCase{"a \"\" b", {"a", "b"}},    // an empty quoted word after a separator
                      SplitCase{"\"\" x", {"", "x"}},       // ... but at the start of a line it counts
                      SplitCase{"a \"b c", {"a"}},          // an unclosed quote drops its word
                      SplitCase{"a\tb\rc\nd", {"a", "b", "c", "d"}}, SplitCase{"\"x\ty\"\n", {"x\ty"}},
                      SplitCase{"\xE9t\xE9 \xFF", {"\xE9t\xE9", "\xFF"}}));  // bytes above 127 are plain

TEST(TokenLine, WordWrapsAroundPastTheLastWord) {
    TokenLine line;
    line.splitWords("a b c");
    EXPECT_STREQ(line.word(3), "a");
    EXPECT_STREQ(line.word(4), "b");
    EXPECT_STREQ(line.word(299), "c");
    line.splitWords("");
    EXPECT_EQ(line.count(), 0);
    EXPECT_STREQ(line.word(0), "");
    EXPECT_STREQ(line.word(7), "");
}

TEST(TokenLine, ANewSplitReplacesTheOldWords) {
    TokenLine line;
    line.splitWords("one two three four");
    line.splitWords("five");
    EXPECT_EQ(wordsOf(line), std::vector<std::string>{"five"});
    EXPECT_STREQ(line.word(2), "five");
}

TEST(TokenLine, SplitListCutsAtCommasAndTrimsItems) {
    TokenLine line;
    line.splitList("clouds, 1.5 ,2");
    EXPECT_EQ(wordsOf(line), (std::vector<std::string>{"clouds", "1.5", "2"}));
    line.splitList("a,");
    EXPECT_EQ(wordsOf(line), (std::vector<std::string>{"a", ""}));
    line.splitList("");
    EXPECT_EQ(line.count(), 0);
    line.splitList("\"q, r\"");  // quotes mean nothing here
    EXPECT_EQ(wordsOf(line), (std::vector<std::string>{"\"q", "r\""}));
    line.splitList(",,");
    EXPECT_EQ(line.count(), 3);
}

TEST(TrimmedCopy, KeepsTrailingTabAndCarriageReturn) {
    EXPECT_EQ(trimmedCopy(" \t\nword \n"), "word");
    EXPECT_EQ(trimmedCopy("word\t"), "word\t");
    EXPECT_EQ(trimmedCopy("word\r\n"), "word\r");
    EXPECT_EQ(trimmedCopy("\rword"), "\rword");
    EXPECT_EQ(trimmedCopy(" \n "), "");
    EXPECT_EQ(trimmedCopy(""), "");
}

TEST(TokenLine, TextStopsAtAnEmbeddedNul) {
    TokenLine line;
    line.splitWords(std::string_view("a b\0c d", 7));
    EXPECT_EQ(wordsOf(line), (std::vector<std::string>{"a", "b"}));
    line.splitList(std::string_view("x,y\0,z", 6));
    EXPECT_EQ(wordsOf(line), (std::vector<std::string>{"x", "y"}));
}

}  // namespace
}  // namespace qm
