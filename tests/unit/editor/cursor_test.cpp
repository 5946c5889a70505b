// Cursor movement: lines, pages, return, the window following the cursor,
// refusal without a spare line record, field keys and the formula cursor.
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

class Cursor : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        initentry();
        initcursor();
    }
    void TearDown() override { gwtap = nullptr; }
    static COREFILE &cf() { return curcore(); }

    static void numbered(int n) { numberedlines(n); }
    static void record(const char *s)
    {
        clrfile();
        removeline();
        cf().disln = addline(s, 1);
    }
    static int lineno(const LINE *l) { return distance(cf().header, l); }
    static int row() { return windowtop + distance(cf().disln, cf().lnptr); }
    static void step(editop op)
    {
        redisplay = RNONE;
        op();
        fixcursor();
    }
};

TEST_F(Cursor, DownAndUpAtTheEndsMakeLines)
{
    numbered(2);
    cf().curcol = 7;
    step(downline);
    EXPECT_EQ(lineno(cf().lnptr), 2);
    EXPECT_EQ(cf().curcol, 7);              // text lines keep the column
    EXPECT_FALSE(cf().edited);
    step(downline);                         // from the last line: a new empty line
    EXPECT_EQ(cf().lncount, 3);
    EXPECT_EQ(lineno(cf().lnptr), 3);
    EXPECT_EQ(cf().lnptr->object, 5);
    EXPECT_TRUE(cf().edited);
    EXPECT_EQ(redisplay, 5);

    cf().edited = false;
    cf().lnptr = cf().header->down;
    step(upline);                           // from the first line: one before it
    EXPECT_EQ(cf().lncount, 4);
    EXPECT_EQ(cf().header->down, cf().lnptr);
    EXPECT_EQ(cf().disln, cf().lnptr);
    EXPECT_EQ(redisplay, 3);
    EXPECT_TRUE(cf().edited);
    EXPECT_EQ(cf().charcount, 2);
}

TEST_F(Cursor, NoSpareRecordRefusesTheMove)
{
    numbered(2);
    cf().lnptr = cf().header->up;
    cf().curcol = 5;
    lmargin = 3;
    dropreserve();
    step(downline);
    step(retrn);
    EXPECT_EQ(cf().lnptr, cf().header->up);
    EXPECT_EQ(cf().curcol, 5);              // not even the column changes
    EXPECT_EQ(cf().lncount, 2);
    EXPECT_FALSE(cf().edited);
    EXPECT_EQ(redisplay, 0);

    cf().lnptr = cf().header->down;
    step(upline);
    EXPECT_EQ(cf().lnptr, cf().header->down);
    EXPECT_EQ(cf().lncount, 2);
    mode = 2;
    crinsert = 0;
    step(retrn);
    EXPECT_EQ(cf().lncount, 2);
    EXPECT_EQ(cf().curcol, 5);

    step(downline);                         // moving between existing lines still works
    EXPECT_EQ(lineno(cf().lnptr), 2);
    garbage();                              // a record can be had again
    EXPECT_NE(reserve, nullptr);
    step(downline);
    EXPECT_EQ(cf().lncount, 3);
}

TEST_F(Cursor, TheWindowFollowsAtItsEdges)
{
    numbered(50);
    for (int i = 1; i < depth; i++)
        step(downline);
    EXPECT_EQ(row(), windowend);            // the last row, still no scrolling
    EXPECT_EQ(cf().disln, cf().header->down);
    step(downline);
    EXPECT_EQ(redisplay, 2);                // one line further: scrolled by one
    EXPECT_EQ(lineno(cf().disln), 2);
    EXPECT_EQ(row(), windowend);

    cf().lnptr = cf().disln;
    step(upline);                           // up past the top row
    EXPECT_EQ(redisplay, 3);
    EXPECT_EQ(lineno(cf().disln), 1);
    EXPECT_EQ(cf().lnptr, cf().disln);
    step(downline);
    EXPECT_EQ(redisplay, 0);                // inside the window nothing moves

    cf().curcol = 9;
    cf().disln = cf().lnptr = cf().header->down;
    step(downpage);
    EXPECT_EQ(lineno(cf().disln), 1 + depth);
    EXPECT_EQ(cf().lnptr, cf().disln);
    EXPECT_EQ(cf().curcol, 9);
    EXPECT_EQ(redisplay, 1);
    step(downpage);
    step(downpage);                         // near the end: the last line heads the window
    EXPECT_EQ(cf().disln, cf().header->up);
    EXPECT_EQ(cf().lnptr, cf().header->up);
    step(up_page);
    EXPECT_EQ(lineno(cf().disln), 50 - depth);
    for (int i = 0; i < 4; i++)
        step(up_page);
    EXPECT_EQ(cf().disln, cf().header->down);
    EXPECT_EQ(cf().lncount, 50);
}

TEST_F(Cursor, ReturnFollowsTheEditorOption)
{
    numbered(40);
    lmargin = 4;
    cf().curcol = 12;
    step(retrn);                            // 1: down a line, to the left margin
    EXPECT_EQ(lineno(cf().lnptr), 2);
    EXPECT_EQ(cf().curcol, 4);

    crinsert = 2;
    for (int i = 2; i < depth; i++)
        step(downline);
    ASSERT_EQ(row(), windowend);
    step(retrn);                            // 2 on the last row: a page down
    EXPECT_EQ(lineno(cf().disln), 1 + depth);
    EXPECT_EQ(cf().lnptr, cf().disln);
    EXPECT_EQ(cf().curcol, 4);
    EXPECT_EQ(redisplay, 1);
    step(retrn);                            // elsewhere a line down
    EXPECT_EQ(lineno(cf().lnptr), 2 + depth);

    crinsert = 0;
    step(retrn);                            // 0 in overtype: down too
    EXPECT_EQ(lineno(cf().lnptr), 3 + depth);
    mode = 2;
    step(retrn);                            // 0 in insert mode: a new line after this one
    EXPECT_EQ(cf().lncount, 41);
    EXPECT_EQ(lineno(cf().lnptr), 4 + depth);
    EXPECT_EQ(cf().lnptr->object, 5);
    EXPECT_EQ(cf().curcol, 4);
}

TEST_F(Cursor, ColumnsOnTextAndRecordLines)
{
    numbered(1);
    cf().curcol = 30;
    step(curright);
    EXPECT_EQ(cf().curcol, 31);             // beyond the end on a text line
    cf().curcol = 1;
    step(curleft);
    EXPECT_EQ(cf().curcol, 1);

    cf().viewtype = 1;
    record("ab|cd|");
    cf().curcol = 30;
    step(curright);
    EXPECT_EQ(cf().curcol, 6);              // clipped to the record
    cf().curcol = 0;
    fixcursor();
    EXPECT_EQ(cf().curcol, 1);
}

TEST_F(Cursor, FieldKeys)
{
    cf().viewtype = 1;
    record("ab|cd||ef|");
    cf().curcol = 1;
    step(downfield);
    EXPECT_EQ(cf().curcol, 4);
    step(downfield);
    EXPECT_EQ(cf().curcol, 7);              // an empty field
    step(downfield);
    EXPECT_EQ(cf().curcol, 8);
    step(downfield);                        // inside the last field: nothing
    EXPECT_EQ(cf().curcol, 8);
    cf().curcol = 10;
    step(downfield);
    EXPECT_EQ(cf().curcol, 10);

    cf().curcol = 9;
    step(upfield);
    EXPECT_EQ(cf().curcol, 7);
    step(upfield);
    EXPECT_EQ(cf().curcol, 4);
    cf().curcol = 5;
    step(upfield);
    EXPECT_EQ(cf().curcol, 1);
    step(upfield);
    EXPECT_EQ(cf().curcol, 1);
}

// ------------------------------------------------------------------ formulas

class FormulaCursor : public Cursor {
protected:
    void SetUp() override
    {
        Cursor::SetUp();
        cf().viewtype = 5;
        cureditmask = editmask[5];
        mode = 2;
    }
    static void typein(const std::vector<unsigned char> &keys)
    {
        for (unsigned char ch : keys) {
            holdch = ch;
            type = intran[ch];
            bldmath();
            fixcursor();
        }
    }
};

TEST_F(FormulaCursor, CharacterAndNodeCursor)
{
    typein({'a', 'b', '{'});                // "ab" then a node at column 3
    ASSERT_EQ(cf().lnptr->length, 4);
    cf().curcol = 1;
    step(rightm);
    EXPECT_EQ(cf().curcol, 2);
    EXPECT_EQ(redisplay, 12);
    for (int i = 0; i < 5; i++)
        step(rightm);
    EXPECT_EQ(cf().curcol, 5);              // not beyond one past the end
    step(leftm);
    EXPECT_EQ(cf().curcol, 1);              // from a node's end back to where the node is found

    cf().curcol = 3;
    step(upm);                              // a whole-node cursor
    EXPECT_EQ(cf().curflag, 1);             // ... which in column 1 is a character cursor again
    EXPECT_EQ(cf().curcol, 1);
    cf().curflag = 2;
    cf().curcol = 2;
    step(rightm);                           // the rest of the part: up to the node's end
    EXPECT_EQ(cf().curcol, 4);
    step(rightm);
    EXPECT_EQ(cf().curcol, 4);
    step(downm);
    EXPECT_EQ(cf().curflag, 1);
    EXPECT_EQ(curtabnode, 0);
}

TEST_F(FormulaCursor, GreenCursorStaysInTheTable)
{
    typein({0xE5});
    cf().curcol = 1;
    step(greencur);
    ASSERT_EQ(cf().curflag, 3);
    step(rightm);
    step(downm);
    EXPECT_EQ(greenx, 0);                   // the empty layout gives the table no cells
    EXPECT_EQ(greeny, 0);
    greenx = 2;
    greeny = 1;
    step(leftm);
    step(upm);
    step(upm);
    EXPECT_EQ(greenx, 1);
    EXPECT_EQ(greeny, 0);
    EXPECT_EQ(cf().curcol, 1);

    greenx = 3;
    greeny = 2;
    std::vector<std::string> sent;
    static std::vector<std::string> *seen;
    seen = &sent;
    gwtap = [](const char *m) { seen->push_back(m); };
    discur();                               // the cell goes out as row, column
    EXPECT_NE(std::find(sent.begin(), sent.end(), "GREEN 2 3"), sent.end());

    step(greencur);
    EXPECT_EQ(cf().curflag, 1);
    cf().curcol = 2;
    step(greencur);                         // not on a table marker: nothing
    EXPECT_EQ(cf().curflag, 1);
}

} // namespace
