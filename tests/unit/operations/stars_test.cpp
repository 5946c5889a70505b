// Star blocks: locating the block from either star whichever way round they
// lie, the flags findinfo sets, and a copy refused for want of room leaving
// both corefiles as they were.
#include <gtest/gtest.h>
#include <string>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "operations/stars.h"

namespace {

class Stars : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        numberedlines(30);
    }
    static void star(int n)
    {
        curcore().lnptr = nthline(n);
        makestars();
    }
    static std::string text(int core, int from, int to)
    {
        std::string s;
        const COREFILE &c = ::core[core];
        const LINE *l = c.header->down;
        for (int i = 1; l != c.header && i <= to; i++, l = l->down)
            if (i >= from)
                s += linetext(l) + ",";
        return s;
    }
};

TEST_F(Stars, BlockFoundWhicheverWayTheStarsLie)
{
    struct { int a, b, from, to; } cases[] = {
        {9, 4, 4, 9},     // star B above, nearer than the header
        {2, 28, 2, 28},   // star B far below: the walk up meets the header first
        {29, 3, 3, 29},   // star B far above: the walk down meets the header first
        {1, 30, 1, 30},
        {30, 1, 1, 30},
    };
    for (auto c : cases) {
        clrstars();
        star(c.a);
        star(c.b);
        locatestars();
        EXPECT_EQ(first, nthline(c.from)) << c.a << "," << c.b;
        EXPECT_EQ(last, nthline(c.to)) << c.a << "," << c.b;
    }
    clrstars();
    star(7);                          // one star: a one-line block
    locatestars();
    EXPECT_EQ(first, nthline(7));
    EXPECT_EQ(last, nthline(7));
}

TEST_F(Stars, FindinfoCountsAndFlags)
{
    COREFILE &c = curcore();
    star(10);
    star(19);                         // lines "10".."19": ten lines of two characters
    c.lnptr = nthline(25);
    c.disln = nthline(3);
    locatestars();
    findinfo();
    EXPECT_EQ(lines, 10);
    EXPECT_EQ(charcount, 20);
    EXPECT_EQ(b_curline, 0);
    EXPECT_EQ(b_disln, 0);
    EXPECT_EQ(b_star, 1);
    EXPECT_EQ(b_elision, 0);

    c.lnptr = nthline(12);
    c.disln = nthline(19);
    findinfo();
    EXPECT_EQ(b_curline, 1);
    EXPECT_EQ(b_disln, 1);
}

TEST_F(Stars, SettingStarsTakesTheOlderLetter)
{
    COREFILE &c = curcore();
    star(5);
    star(8);
    EXPECT_EQ(c.starA, nthline(5));
    EXPECT_EQ(c.starB, nthline(8));
    star(12);                         // A moves, then B
    EXPECT_EQ(c.starA, nthline(12));
    star(2);
    EXPECT_EQ(c.starB, nthline(2));
    EXPECT_EQ(c.starcount, 2);
    star(12);                         // a starred line loses its star; A is set next
    EXPECT_EQ(c.starA, nullptr);
    EXPECT_EQ(c.starcount, 1);
    star(20);
    EXPECT_EQ(c.starA, nthline(20));
}

TEST_F(Stars, CopyWithoutRoomChangesNothing)
{
    COREFILE &c = curcore();
    star(1);
    star(30);
    int64_t before = avail;
    hiaddr = avail + 10;              // the block holds 51 characters
    pushfn("\r");                     // answers the message
    copyop();
    EXPECT_EQ(c.starcount, 2);
    EXPECT_EQ(core[0].lncount, 1);
    EXPECT_EQ(core[0].starcount, 0);
    EXPECT_EQ(avail, before);
    EXPECT_EQ(text(1, 1, 3), "1,2,3,");

    hiaddr = HIADDR;                  // with room, the copy goes through
    copyop();
    EXPECT_EQ(c.starcount, 0);
    EXPECT_EQ(core[0].lncount, 31);
    EXPECT_EQ(core[0].starcount, 2);
    EXPECT_EQ(text(0, 2, 4), "1,2,3,");
    EXPECT_EQ(text(0, 31, 31), "30,");
    garbage();                        // the copy's text is kept by the collector
    EXPECT_EQ(text(0, 29, 31), "28,29,30,");
    EXPECT_EQ(text(1, 28, 30), "28,29,30,");
}

} // namespace
