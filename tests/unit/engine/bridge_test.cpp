// The bridge: loaded kinds and their dependencies, the engine's commands and
// keys, v_line, and collecting the learner's response.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;


class Bridge : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        listen();
    }
    void TearDown() override
    {
        stoplistening();
        EngineTest::TearDown();
    }
    // The help-line message of a routine that reports through diserr.
    std::string shown(void (*op)())
    {
        sent.clear();
        del = 0;
        pushfn("\r");
        op();
        for (const std::string &m : sent)
            if (m.rfind("$me", 0) == 0)
                return m.substr(3);
        return "";
    }
    void params(std::initializer_list<int> values)
    {
        int i = 1;
        for (int v : values)
            param[i++] = v;
    }
    void text(char *dest, const char *s) { std::snprintf(dest, STRPARSIZE, "%s", s); }
    void typelines(std::initializer_list<const char *> texts)
    {
        for (const char *t : texts) {
            allocln(5, 0);
            for (const char *p = t; *p; p++)
                cadd(static_cast<unsigned char>(*p));
        }
    }
};

TEST_F(Bridge, KindNamesToBitsAndBack)
{
    EXPECT_EQ(text_to_bits("lx, Le"), 0x800 | 0x1040);
    EXPECT_EQ(text_to_bits("L X"), 0x800);
    EXPECT_EQ(text_to_bits("ALL"), 0x1fff);
    EXPECT_EQ(text_to_bits("at,nope,sy"), 0x1141 | 0x6);
    EXPECT_EQ(newlines(), (lines{"NOPE not a file kind"}));
    EXPECT_EQ(text_to_bits(""), 0);

    EXPECT_STREQ(bits_to_text(0), "none");
    EXPECT_STREQ(bits_to_text(0x41), "AT, LE");
    EXPECT_STREQ(bits_to_text(0x1fff), "AT, US, SY, MO, TB, TM, LE, IP, MR, TG, SM, LX, GP");
}

TEST_F(Bridge, ImproperCharacterUnloadsNothing)
{
    installed = 0x1;
    text(picstring, "AT;");
    EXPECT_EQ(shown(rm_vfiles), "improper character in parameter");
    EXPECT_EQ(del, 2);
    EXPECT_EQ(installed, 0x1);
    EXPECT_EQ(newlines(), lines{});
}

TEST_F(Bridge, RemovingKindsByName)
{
    text(picstring, "ALL");
    rm_vfiles();
    EXPECT_EQ(newlines(), (lines{"uninstalled: none"}));

    installed = 0x1fff;
    synstat = userstat = 2;
    text(picstring, "lx, Le");
    rm_vfiles();
    EXPECT_EQ(newlines(), (lines{"uninstalled: LE, LX, GP"}));
    EXPECT_EQ(installed, 0x1fff & ~0x1840);
    EXPECT_EQ(synstat, 2);
    text(picstring, "sy");
    rm_vfiles();
    EXPECT_EQ(newlines(), (lines{"uninstalled: US, SY"}));
    EXPECT_EQ(synstat, 0);
    EXPECT_EQ(userstat, 0);
}

TEST_F(Bridge, LoadingAttributesTellsTheFrontEndAndUnloadsDependants)
{
    file("a.at", "gender (masc, fem)\n%");
    text(curfile, "a.at");
    vreadattr();
    EXPECT_EQ(installed, 0x1);
    EXPECT_EQ(genrafilename['a' - 64], "a.at");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "$mVaa.at"), sent.end());
    EXPECT_EQ(newlines(), (lines{"uninstalled: none",
                                 "Finished reading attribute input from file 'a.at' [1 lines.]"}));
    EXPECT_EQ(lookup_attr("fem"), 1);

    installed |= 0x40 | 0x20;         // a lexicon on terminals
    genrafilename['L' - 64] = "lex";
    sent.clear();
    vreadattr();
    EXPECT_EQ(newlines()[0], "uninstalled: AT, LE");
    EXPECT_EQ(installed, 0x21);
    EXPECT_EQ(genrafilename['L' - 64], "");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "$mVL"), sent.end());
}

TEST_F(Bridge, LoadingAndRemovingAgainAndAgain)
{
    file("b", "degree (pos < comp < sup)\nnumber (1 sg, 2 pl)\n%");
    text(curfile, "b");
    for (int i = 0; i < 40; i++) {
        vreadattr();
        ASSERT_EQ(lookup_attr("sup"), 1);
        if (i % 2) {
            text(picstring, "AT");
            rm_vfiles();
            ASSERT_EQ(lookup_attr("sup"), 0);
        }
    }
    EXPECT_EQ(installed, 0) << "the last pass removed it";
    EXPECT_EQ(genrafilename['a' - 64], "");
}

TEST_F(Bridge, LexiconNeedsTerminals)
{
    text(curfile, "lex");
    EXPECT_EQ(shown(vreadlex), "Terminals file not present");
    EXPECT_EQ(installed, 0);
    EXPECT_EQ(newlines(), lines{});
    installed = 0x20;
    vreadlex();
    EXPECT_EQ(installed, 0x60);
    EXPECT_EQ(genrafilename['L' - 64], "lex");
    EXPECT_EQ(shown(addlex), "");
    installed = 0x20;
    EXPECT_EQ(shown(addlex), "Lexicon not present; defaulting to LExicon");
    EXPECT_EQ(installed, 0x60);
}

TEST_F(Bridge, SyntaxLoadsClearTheUserStatus)
{
    userstat = 2;
    file("syn", "ROOT = S %\n");
    text(curfile, "syn");
    vreadsyn();
    EXPECT_EQ(userstat, 0);
    EXPECT_EQ(synstat, 2);
    EXPECT_EQ(installed, 0x4);
    vreaduser();
    EXPECT_EQ(installed, 0x6);
    vreadsyn();
    EXPECT_EQ(installed, 0x4) << "reloading the syntax discards the user syntax";
    file("sem", "$ run : act : V %\n");
    text(curfile, "sem");
    vreadsem();
    EXPECT_EQ(installed, 0x404);
    const std::string read = "Finished reading Syntax Input from file 'syn' [1 lines.]";
    EXPECT_EQ(newlines(), (lines{"uninstalled: none", read, "uninstalled: none", read,
                                 "uninstalled: US, SY", read, "uninstalled: none",
                                 "Finished reading Semantic Transformation Input from file 'sem' [1 lines.]"}));
    EXPECT_EQ(sem_trans_list.size(), 1u);
    text(picstring, "sm");
    rm_vfiles();
    EXPECT_TRUE(sem_trans_list.empty()) << "unloading forgets the transformations";
    purge_syntax();
}

TEST_F(Bridge, MorphologyPasses)
{
    EXPECT_EQ(morph_passes[0][1], 5);
    EXPECT_EQ(morph_passes[20][2], 6);
    EXPECT_EQ(morph_passes[21][1], 22);
    EXPECT_EQ(morph_passes[21][3], 0);
    params({21, 7, 8, 9, 10});
    EXPECT_EQ(shown(setmorphpasses), "phonology passes have been set");
    EXPECT_EQ(morph_passes[21][4], 10);
    EXPECT_EQ(morph_passes[21][5], 0);
    params({22, 1, 0, 0, 0});
    EXPECT_EQ(shown(setmorphpasses), "tree number too large");
    EXPECT_EQ(del, 2);
    params({3, 0, 4, 0, 0});
    EXPECT_EQ(shown(setmorphpasses), "first pass cannot be null");
    EXPECT_EQ(morph_passes[3][2], 6);
    params({3, 4, 0, 0, 0});
    EXPECT_EQ(shown(setmorphpasses), "");
    EXPECT_EQ(morph_passes[3][1], 4);
    EXPECT_EQ(morph_passes[3][2], 0);
}

TEST_F(Bridge, ScoresAndSeeds)
{
    params({1, 2, 3, 4, 5, 6});
    seterrorscores();
    perrorscore();
    EXPECT_EQ(newlines(), (lines{"Error scores: missing/extra 1; order 2; lex 3; morph 4; "
                                 "phon 5; spell 6"}));
    params({4});
    rnset();
    params({0});
    rnprint();
    params({19});
    rnprint();
    params({3});
    rnprint();
    EXPECT_EQ(newlines(), (lines{"Setting random seed: 5", "Current random seed: 5",
                                 "Current random seed: 5"}));
    EXPECT_EQ(corelines(3).back(), "Current random seed: 5");
}

TEST_F(Bridge, ErrorFunctions)
{
    params({21});
    text(v_error, "x");
    EXPECT_EQ(shown(verrorinput), "Integer too high");
    params({0});
    text(v_error, "first");
    verrorinput();
    ASSERT_NE(error_function[0], nullptr);
    EXPECT_STREQ(error_function[0].get(), "first");

    // A text still being read by the input stream outlives its replacement.
    pushfn(error_function[0].get());
    const char *reading = fnstack[fnptr];
    text(v_error, "second");
    verrorinput();
    EXPECT_STREQ(error_function[0].get(), "second");
    EXPECT_EQ(*reading, 'f');
    fnstack[fnptr--] = nullptr;
    verrorinput();                    // and goes once nothing reads it
}

TEST_F(Bridge, DisplayChoices)
{
    installed = 0x41;
    params({0});
    EXPECT_EQ(shown(vdisplay), "AT, LE");
    params({1});
    EXPECT_EQ(shown(vdisplay), "No generated sentence");
    params({9});
    EXPECT_EQ(shown(vdisplay), "");
}

TEST_F(Bridge, GenerateNeedsALexiconAndARoot)
{
    EXPECT_EQ(shown(generate), "There is no lexicon");
    installed = 0x40;
    EXPECT_EQ(shown(generate), "There is no ROOT rule");
    userstat = 2;
    EXPECT_EQ(shown(generate), "");
    EXPECT_EQ(redisplay, 1);
}

TEST_F(Bridge, LinesGoAtTheEndOfTheirCorefile)
{
    corenum = 4;
    typelines({"one", "two"});
    core[4].lnptr = core[4].header->down;
    core[4].curcol = 5;
    corenum = 1;
    redisplay = RNONE;
    v_line(4, 0, "three");
    v_line(4, 0, "");
    EXPECT_EQ(corelines(4), (lines{"", "one", "two", "three", ""}));
    EXPECT_EQ(core[4].lnptr, core[4].header->up);
    EXPECT_EQ(core[4].curcol, 1);
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(redisplay, 0);
    v_line(1, 0, "here");
    EXPECT_EQ(redisplay, 1);

    for (int i = 0; i < 3 * depth; i++)
        v_linef(5, "line %d", i);
    int row = distance(core[5].disln, core[5].lnptr);
    EXPECT_LE(row + windowtop, windowend) << "the display line follows the output";
}

TEST_F(Bridge, OutputReclaimsSpaceAndStopsWhenFull)
{
    std::string text(1000, 'x');
    for (int i = 0; i < 3000; i++)
        v_line(6, 0, text);
    EXPECT_EQ(core[6].lncount, 3001);
    corenum = 6;
    clrfile();
    corenum = 1;
    for (int i = 0; i < 3000; i++)
        v_line(6, 0, text);
    EXPECT_EQ(core[6].lncount, 3001) << "the collector made room";
    for (int i = 0; i < 2000; i++)
        v_line(6, 0, text);
    EXPECT_LT(core[6].lncount, 5001);
    EXPECT_LE(avail, TEXTSIZE);
    EXPECT_TRUE(full);
    std::vector<std::string> out = corelines(6);
    EXPECT_EQ(out.back(), "output stopped: files full");
    EXPECT_EQ(std::count(out.begin(), out.end(), out.back()), 1);
    EXPECT_EQ(out[out.size() - 2], text);

    // While nothing is freed no collection runs: a trailing space planted
    // behind the collector's back stays until something is freed.
    LINE *first = core[6].header->down->down;
    ASSERT_EQ(first->length, 1000);
    textbase[first->index + first->length - 1] = ' ';
    int32_t count = core[6].lncount;
    for (int i = 0; i < 1000; i++)
        v_line(6, 0, text);
    EXPECT_EQ(first->length, 1000);
    EXPECT_EQ(core[6].lncount, count);
    corenum = 6;
    core[6].lnptr = first->down;
    core[6].curcol = 1;
    cremove(1);
    corenum = 1;
    v_line(6, 0, text);
    EXPECT_EQ(first->length, 999) << "a collection ran once text was freed";

    // Once text is freed, output resumes.
    corenum = 6;
    clrfile();
    corenum = 1;
    v_line(6, 0, "again");
    EXPECT_EQ(corelines(6).back(), "again");
}

TEST_F(Bridge, ResponseIsCollectedFromTheCursor)
{
    typelines({"skip  this", "   the   cat", "", "  sat  "});
    COREFILE &f = curcore();
    f.lnptr = f.header->down->down->down;
    f.curcol = 3;
    getresponse();
    EXPECT_STREQ(response, "the cat sat");

    clrfile();
    f.lnptr = f.header->down;
    std::string many;
    for (int i = 0; i < 60; i++)
        many += "abc   ";
    typelines({many.c_str()});
    f.lnptr = f.header->down;
    f.curcol = 1;
    getresponse();
    EXPECT_EQ(std::strlen(response), 199u);
    EXPECT_EQ(std::string(response).substr(0, 8), "abc abc ");

    f.lnptr = f.header->up;
    f.curcol = 1000;
    getresponse();
    EXPECT_STREQ(response, "");
}

// The longest expression is taken whole; a longer one is refused, not cut.
TEST_F(Bridge, SemanticExpressionFromTheLine)
{
    typelines({std::string(1999, 's').c_str()});
    del = 0;
    vmakepre();
    EXPECT_EQ(std::strlen(semexpr), 1999u);
    EXPECT_EQ(del, 0);
    size_t out14 = corelines(14).size();
    EXPECT_EQ(corelines(14).back(), "No match found for semantic expression");
    typelines({std::string(2000, 't').c_str()});
    EXPECT_EQ(shown(vmakepre), "semantic expression too long");
    EXPECT_EQ(del, 2);
    EXPECT_EQ(semexpr[0], 's') << "the expression in hand is kept";
    EXPECT_EQ(corelines(14).size(), out14) << "nothing analysed";
}

TEST_F(Bridge, StartUpState)
{
    installed = 0x7;
    genrafilename[1] = "x";
    initgenra();
    EXPECT_EQ(installed, 0);
    EXPECT_EQ(genrafilename[1], "");
    EXPECT_EQ(error_function[0], nullptr);
    EXPECT_EQ(seed & 1, 1u);
    EXPECT_EQ(corelines(7).back().rfind("Setting random seed: ", 0), 0u);
}

} // namespace
