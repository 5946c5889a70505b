// The text store: placement of text in the arena, the physical chain, the
// collector, the scanner and positioning.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

using lines_t = std::vector<std::string>;

class TextStore : public testing::Test {
protected:
    void SetUp() override { kelreset(); }
    static COREFILE &cf() { return curcore(); }

    static void type(const char *s)
    {
        for (; *s; s++)
            ASSERT_TRUE(cadd(static_cast<unsigned char>(*s)));
    }
    static void fill(const lines_t &ls)      // the corefile holds exactly these lines
    {
        clrfile();
        removeline();
        for (const std::string &s : ls)
            addline(s);
        cf().disln = cf().header->down;
    }
    static std::vector<LINE *> chain()
    {
        std::vector<LINE *> out;
        for (LINE *l = firstphys.nextphys; l && out.size() < 1000; l = l->nextphys)
            out.push_back(l);
        return out;
    }
};

TEST_F(TextStore, StartAndClearLeaveOneEmptyLine)
{
    auto check = [](const COREFILE &f) {
        EXPECT_EQ(f.lncount, 1);
        EXPECT_EQ(f.charcount, 0);
        EXPECT_EQ(f.header->down, f.lnptr);
        EXPECT_EQ(f.lnptr->down, f.header);
        EXPECT_EQ(f.lnptr->object, 5);
        EXPECT_EQ(f.disln, f.lnptr);
        EXPECT_EQ(f.starcount, 0);
    };
    EXPECT_EQ(corenum, 1);
    for (const COREFILE &f : core)
        check(f);
    EXPECT_EQ(lastphys, &firstphys);
    EXPECT_NE(reserve, nullptr);

    fill({"alpha", "beta  ", "gamma"});
    cf().starA = nthline(2);
    cf().starcount = 1;
    clrfile();
    check(cf());
    EXPECT_EQ(avail, 0);
    EXPECT_TRUE(chain().empty());

    // Starting again over a used store frees everything (LeakSanitizer checks).
    fill({"one", "two"});
    type("x");
    initcore();
    check(cf());
    EXPECT_TRUE(chain().empty());
}

// Records are handed out as they are wanted, several slabs' worth here, and
// records given back are handed out again: no record is ever given twice.
TEST_F(TextStore, ManyRecordsAllDistinctAndReused)
{
    const int n = 10000;
    for (int round = 0; round < 2; round++) {
        lines_t want;
        clrfile();
        removeline();
        for (int i = 0; i < n; i++) {
            want.push_back("L" + std::to_string(round) + "." + std::to_string(i));
            addline(want.back());
        }
        corenum = 2;                         // a corefile beside it keeps its own lines
        fill({"beside"});
        corenum = 1;
        std::vector<const LINE *> seen;
        for (const LINE *l = cf().header->down; l != cf().header; l = l->down)
            seen.push_back(l);
        seen.push_back(cf().header);
        seen.push_back(core[2].header);
        seen.push_back(core[2].header->down);
        seen.push_back(reserve);
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "round " << round;
        EXPECT_EQ(curlines(), want);
        corenum = 2;
        EXPECT_EQ(curlines(), (lines_t{"beside"}));
        corenum = 1;
    }
}

TEST_F(TextStore, TypingMovesALineOnlyWhenItsGapIsUsed)
{
    LINE *first = cf().lnptr;
    type("ab");
    EXPECT_EQ(first->object, 0);
    EXPECT_EQ(lastphys, first);
    for (int i = 0; i < 500; i++)            // the last-placed line never moves
        type("c");
    EXPECT_EQ(cf().lnptr, first);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(avail, 502);

    LINE *second = addline("xyz");
    cf().lnptr = cf().disln = first;
    type("d");                               // blocked by "xyz": moves to avail
    LINE *moved = cf().lnptr;
    EXPECT_EQ(first->object, -1);
    EXPECT_EQ(moved->index, 505);
    EXPECT_EQ(moved->down, second);
    EXPECT_EQ(cf().disln, moved);
    EXPECT_EQ(linetext(moved), "ab" + std::string(500, 'c') + "d");
    EXPECT_EQ(textbase[0], FREECH);
    type("e");                               // and then grows in place
    EXPECT_EQ(cf().lnptr, moved);

    cf().lnptr = second;                     // removed characters leave a gap to reuse
    cf().curcol = 2;
    cremove(2);
    EXPECT_EQ(textbase[second->index + 2], FREECH);
    type("Q");
    EXPECT_EQ(cf().lnptr, second);
    EXPECT_EQ(linetext(second), "xQ");
    EXPECT_EQ(cf().charcount, sumlengths(cf()));
}

TEST_F(TextStore, ShiftAndRemoveKeepMarksRight)
{
    fill({"one", "two", "three"});
    COREFILE &f = cf();
    LINE *two = nthline(2);
    f.starA = f.starB = f.disln = f.lnptr = two;
    f.starcount = 2;
    shiftline();
    LINE *now = f.lnptr;
    EXPECT_EQ(two->object, -1);
    EXPECT_EQ(f.starA, now);
    EXPECT_EQ(f.starB, now);
    EXPECT_EQ(f.disln, now);
    EXPECT_EQ(lastphys, now);
    EXPECT_EQ(nthline(2), now);
    EXPECT_EQ(nthline(3)->up, now);
    EXPECT_EQ(curlines(), (lines_t{"one", "two", "three"}));

    f.starA = nthline(1);
    f.nextstar = 'A';
    int64_t at = nthline(3)->index;
    f.lnptr = nthline(3);
    removeline();
    EXPECT_EQ(textbase[at], FREECH);
    EXPECT_EQ(f.starcount, 2);               // star B stays on "two"
    f.lnptr = nthline(2);
    removeline();
    EXPECT_EQ(f.starB, nullptr);
    EXPECT_EQ(f.nextstar, 'B');
    EXPECT_EQ(f.starcount, 1);
    f.lnptr = nthline(1);
    removeline();
    EXPECT_EQ(f.starA, nullptr);
    EXPECT_EQ(f.nextstar, 'A');
    EXPECT_EQ(f.starcount, 0);
    EXPECT_EQ(f.lncount, 0);
    EXPECT_EQ(f.charcount, 0);

    allocln(5, 0);                           // an empty line goes straight back to the heap
    size_t before = chain().size();
    removeline();
    EXPECT_EQ(chain().size(), before);
}

TEST_F(TextStore, GarbagePacksLiveTextInChainOrder)
{
    fill({"first line  ", "dead one", "keep", "grows"});
    corenum = 3;                             // a second corefile interleaved in the arena
    removeline();
    addline("other   ");
    addline("to remove");
    corenum = 1;
    addline("after");
    cf().lnptr = nthline(4);
    allocln(2, 0);                           // a picture: its index is a handle
    cf().lnptr->index = 77;
    linkphys();

    cf().lnptr = nthline(2);
    removeline();
    cf().lnptr = nthline(3);
    cf().curcol = 7;
    type("++");                              // "grows" moves behind the picture
    cremove(1);
    corenum = 3;
    cf().lnptr = nthline(2);
    removeline();
    corenum = 1;

    garbage();
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(curlines(), (lines_t{"first line", "keep", "grows+", "", "after"}));
    int64_t at = 0;
    for (LINE *l : chain()) {
        EXPECT_NE(l->object, -1);
        if (l->object == 2) {
            EXPECT_EQ(l->index, 77);
            continue;
        }
        EXPECT_EQ(l->index, at);
        at += l->length;
    }
    EXPECT_EQ(lastphys, chain().back());
    EXPECT_EQ(avail, at);
    EXPECT_EQ(avail, sumlengths(core[1]) + sumlengths(core[3]));
    for (int64_t i = 0; i < avail; i++)
        ASSERT_NE(textbase[i], FREECH) << i;
    EXPECT_EQ(core[1].charcount, sumlengths(core[1]));
    EXPECT_EQ(core[3].charcount, 5);
    corenum = 3;
    EXPECT_EQ(curlines(), (lines_t{"other"}));
    corenum = 1;
    EXPECT_FALSE(full);

    LINE *last = nthline(3);                     // the last-placed line still grows in place
    ASSERT_EQ(last, lastphys);
    cf().lnptr = last;
    type("!");
    EXPECT_EQ(cf().lnptr, last);
}

TEST_F(TextStore, FullAndTheLimits)
{
    fill({std::string(100, 'x')});
    hiaddr = 50;
    garbage();
    EXPECT_TRUE(full);
    clrfile();
    EXPECT_FALSE(full);

    // Without a spare record no line is made and the chain stays whole.
    fill({"a", "b"});
    dropreserve();
    allocln(0, 0);
    linkphys();
    EXPECT_EQ(cf().lnptr, nthline(2));
    EXPECT_EQ(cf().lncount, 2);
    EXPECT_EQ(chain().size(), 2u);

    // Characters stop at the arena's end instead of running past it.
    clrfile();
    avail = TEXTSIZE - 2;
    EXPECT_TRUE(cadd('a'));
    EXPECT_TRUE(cadd('b'));
    EXPECT_FALSE(cadd('c'));
    EXPECT_EQ(cf().charcount, 2);
    cf().curcol = 1000;
    extline();
    EXPECT_EQ(cf().lnptr->length, 2);

    // Padding out to the last column of a nearly empty arena cannot fit
    // beside the text already held: refused before a blank is written.
    clrfile();
    fill({"abc"});
    int64_t before = avail;
    cf().curcol = MAXCOLUMN;
    extline();
    EXPECT_EQ(cf().lnptr->length, 3);
    EXPECT_EQ(avail, before);
    cf().curcol = 10;
    extline();
    EXPECT_EQ(cf().lnptr->length, 10);
}

TEST_F(TextStore, LineEditsKeepCharcountExact)
{
    fill({"hello world", "   ", "  ab|cde||f"});
    COREFILE &f = cf();
    f.lnptr = nthline(1);
    f.curcol = 6;
    cadd(' ');
    cadd(' ');
    cinsert(2);
    textbase[curptr()] = '<';
    textbase[curptr() + 1] = '>';
    f.curcol = 1;
    cremove(3);
    f.curcol = 40;
    cremove(2);                              // beyond the end: nothing
    f.lnptr = nthline(2);
    f.curcol = 5;
    extline();
    EXPECT_EQ(nthline(2)->length, 5);
    EXPECT_EQ(findnb(), 0);
    detrline();

    LINE *rec = f.lnptr = nthline(3);
    EXPECT_EQ(findnb(), 3);
    EXPECT_EQ(locatefield(rec, 1), 0);
    EXPECT_EQ(locatefield(rec, 3), 9);
    EXPECT_EQ(locatefield(rec, 4), 10);
    EXPECT_EQ(locatefield(rec, 9), rec->length);
    f.curcol = 6;
    erasefield();
    EXPECT_EQ(curlines(), (lines_t{"lo<> world", "", "  ab|||f"}));
    EXPECT_EQ(f.charcount, sumlengths(f));
    f.lnptr = nthline(1);
    removeline();
    EXPECT_EQ(f.charcount, sumlengths(f));
}

TEST_F(TextStore, ScannerAtLineEndsAndCorefileEnd)
{
    fill({"ab", "", "c"});
    cf().lnptr = nthline(1);
    cf().curcol = 9;                         // beyond the end: the scan starts at the end
    setptr();
    EXPECT_EQ(cp, 3);
    EXPECT_EQ(peepc(), 10);
    nextc();
    EXPECT_EQ(lp, nthline(2));
    EXPECT_EQ(peepc(), 10);
    nextc();
    EXPECT_EQ(peepc(), 'c');
    nextc();
    nextc();
    EXPECT_EQ(peepc(), 4);
    EXPECT_EQ(dist, 3);
    nextc();
    EXPECT_EQ(dist, 3);

    cf().lnptr = nthline(3);
    cf().curcol = 1;
    setptr();
    prevc();
    prevc();
    EXPECT_EQ(lp, nthline(1));
    EXPECT_EQ(cp, 3);
    EXPECT_EQ(dist, -2);

    fill({"one, two", "  three"});
    cf().lnptr = nthline(1);
    cf().curcol = 1;
    setptr();
    EXPECT_TRUE(locateword(3));
    EXPECT_EQ(lp, nthline(2));
    EXPECT_EQ(cp, 3);
    EXPECT_FALSE(locateword(2));
}

TEST_F(TextStore, SetcurMovesTheWindowOnlyWhenNeeded)
{
    lines_t many;
    for (int i = 0; i < 60; i++)
        many.push_back("line");
    fill(many);
    COREFILE &f = cf();
    auto down = [](int n) { while (dist < n) nextc(); };
    f.lnptr = nthline(1);
    setptr();
    down(5);
    redisplay = RNONE;
    setcur();
    EXPECT_EQ(f.lnptr, nthline(6));
    EXPECT_EQ(f.disln, nthline(1));
    EXPECT_EQ(redisplay, 0);
    setptr();
    down(depth);
    setcur();
    EXPECT_EQ(f.disln, f.lnptr);
    EXPECT_EQ(redisplay, 1);
    f.viewtype = 2;                          // one record per screen: any new line redraws
    redisplay = RNONE;
    setptr();
    down(1);
    setcur();
    EXPECT_EQ(f.disln, f.lnptr);
    EXPECT_EQ(redisplay, 1);
}

TEST_F(TextStore, PositionAndAdvanceColumns)
{
    fill({"first", "second", "third", "fourth"});
    COREFILE &f = cf();
    auto go = advfile;
    go(0, 2, 0);
    EXPECT_EQ(f.lnptr, nthline(2));
    EXPECT_EQ(f.disln, nthline(2));
    EXPECT_EQ(f.curcol, 7);                  // one past "second"
    go(0, -1, -1);
    EXPECT_EQ(f.lnptr, nthline(4));
    EXPECT_EQ(f.curcol, 6);                  // the last character of "fourth"
    go(0, 99, 3);
    EXPECT_EQ(f.lnptr, nthline(4));
    EXPECT_EQ(f.curcol, 3);
    go(0, -99, -40);
    EXPECT_EQ(f.lnptr, nthline(1));
    EXPECT_EQ(f.curcol, 1);
    f.lnptr = nthline(3);
    f.curcol = 4;
    go(1, -1, 2);
    EXPECT_EQ(f.lnptr, nthline(2));
    EXPECT_EQ(f.curcol, 6);
    redisplay = RNONE;
    go(1, 0, -10);
    EXPECT_EQ(f.curcol, 1);
    EXPECT_EQ(redisplay, 0);
}

TEST_F(TextStore, NewLinesAndNames)
{
    COREFILE &f = cf();
    type("top");
    lmargin = 5;
    nuline();
    EXPECT_EQ(f.lncount, 2);
    EXPECT_EQ(f.lnptr->object, 5);
    EXPECT_EQ(f.curcol, 5);
    EXPECT_TRUE(f.edited);
    std::memset(curfile, 'n', sizeof curfile);  // unterminated: cut to the name size
    nmeset(curfile);
    EXPECT_EQ(std::strlen(f.filname), static_cast<size_t>(NAMESIZE - 1));
}

} // namespace

namespace {

// Line numbers counted the slow way, for checking distance's shortcut.
int counted(const LINE *target)
{
    int n = 0;
    for (const LINE *l = curcore().header; l != target; l = l->down)
        n++;
    return n;
}

} // namespace

TEST_F(TextStore, LineNumbersStayRightThroughEveryKindOfEdit)
{
    fill({"a", "b", "c", "d", "e", "f", "g", "h"});
    unsigned seed = 7;
    auto next = [&seed](int m) {
        seed = seed * 1103515245 + 12345;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(m));
    };
    for (int step = 0; step < 3000; step++) {
        COREFILE &f = cf();
        switch (next(6)) {
        case 0:                       // a new line after the current one
            addline("x");
            break;
        case 1:                       // a line removed, the one above current
            if (f.lncount > 2 && f.lnptr != f.header)
                removeline();
            break;
        case 2:                       // the current line moved to the arena's end
            if (f.lnptr != f.header && f.lnptr->object != 5)
                shiftline();
            break;
        case 3:
        case 4: {                     // jump somewhere, near or far
            LINE *l = nthline(1 + next(f.lncount));
            f.lnptr = l;
            break;
        }
        default:                      // another corefile's changes leave this one alone
            corenum = 2;
            addline("y");
            corenum = 1;
            break;
        }
        if (f.lnptr == f.header)
            f.lnptr = f.header->down;
        if (next(3) == 0) {           // several edits between two countings
            ASSERT_EQ(distance(f.header, f.lnptr), counted(f.lnptr)) << "step " << step;
        }
    }
    LINE *stranger = core[2].header->down;   // not in this corefile: the full round
    EXPECT_EQ(distance(cf().header, stranger), cf().lncount + 1);
}
