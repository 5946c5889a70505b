// Parameter prompting and the brace notation.
#include <climits>
#include <cstring>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "commands/commands.h"
#include "screen/screen.h"

namespace {


int rowof(const char *name)
{
    for (int i = 0; i < NCMDS; i++)
        if (std::strcmp(commands[i].name, name) == 0)
            return i;
    return -1;
}

std::string trans(const std::string &s)
{
    std::string r;
    ctrlmode = 0;
    xlate = 1;
    for (char c : s) {
        char out[2];
        char *p = out;
        int n = transchar(c, &p);
        EXPECT_EQ(p - out, n);
        r.append(out, static_cast<size_t>(n));
    }
    return r;
}

std::string untrans(const std::string &s)
{
    std::string r;
    ctrlmode = 0;
    for (size_t i = 0; i <= s.size(); i++) {      // the NUL closes an open group
        char out[2];
        char *p = out;
        int n = untranschar(i < s.size() ? s[i] : 0, &p);
        EXPECT_EQ(p - out, n);
        r.append(out, static_cast<size_t>(n));
    }
    return r;
}

class Params : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        listen();
        startoutput();
    }
    void TearDown() override
    {
        stoplistening();
        takeoutput();
    }

    // Runs the parameter line of command `name` with the keys of `keys`.
    void prompt(const char *name, const char *keys)
    {
        cmdptr = rowof(name);
        ASSERT_GE(cmdptr, 0) << name;
        pushfn(keys);
        getparam();
    }
};

} // namespace

TEST(BraceNotation, StoredBytesSurviveTheNotation)
{
    std::string raw = "plain {|}~ text";
    for (int c = 1; c <= 31; c++)
        raw += static_cast<char>(c);
    raw += static_cast<char>(127);
    for (unsigned char b : {0xFE, 0xF7, 0xD6, 0xD9, 0xF6, 0xF5, 0xFB, 0xD3, 0xFC, 0xF1, 0xFD})
        raw += static_cast<char>(b);
    raw += "x\ry{";
    raw += static_cast<char>(0xE9);             // a Latin-1 letter is written as itself
    std::string shown = untrans(raw);
    EXPECT_EQ(trans(shown), raw);
    EXPECT_EQ(untrans(trans(shown)), shown);
}

TEST(BraceNotation, WrittenForms)
{
    EXPECT_EQ(untrans("\rA"), "{M}A");
    EXPECT_EQ(untrans("a\r"), "a{M}");
    EXPECT_EQ(untrans("{|}~\x7f"), "{(!)`/}");
    EXPECT_EQ(untrans("\x1b\xfb"), "{[<}");
    EXPECT_EQ(trans("{M}A"), "\rA");
    EXPECT_EQ(trans("{m}{[}{J}"), "\r\x1b\n");
    EXPECT_EQ(trans("{(!)`/}"), "{|}~\x7f");
    EXPECT_EQ(trans("{$}3{<}{^}x{>}{%}"), "\xfe" "3\xfb\xfdx\xfc\xf7");
    EXPECT_EQ(trans("{&-.:=?}"), "\xd6\xd9\xf6\xf5\xd3\xf1");
    EXPECT_EQ(trans("{ }"), std::string(1, '\0'));
    EXPECT_EQ(trans("{MM"), "\r\r");              // a group left open ends with the text
}

TEST(BraceNotation, OffCopiesUnchanged)
{
    ctrlmode = 0;
    xlate = 0;
    char out[4];
    char *p = out;
    EXPECT_EQ(transchar('{', &p), 1);
    EXPECT_EQ(transchar('M', &p), 1);
    EXPECT_EQ(std::string(out, 2), "{M");
    xlate = 1;
}

TEST_F(Params, FetchTakesDefaultsAfterTheName)
{
    prompt("FETCH", "name.txt\r");
    EXPECT_EQ(del, 0);
    EXPECT_STREQ(curfile, "name.txt");
    EXPECT_EQ(param[2], 1);
    EXPECT_EQ(param[3], 200000);
    EXPECT_STREQ(recboolcheck, "");

    std::strcpy(recboolcheck, "old");
    prompt("FETCH", "f|3|5\r");
    EXPECT_STREQ(curfile, "f");                  // letters are not capitalised here
    EXPECT_EQ(param[2], 3);
    EXPECT_EQ(param[3], 5);
    EXPECT_STREQ(recboolcheck, "");
}

TEST_F(Params, FileNameOfTheCorefile)
{
    std::strcpy(curcore().filname, "own.txt");
    prompt("FETCH", "*\r");
    EXPECT_STREQ(curfile, "own.txt");
    // Nothing is typed after a '*'.
    prompt("FETCH", "*abc|2\r");
    EXPECT_STREQ(curfile, "own.txt");
    EXPECT_EQ(param[2], 2);
}

TEST_F(Params, EmptyFieldsKeepWhatWasTyped)
{
    prompt("SORT", "||\r");
    EXPECT_EQ(param[1], 0);
    EXPECT_EQ(param[2], 0);                      // not the default 15
    EXPECT_EQ(param[3], 0);
    EXPECT_EQ(param[4], 200000);

    prompt("SORT", "1\r");
    EXPECT_EQ(param[1], 1);
    EXPECT_EQ(param[2], 15);
    EXPECT_EQ(param[3], 1);
    EXPECT_EQ(param[4], 200000);

    // '|' after the last parameter is ignored.
    prompt("HYPHENS", "2||\r");
    EXPECT_EQ(param[1], 2);
    EXPECT_STREQ(pstring + 1, "2|");
}

TEST_F(Params, StarLinesWithAndWithoutStars)
{
    prompt("SORT", "0|5|*|*\r");
    EXPECT_EQ(param[3], 1);
    EXPECT_EQ(param[4], 200000);

    // Five lines by hand; star A on line 4, star B on line 2.
    COREFILE saved = curcore();
    LINE l[6] = {};
    for (int i = 0; i < 6; i++) {
        l[i].down = &l[(i + 1) % 6];
        l[i].up = &l[(i + 5) % 6];
    }
    COREFILE &cf = curcore();
    cf.header = &l[0];
    cf.starA = &l[4];
    cf.starB = &l[2];
    cf.starcount = 2;
    prompt("SORT", "0|5|*|*\r");
    EXPECT_EQ(param[3], 2);
    EXPECT_EQ(param[4], 4);

    cf.starB = nullptr;
    cf.starcount = 1;
    prompt("SORT", "0|5|*|*\r");
    EXPECT_EQ(param[3], 4);
    EXPECT_EQ(param[4], 4);
    curcore() = saved;
}

TEST_F(Params, DigitItemTakesOneDigitUpToItsLimit)
{
    prompt("FIND", "875|ab\r");
    EXPECT_EQ(param[1], 7);
    EXPECT_STREQ(scanpattern, "ab");
    EXPECT_STREQ(pstring + 1, "7|ab|");
}

TEST_F(Params, RuboutStepsBackOverTheBar)
{
    prompt("SORT", "1|\x7f\x7f" "2|3\r");
    EXPECT_EQ(del, 0);
    EXPECT_EQ(param[1], 2);
    EXPECT_EQ(param[2], 3);
    // Mode field: Digit, Integer after the bar, Digit again after the rubout.
    std::vector<std::string> modes;
    for (const std::string &m : sent)
        if (m.rfind("$mm", 0) == 0)
            modes.push_back(m.substr(3));
    ASSERT_GE(modes.size(), 4u);
    EXPECT_EQ(modes[0], "Digit   ");
    EXPECT_EQ(modes[1], "Integer ");
    EXPECT_EQ(modes[2], "Digit   ");
    EXPECT_EQ(modes[3], "Integer ");
}

TEST_F(Params, RuboutOnAnEmptyLineAbandons)
{
    param[1] = 99;
    std::strcpy(curfile, "keep");
    prompt("FETCH", "\x7f");
    EXPECT_EQ(del, 2);
    EXPECT_STREQ(curfile, "keep");
    EXPECT_EQ(param[1], 99);
}

TEST_F(Params, FunctionStringIsTranslated)
{
    prompt("FUNCTION", "3|ab{M}\r");
    EXPECT_EQ(param[1], 3);
    EXPECT_STREQ(fn[3], "ab\r");
    // Not translated: the expression keeps its braces.
    prompt("EXPRESSION", "{M}\r");
    EXPECT_STREQ(expression, "{M}");
}

TEST_F(Params, LineIsCutAfter48Characters)
{
    static const std::string keys = std::string(60, 'x') + "\r";
    prompt("EXPRESSION", keys.c_str());
    EXPECT_EQ(std::string(expression), std::string(MAXTYPED, 'x'));

    // A full line still gets every default.
    static const std::string name = std::string(60, 'n') + "\r";
    prompt("FETCH", name.c_str());
    EXPECT_EQ(std::strlen(curfile), static_cast<size_t>(MAXTYPED));
    EXPECT_EQ(param[2], 1);
    EXPECT_EQ(param[3], 200000);
    EXPECT_LT(std::strlen(pstring + 1), static_cast<size_t>(PSTRINGSIZE - 1));
}

TEST_F(Params, IntegersLettersAndSigns)
{
    prompt("POSITION", "-5|-3\r");
    EXPECT_EQ(param[1], -5);
    EXPECT_EQ(param[2], -3);
    prompt("POSITION", "5-|3\r");               // '-' only first
    EXPECT_EQ(param[1], 5);
    prompt("DIRECTORY", "fq\r");
    EXPECT_EQ(param[1], 6);
    prompt("TAB", "99999999999999999999\r");
    EXPECT_EQ(param[1], INT_MAX);
    prompt("LIST", "doc|2\r");
    EXPECT_STREQ(listfile, "doc");
    EXPECT_EQ(param[2], 2);
    EXPECT_EQ(param[3], 200000);
    EXPECT_EQ(param[4], 1);
    EXPECT_STREQ(listinitfile, "");
}
