// The hyphenator on word lists, level by level, and the refilling steps
// keystrokes cannot show: the justification pattern, a reformat refused for
// want of room, and the old paragraph kept in corefile 0.
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "operations/reformat.h"

namespace {

class Reformat : public testing::Test {
protected:
    void SetUp() override { kelreset(); }
};

// The word with the break shown as "=", or the word alone when there is none.
std::string broken(const std::string &word, int limit)
{
    int n = hyphenate(reinterpret_cast<const unsigned char *>(word.data()),
                      static_cast<int>(word.size()), limit);
    if (n <= 0)
        return word;
    return word.substr(0, static_cast<size_t>(n)) + (nohyphen ? "|" : "=") +
           word.substr(static_cast<size_t>(n));
}

using cases = std::vector<std::pair<std::string, std::string>>;

void expectbreaks(int level, int limit, const cases &words)
{
    hyphlevel = level;
    for (const auto &[word, want] : words)
        EXPECT_EQ(broken(word, limit), want) << "level " << level << " limit " << limit;
}

TEST_F(Reformat, OwnHyphensAtEveryLevel)
{
    for (int level = 0; level <= 3; level++)
        expectbreaks(level, 40, {{"well-known", "well-|known"},
                                 {"mother-in-law", "mother-in-|law"}});
    expectbreaks(0, 7, {{"mother-in-law", "mother-|in-law"}, {"transformation", "transformation"}});
    expectbreaks(3, 3, {{"well-known", "well-known"}});   // the hyphen lies beyond the limit
    expectbreaks(2, 4, {{"well-known", "well-known"}});   // never just before the hyphen
}

TEST_F(Reformat, ShortLongAndTrimmedWords)
{
    expectbreaks(3, 40, {{"a-bcd", "a-bcd"},              // five characters are never broken
                         {std::string(201, 'x') + "-y", std::string(201, 'x') + "-y"}});
    // Trailing punctuation and a possessive do not count as the word's end.
    expectbreaks(1, 40, {{"happiness.", "happi=ness."}, {"kindness's", "kind=ness's"}});
}

TEST_F(Reformat, LevelOneRules)
{
    expectbreaks(1, 40, {{"counterpart", "counter=part"},      // prefix
                         {"Transformation", "Transforma=tion"}, // suffix beats the prefix
                         {"misfortune", "mis=fortune"},         // prefix, no suffix
                         {"boxing", "box=ing"},                 // X rule and suffix agree
                         {"obstacle", "ob=stacle"},             // S rule
                         {"classroom", "class=room"},           // S after S
                         {"trombone", "tromb=one"}});           // the table's suffix ONE
    expectbreaks(1, 7, {{"counterpart", "counter=part"}});
    expectbreaks(1, 6, {{"counterpart", "counterpart"}});     // seven characters do not fit
    expectbreaks(0, 40, {{"counterpart", "counterpart"}});
}

TEST_F(Reformat, DoubledConsonantsAndVowels)
{
    expectbreaks(1, 40, {{"tatters", "tatters"}});
    expectbreaks(2, 40, {{"tatters", "tat=ters"},
                         {"balloon", "ballo=on"},
                         {"fullback", "full=back"},
                         {"kittens", "kit=tens"}});
    expectbreaks(2, 40, {{"bottle", "bot=tle"}});
    expectbreaks(2, 40, {{"tomato", "tomato"}, {"banana", "banana"}});
    expectbreaks(3, 40, {{"tomato", "tom=ato"}, {"banana", "ban=ana"}});
    expectbreaks(3, 2, {{"banana", "banana"}});
}

// Margins 1 and 19, justified: the two blanks over are given where the
// rotating bit falls in the mask (bits 0 and 3 here); the last line is left
// alone.
TEST_F(Reformat, JustifiedLinesEndAtTheMargin)
{
    textlines({"aa bb cc dd ee ff gg hh ii jj"});
    rmargin = 19;
    jmode = 1;
    reformat();
    std::vector<std::string> once = {"aa  bb cc dd  ee ff", "gg hh ii jj"};
    EXPECT_EQ(curlines(), once);
    // Again on the same text the pattern starts afresh: the same lines.
    curcore().lnptr = curcore().header->down;
    reformat();
    EXPECT_EQ(curlines(), once);
}

TEST_F(Reformat, OldParagraphGoesToCorefileZero)
{
    textlines({"one two", "three", "", "after"});
    reformat();
    EXPECT_EQ(curlines(), (std::vector<std::string>{"one two three", "", "after"}));
    EXPECT_EQ(curcore().lncount, 3);
    corenum = 0;
    std::vector<std::string> zero = curlines();
    ASSERT_GE(zero.size(), 2u);
    EXPECT_EQ(zero[zero.size() - 2], "one two");
    EXPECT_EQ(zero.back(), "three");
}

TEST_F(Reformat, RefusedOrInterruptedChangesNothing)
{
    textlines({"one two three four five six", "seven eight"});
    rmargin = 10;
    hiaddr = avail + 5;
    listen();
    pushfn("\r");
    reformat();
    stoplistening();
    hiaddr = HIADDR;
    EXPECT_EQ(curlines(), (std::vector<std::string>{"one two three four five six", "seven eight"}));
    EXPECT_TRUE(wassent("$meinadequate free space for reformat"));

    // An interrupt gives up quietly, the paragraph as it was.
    abortreq = 1;
    listen();
    reformat();
    stoplistening();
    abortreq = 0;
    EXPECT_EQ(curlines(), (std::vector<std::string>{"one two three four five six", "seven eight"}));
    EXPECT_FALSE(wassent("$meinadequate free space for reformat"));
    reformat();
    EXPECT_EQ(curlines(), (std::vector<std::string>{"one two", "three four", "five six", "seven", "eight"}));
}

TEST_F(Reformat, TabStopToggledOnlyInsideTheMargins)
{
    COREFILE &c = curcore();
    rmargin = 30;
    c.curcol = 5;
    listen();
    tabset();
    EXPECT_EQ(tabs[5], 1);
    c.curcol = 9;
    tabset();
    EXPECT_EQ(tabs[9], 0);
    stoplistening();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().substr(0, 14), "$mt<...!......");
    for (int col : {1, 30, 31}) {
        c.curcol = col;
        char before = tabs[col];
        tabset();
        EXPECT_EQ(tabs[col], before) << col;
    }
}

// Word wrap refills the typed line and leaves the cursor, numbered, on the
// last line built.
TEST_F(Reformat, AutowrapNumbersTheCursorLine)
{
    textlines({"first", "aaa bbb ccc ddd", "last"});
    COREFILE &c = curcore();
    c.lnptr = c.header->down->down;
    c.curline = 2;
    rmargin = 8;
    autowrap();
    EXPECT_EQ(curlines(), (std::vector<std::string>{"first", "aaa bbb", "ccc ddd", "last"}));
    EXPECT_EQ(linetext(c.lnptr), "ccc ddd");
    EXPECT_EQ(c.curline, 3);
}

TEST_F(Reformat, CentreShiftsByHalfTheSpareColumns)
{
    textlines({"0123456789", "  ab"});
    fcenter();
    EXPECT_EQ(curlines()[0], std::string(31, ' ') + "0123456789");
    flushleft();
    EXPECT_EQ(curlines()[0], "0123456789");
    COREFILE &c = curcore();
    c.lnptr = c.header->down->down;
    lmargin = 2;
    flushleft();
    EXPECT_EQ(curlines()[1], " ab");
}

// In corefile 0 itself the old paragraph has nowhere to go: only the
// refilled lines remain, counted right.
TEST_F(Reformat, InCorefileZeroTheOldParagraphGoes)
{
    corenum = 0;
    textlines({"one two", "three", "", "after"});
    reformat();
    EXPECT_EQ(curlines(), (std::vector<std::string>{"one two three", "", "after"}));
    EXPECT_EQ(curcore().lncount, 3);
    EXPECT_EQ(curcore().charcount, 18);
    EXPECT_EQ(linetext(curcore().lnptr), "one two three");
}

// A word's own hyphen at a line end joins it to the next line, whether the
// author or the reformat broke it there; a whole word ending in "-" left at
// a line end keeps its gap through the no-break space after it.
TEST_F(Reformat, HyphensAtLineEndsSurviveReformatting)
{
    const std::string mark(1, static_cast<char>(GAPMARK));
    textlines({"xxxxx pre- and post-", "war ends"});
    rmargin = 10;
    reformat();
    std::vector<std::string> once = {"xxxxx pre-" + mark, "and post-", "war ends"};
    EXPECT_EQ(curlines(), once);
    curcore().lnptr = curcore().header->down;
    reformat();
    EXPECT_EQ(curlines(), once);
    curcore().lnptr = curcore().header->down;
    rmargin = 72;
    reformat();
    EXPECT_EQ(curlines(), (std::vector<std::string>{"xxxxx pre- and post-war ends"}));
}

// Every width from 1 to 30, every level, justified or not: a second
// reformat gives the lines of the first, and the words come back whole.
TEST_F(Reformat, ReformattingTwiceChangesNothing)
{
    const std::vector<std::string> text = {
        "The counterpart of a well-", "known transformation, pre- and post-war,",
        "is seldom reconsidered: extraordinary possibilities - mississippi",
        "steamboats and tomatoes."};
    for (int level = 0; level <= 3; level++)
        for (int j = 0; j <= 1; j++)
            for (int width = 1; width <= 30; width++) {
                kelreset();
                textlines(text);
                hyphlevel = level;
                jmode = j;
                rmargin = width;
                reformat();
                std::vector<std::string> once = curlines();
                curcore().lnptr = curcore().header->down;
                reformat();
                ASSERT_EQ(curlines(), once) << level << j << width;
                curcore().lnptr = curcore().header->down;
                rmargin = 200;
                jmode = 0;
                reformat();
                ASSERT_EQ(curlines(), (std::vector<std::string>{
                    "The counterpart of a well-known transformation, pre- and post-war, is "
                    "seldom reconsidered: extraordinary possibilities - mississippi steamboats "
                    "and tomatoes."})) << level << j << width;
            }
}

}  // namespace
