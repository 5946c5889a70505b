// Searching: the wildcard matcher's backtracking and captures (slots cut at
// their size, the 21st star and later sharing the last slot), the pattern
// language's codes, the word and sentence steps, the check bits and the
// word window's bounds, and CHANGE's replacement rule, including a change
// that runs out of arena.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "operations/search.h"

namespace {

class Search : public testing::Test {
protected:
    void SetUp() override { kelreset(); }
    void TearDown() override { hiaddr = HIADDR; }

    static bool wild(const std::string &pattern, const std::string &text)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(pattern.c_str());
        const auto *t = reinterpret_cast<const unsigned char *>(text.data());
        int n = static_cast<int>(text.size());
        if (!unify(p, t, n))
            return false;
        copywild(p, t, n);
        return true;
    }
    // The pattern (brace codes written as \x..) tested at line l, column c.
    static bool at(const std::string &pattern, int l, int c)
    {
        return match(reinterpret_cast<const unsigned char *>(pattern.c_str()), SPOS{nthline(l), c});
    }
    static void runchange(const char *pattern, const char *target)
    {
        std::strcpy(scanpattern, pattern);
        std::strcpy(targetstring, target);
        change();
    }
};

TEST_F(Search, WildcardBacktracksToTheLastStar)
{
    EXPECT_TRUE(wild("*x", "abx"));
    EXPECT_STREQ(unified[1], "ab");
    EXPECT_FALSE(wild("*x", "ab"));
    EXPECT_FALSE(wild("*x", "axb"));          // the pattern's end must meet the line's
    EXPECT_TRUE(wild("a*b*c", "aXbYbZc"));
    EXPECT_STREQ(unified[1], "X");
    EXPECT_STREQ(unified[2], "YbZ");
    EXPECT_TRUE(wild("*ab", "aabab"));        // a run that first matched too early is redone
    EXPECT_STREQ(unified[1], "aab");
    EXPECT_TRUE(wild("**", ""));
    EXPECT_STREQ(unified[1], "");
    EXPECT_TRUE(wild("", ""));
    EXPECT_FALSE(wild("", "a"));
    EXPECT_FALSE(wild("abc", "ab"));
    EXPECT_TRUE(wild("a*", "abc"));
    EXPECT_STREQ(unified[1], "bc");
    EXPECT_STREQ(unified[0], "");              // slot 0 stays empty
}

TEST_F(Search, CapturesAreCutToTheirSlotAndLateStarsShareTheLast)
{
    std::string longtext(300, 'q');
    ASSERT_TRUE(wild("*", longtext));
    EXPECT_EQ(std::strlen(unified[1]), static_cast<size_t>(PATTSIZE - 1));
    std::string stars(22, '*');
    ASSERT_TRUE(wild(stars + "z", "xyz"));
    EXPECT_STREQ(unified[20], "");
    EXPECT_STREQ(unified[21], "xy");          // the 22nd star wrote the shared slot last
    ASSERT_TRUE(wild("*-*", "left-right"));
    EXPECT_STREQ(unified[3], "");             // a new match clears the slots it does not fill
}

TEST_F(Search, PatternCodes)
{
    textlines({"the cat sat.", "on  the mat"});
    EXPECT_TRUE(at("cat", 1, 5));
    EXPECT_FALSE(at("cat", 1, 4));
    EXPECT_TRUE(at("t.\x03on", 1, 11));       // {C}: the line end is one character
    EXPECT_FALSE(at("t.\x03", 2, 11));        // nothing past the end of the text
    EXPECT_TRUE(at("on\x05the", 2, 1));       // {E}: a run of delimiters
    EXPECT_FALSE(at("o\x05", 2, 1));
    EXPECT_TRUE(at("c\x01.", 1, 5));          // {A}: up to 19 characters on
    EXPECT_FALSE(at("t\x01m", 1, 1));         // m is 21 characters after the t
    EXPECT_TRUE(at("t\x01m", 1, 7));
    EXPECT_TRUE(at("c\x17t", 1, 5));          // {W}: inside the word
    EXPECT_FALSE(at("c\x17s", 1, 5));         // not past the blank
    EXPECT_TRUE(at("\x0e" "abc", 1, 1));      // {N}: wherever abc does not start
    EXPECT_FALSE(at("\x0e" "cat", 1, 5));
    EXPECT_TRUE(at("\x0e\x0e" "cat", 1, 5));  // each {N} toggles
    EXPECT_TRUE(at("\x01\x01\x01\x01.", 1, 1));  // gaps behind gaps
    EXPECT_FALSE(at("\x01\x01\x01\x01z", 1, 1));
}

TEST_F(Search, SentenceAndWordSteps)
{
    textlines({"One two. Three", "", "four? five! (Six) seven"});
    scanunit = 3;
    setptr();
    moveoneunit();                            // from the start: past the full stop
    EXPECT_EQ(lp, nthline(1));
    EXPECT_EQ(cp, 10);
    moveoneunit();                            // the line end is no sentence end
    EXPECT_EQ(lp, nthline(3));
    EXPECT_EQ(cp, 7);
    moveoneunit();                            // a bracket is not a letter: skipped
    EXPECT_EQ(cp, 14);
    moveoneunit();                            // no further sentence end: the end of the text
    EXPECT_EQ(lp, curcore().header);
    scanunit = 1;
    setptr();
    moveoneunit();
    EXPECT_EQ(cp, 5);
    scanunit = 4;
    setptr();
    moveoneunit();                            // backwards from the first character: the end
    EXPECT_EQ(lp, curcore().header);
}

TEST_F(Search, CheckBitsAndTheirDisplay)
{
    unsigned long required, mask;
    makecheck("1x0", &required, &mask);
    EXPECT_EQ(required, 0b110u);
    EXPECT_EQ(mask, 0b010u);
    boolcheck = 0b100;
    EXPECT_TRUE(checksheld("1x0"));
    boolcheck = 0b110;
    EXPECT_TRUE(checksheld("1x0"));
    boolcheck = 0b101;
    EXPECT_FALSE(checksheld("1x0"));
    getboolstring(0b1011, 6);
    EXPECT_STREQ(boolstring, "001011");
    getboolstring(~0ul, 64);                   // no more than the string holds
    EXPECT_EQ(std::strlen(boolstring), static_cast<size_t>(BOOLSTRINGSIZE - 1));
}

TEST_F(Search, WordWindowHoldsFortyNineWords)
{
    std::string many;
    for (int i = 0; i < 60; i++)
        many += "w" + std::to_string(i) + " ";
    textlines({many});
    setptr();
    checksetup();
    EXPECT_TRUE(recstrmatch("#49=w48"));
    EXPECT_EQ(cmperr, 0);
    EXPECT_FALSE(recstrmatch("#50=w49"));     // beyond the window: malformed
    EXPECT_EQ(cmperr, 1);
    checkupdate();
    EXPECT_TRUE(recstrmatch("#1=w1"));
    EXPECT_TRUE(recstrmatch("#49=w49"));
    EXPECT_FALSE(recstrmatch("=w1"));         // a relation before the field
    EXPECT_EQ(cmperr, 1);
    EXPECT_FALSE(recstrmatch("#1=w1#2"));     // text may hold a second #: the test is false
    EXPECT_TRUE(recstrmatch("#2<zz\\=w2"));   // '<' never holds; the next alternative does
}

TEST_F(Search, ChangeReplacesAsManyCharactersAsThePatternHas)
{
    textlines({"abc abc", "xabcabc", "ab"});
    runchange("abc", "abcabc");
    EXPECT_EQ(curlines(), (std::vector<std::string>{"abcabc abcabc", "xabcabcabcabc", "ab"}));
    EXPECT_EQ(curcore().lnptr, nthline(2));   // the cursor after the last replacement
    EXPECT_EQ(curcore().curcol, 14);
    curcore().lnptr = nthline(1);
    curcore().curcol = 1;
    runchange("abcabc", "z");
    EXPECT_EQ(curlines(), (std::vector<std::string>{"z z", "xzz", "ab"}));
    curcore().lnptr = nthline(1);
    curcore().curcol = 1;
    runchange("z\x03", "");                   // {C} over the line end: only the line's part goes
    EXPECT_EQ(curlines(), (std::vector<std::string>{"", "x", "ab"}));
}

TEST_F(Search, ChangeThatOverflowsStopsAtAWholeReplacement)
{
    std::vector<std::string> start(40, std::string(50, 'a'));
    textlines(start);
    garbage();
    hiaddr = avail + 500;                     // room for 500 more characters in all
    pushfn("\r");                            // the answer to the warning
    listen();
    runchange("a", "aaaaaaaaaa");             // 9 more per replacement
    stoplistening();
    std::vector<std::string> after = curlines();
    int64_t total = 0;
    for (const std::string &r : after) {
        EXPECT_EQ(r.find_first_not_of('a'), std::string::npos);
        EXPECT_EQ((r.size() - 50) % 9, 0u);   // only whole replacements
        total += static_cast<int64_t>(r.size());
    }
    EXPECT_LE(avail, hiaddr);
    EXPECT_GE(total, 40 * 50 + 9 * 50);       // the first line could move and grow
    EXPECT_LE(total, 40 * 50 + 500);
    std::string said;
    for (const std::string &m : sent)
        said += m + "\n";
    int made = static_cast<int>((total - 40 * 50) / 9);
    EXPECT_NE(said.find(std::to_string(made) + " changes made"), std::string::npos) << said;
    EXPECT_NE(said.find("Warning: operation may not have been completed"), std::string::npos);
    EXPECT_EQ(after.size(), 40u);
}

} // namespace
