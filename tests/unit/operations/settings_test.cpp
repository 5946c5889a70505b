// Settings commands and keys: the ruler after tab and margin changes, the
// window geometry and its redraw, corefile and view changes, key and font
// assignments at their limits, screen updating and the store dump.
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        listen();
    }
    void TearDown() override { stoplistening(); }

    static void run(editop op, int p1, int p2 = 0)
    {
        param[1] = p1;
        param[2] = p2;
        del = 0;
        op();
    }
    // The ruler last sent, without its "$mt".
    static std::string ruler()
    {
        for (auto m = sent.rbegin(); m != sent.rend(); ++m)
            if (m->rfind("$mt", 0) == 0)
                return m->substr(3);
        return "";
    }
};

TEST_F(Settings, TabsAndMarginsOnTheRuler)
{
    run(settabs, 0);
    run(settabs, 10);
    std::string r = ruler();
    ASSERT_EQ(r.size(), 78u);
    for (int col = 1; col <= 78; col++) {
        char want = col == 1 ? '<' : col == 72 ? '>' : col % 10 == 1 && col < 72 ? '!' : '.';
        EXPECT_EQ(r[col - 1], want) << col;
    }
    for (int col = 1; col <= NTABCOLS; col++)
        EXPECT_EQ(tabs[col] != 0, col % 10 == 1) << col;

    run(settabs, NTABCOLS);             // too wide: nothing changes
    run(settabs, NTABCOLS - 1);         // adds the stop at 144
    EXPECT_TRUE(tabs[1] && tabs[NTABCOLS]);
    EXPECT_FALSE(tabs[2]);

    run(marginchk, 10, 5);
    prtabs();
    EXPECT_EQ(lmargin, 10);
    EXPECT_EQ(rmargin, 10);
    EXPECT_EQ(ruler().substr(0, 12), "!........+..");
    run(marginchk, 0, 30);              // 0 keeps the left margin
    EXPECT_EQ(lmargin, 10);
    EXPECT_EQ(rmargin, 30);
}

TEST_F(Settings, WindowSetsTheGeometryWithinBounds)
{
    run(window, 30, 100);
    EXPECT_EQ(depth, 26);
    EXPECT_EQ(windowend, 27);
    EXPECT_EQ(helpline, 28);
    EXPECT_EQ(cmdline, 29);
    EXPECT_EQ(swidth, 98);
    EXPECT_EQ(rightcol, 98);
    EXPECT_EQ(shiftc, 100 - overlap - 2);
    EXPECT_EQ(pshift, 0);

    run(window, 0, 200000);             // the columns' default
    EXPECT_EQ(depth, MINLINES - 4);
    EXPECT_EQ(swidth, MAXCOLS - 2);
}

TEST_F(Settings, WindowRedrawsEvenWhenSilentButOnlyOnAChange)
{
    visible = 0;
    startoutput();
    run(window, 30, 100);
    std::string out = takeoutput();
    EXPECT_NE(out.find("Typing  "), std::string::npos);
    EXPECT_EQ(visible, 0);

    visible = 1;
    sent.clear();
    run(window, 30, 100);
    EXPECT_FALSE(wassent("$X"));
}

TEST_F(Settings, WindowKeepsTheCursorLineInTheWindow)
{
    numberedlines(20);
    COREFILE &c = curcore();
    c.lnptr = nthline(5);
    run(window, 10, 80);                // depth 6: row 5 still fits
    EXPECT_EQ(c.disln, nthline(1));
    c.lnptr = nthline(15);
    run(window, 12, 80);                // depth 8: line 15 would be below it
    EXPECT_EQ(c.disln, nthline(15));
}

TEST_F(Settings, CoreChangesCorefileViewAndRuler)
{
    core[3].viewtype = 1;
    core[3].curflag = 2;
    run(coreset, 3);
    EXPECT_EQ(corenum, 3);
    EXPECT_EQ(cureditmask, editmask[1]);
    EXPECT_EQ(core[3].curflag, 1);
    EXPECT_EQ(redisplay, 1);
    EXPECT_TRUE(wassent("$Tx"));
    EXPECT_FALSE(ruler().empty());

    sent.clear();
    run(coreset, 3);                    // the current corefile
    run(coreset, NCORE - 1);            // the view corefile
    run(coreset, 1000);
    EXPECT_EQ(corenum, 3);
    EXPECT_TRUE(sent.empty());
}

TEST_F(Settings, BadKeyAndFontAssignmentsChangeNothing)
{
    int was = intran[3];
    unsigned char font = outtran[65];
    pushfn("\r\r\r\r");                 // answers to the four messages
    run(inkeyset, NINTRAN, 0);
    EXPECT_EQ(del, 2);
    EXPECT_TRUE(wassent("$meInvalid Key Assignment"));
    run(inkeyset, 3, NKEYTYPES);
    run(outkeyset, 256, 1);
    EXPECT_TRUE(wassent("$meInvalid Font Assignment"));
    run(outkeyset, 65, 256);
    EXPECT_EQ(intran[3], was);
    EXPECT_EQ(outtran[65], font);

    run(inkeyset, NINTRAN - 1, NKEYTYPES - 1);
    EXPECT_EQ(intran[NINTRAN - 1], NKEYTYPES - 1);
    EXPECT_NE(del, 2);
    run(outkeyset, 65, 255);
    EXPECT_EQ(outtran[65], 255);
}

TEST_F(Settings, SilentOffDropsEverythingOnRedrawsAll)
{
    silent();
    EXPECT_EQ(visible, 0);
    startoutput();
    gwtransmit("$meseen?");
    EXPECT_EQ(takeoutput(), "");
    sent.clear();
    oldcore = corenum;
    silent();
    EXPECT_EQ(visible, 1);
    for (const char *m : {"$Tx", "$mn", "$mmTyping  "})
        EXPECT_TRUE(wassent(m)) << m;
    EXPECT_FALSE(ruler().empty());
    EXPECT_EQ(oldcore, -1);             // the status fields go out again
    EXPECT_EQ(redisplay, 1);
}

class Dump : public Settings {
protected:
    char dir[32] = "/tmp/kelshowXXXXXX";
    char home[4096] = {};
    void SetUp() override
    {
        Settings::SetUp();
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(dir), 0);
    }
    void TearDown() override
    {
        unlink("test.file");
        EXPECT_EQ(chdir(home), 0);
        rmdir(dir);
        Settings::TearDown();
    }
};

TEST_F(Dump, CharactersPrintableOctalAndFree)
{
    COREFILE &c = curcore();
    removeline();
    addline("x\310 \t");
    c.lnptr = c.disln = c.header->down;
    startoutput();
    show();
    EXPECT_EQ(takeoutput(), "\ntest done");
    std::string dump = slurp("test.file");
    EXPECT_NE(dump.find("\n       0     x   310" "      " "    11  ZAP!  ZAP!"), std::string::npos);
    EXPECT_NE(dump.find("\n    2000  ZAP!\n"), std::string::npos);
    EXPECT_NE(dump.find("\nCOREFILE #18"), std::string::npos);
    EXPECT_EQ(dump.find("\nCOREFILE #19"), std::string::npos);
}

TEST_F(Dump, FiftyLinesListedAllCounted)
{
    numberedlines(60);
    startoutput();
    show();
    takeoutput();
    std::ifstream in("test.file");
    std::string l;
    int rows = 0;
    bool incore = false;
    while (std::getline(in, l)) {
        if (l == "COREFILE #1")
            incore = true;
        else if (l.rfind("end of lineheaders", 0) == 0)
            incore = false;
        else if (incore && l.find(':') != std::string::npos)
            rows++;
        if (l == "number of lineheaders = 60")
            break;
    }
    EXPECT_EQ(rows, 50);
    EXPECT_EQ(l, "number of lineheaders = 60");
}

} // namespace
