// Rectangles where the keys cannot show it: rows taken from lines shorter
// than the rectangle, the cursor following its line when the line moves in
// the arena, and an insert refused for want of room changing nothing.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

class Rect : public testing::Test {
protected:
    void SetUp() override { kelreset(); }

    static std::string row(int n) { return linetext(nthline(n)); }
    // Stars on lines a and b, column stars at columns p and q.
    static void mark(int a, int b, int p, int q)
    {
        COREFILE &c = curcore();
        c.lnptr = nthline(a);
        makestars();
        c.lnptr = nthline(b);
        makestars();
        c.curcol = p;
        makecstars();
        c.curcol = q;
        makecstars();
    }
};

TEST_F(Rect, ShortLinesGiveRowsOfSpaces)
{
    textlines({"ab", "abcdefgh", "x"});
    mark(1, 2, 4, 6);
    COREFILE &c = curcore();
    c.lnptr = nthline(3);
    c.curcol = 2;
    copyrect();
    EXPECT_EQ(row(3), "x   ");
    EXPECT_EQ(row(4), " def");
    EXPECT_EQ(c.lncount, 4);
}

TEST_F(Rect, CursorFollowsItsMovedLine)
{
    textlines({"abcde", "fghij", "klmno"});
    mark(1, 3, 1, 2);
    COREFILE &c = curcore();
    c.lnptr = nthline(1);
    c.curcol = 3;
    int64_t index = nthline(1)->index;
    copyrect();                       // line 1 grows and moves past the others
    EXPECT_NE(nthline(1)->index, index);
    EXPECT_EQ(c.lnptr, nthline(1));
    EXPECT_EQ(c.curcol, 3);
    EXPECT_EQ(row(1), "abab" "cde");
    EXPECT_EQ(row(2), "fgfg" "hij");
    EXPECT_EQ(row(3), "klkl" "mno");
    EXPECT_TRUE(c.starA == nthline(1) || c.starB == nthline(1));
}

TEST_F(Rect, InsertWithoutRoomChangesNothing)
{
    textlines({"abcde", "fghij"});
    mark(1, 2, 2, 4);
    COREFILE &c = curcore();
    c.lnptr = nthline(1);
    c.curcol = 1;
    hiaddr = avail + 4;
    pushfn("\r");
    copyrect();
    EXPECT_EQ(row(1), "abcde");
    EXPECT_EQ(row(2), "fghij");
    EXPECT_EQ(c.lncount, 2);
    hiaddr = HIADDR;
    insertrect();                     // the rectangle was stored before the refusal
    EXPECT_EQ(row(1), "bcdabcde");
    EXPECT_EQ(row(2), "ghifghij");
}

} // namespace
