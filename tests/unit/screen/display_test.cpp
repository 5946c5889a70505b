// The display: which "$" messages each redraw level, the cursor, the status
// fields, the help line and the results produce.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "tests/unit/fixture.h"

namespace {

using Msgs = std::vector<std::string>;
Msgs tapped;
void record(const char *msg) { tapped.emplace_back(msg); }

class Display : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        cureditmask = editmask[0];
        tapped.clear();
        gwtap = record;
    }
    void TearDown() override
    {
        gwtap = nullptr;
        full = false;
    }

    // Text lines in the current corefile; cursor on the first, column 1.
    static void filltext(std::initializer_list<std::string> lines)
    {
        bool first = true;
        for (const std::string &text : lines) {
            if (!first)
                allocln(5, 0);
            first = false;
            for (char ch : text)
                cadd(static_cast<unsigned char>(ch));
        }
        COREFILE &c = curcore();
        c.lnptr = c.disln = c.header->down;
        c.curcol = c.curline = 1;
    }

    static Msgs draw(int level)
    {
        tapped.clear();
        redisplay = static_cast<redrawlevel>(level);
        display();
        EXPECT_EQ(redisplay, 0);
        return tapped;
    }

    static Msgs tap(void (*routine)())
    {
        tapped.clear();
        routine();
        return tapped;
    }

    static void viewtype(int v)
    {
        curcore().viewtype = v;
        cureditmask = editmask[v];
    }
};

std::string letters(int from, int count)
{
    std::string s;
    for (int i = from; i < from + count; i++)
        s += static_cast<char>('a' + i % 26);
    return s;
}

TEST_F(Display, StartValues)
{
    EXPECT_EQ(swidth, 78);
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(windowtop, 2);
    EXPECT_EQ(windowend, 21);
    EXPECT_EQ(helpline, 22);
    EXPECT_EQ(cmdline, 23);
    EXPECT_EQ(shiftc, 59);
    EXPECT_EQ(rightcol, swidth);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(oldcoreview, -1);

    // Output translation: hidden codes, the soft hyphen and the letters
    // shown for the control codes 15..30.
    const int expect[][2] = {
        {0, '~'}, {14, '~'}, {15, 238}, {18, 247}, {19, '~'}, {20, 232}, {30, 215},
        {31, '~'}, {32, ' '}, {'A', 'A'}, {126, 126}, {127, '~'}, {172, '~'},
        {173, '-'}, {174, '~'}, {191, '~'}, {192, 192}, {254, 254}, {255, '~'},
    };
    for (const auto &e : expect)
        EXPECT_EQ(outtran[e[0]], e[1]) << "code " << e[0];

    // Default record layout: six fields of width 5 per row from row 3.
    EXPECT_EQ(numfields, 10);
    EXPECT_EQ(frow[1], 3);
    EXPECT_EQ(fcol[1], 2);
    EXPECT_EQ(fcol[6], 42);
    EXPECT_EQ(frow[7], 4);
    EXPECT_EQ(fcol[7], 2);
    EXPECT_EQ(frow[100], 19);
    EXPECT_EQ(fcol[100], 26);
    EXPECT_EQ(maxfieldlen[55], 5);
    EXPECT_EQ(ftype[100], 'c');
}

TEST_F(Display, LongLineShowsPlusAndShiftsSideways)
{
    filltext({letters(0, 100)});
    Msgs m = draw(5);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], "$TF2, +");
    EXPECT_EQ(m[1], "$TL2," + letters(0, 78));

    // Past the last column shown: the window moves by shiftc, the ruler
    // is sent and every row of text is redrawn with "-" flags.
    curcore().curcol = 79;
    m = draw(0);
    EXPECT_EQ(pshift, 59);
    EXPECT_EQ(rightcol, 137);
    ASSERT_EQ(m.size(), 41u);
    ASSERT_EQ(m[0].size(), 3u + 78);
    EXPECT_EQ(m[0].substr(0, 3), "$mt");
    EXPECT_EQ(m[0][3], '.');            // column 60
    EXPECT_EQ(m[0][3 + 5], '!');        // column 65, a tab stop
    EXPECT_EQ(m[0][3 + 12], '>');       // column 72, the right margin
    EXPECT_EQ(m[0][3 + 13], '.');       // column 73: tab stops right of it are not shown
    EXPECT_EQ(m[1], "$TF2,--");
    EXPECT_EQ(m[2], "$TL2," + letters(59, 41));
    EXPECT_EQ(m[3], "$TF3,  ");         // below the text: no flags
    EXPECT_EQ(m[4], "$TL3");
    EXPECT_EQ(m[40], "$TL21");

    // Back left of the shift: the window returns to column 1.
    curcore().curcol = 30;
    m = draw(0);
    EXPECT_EQ(pshift, 0);
    EXPECT_EQ(rightcol, 78);
    EXPECT_EQ(m[1], "$TF2, +");
}

TEST_F(Display, RowsAndRulerStayWithinOneMessage)
{
    filltext({letters(0, 1100)});
    swidth = rightcol = 1200;           // wider than a message can carry
    Msgs m = draw(5);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1], "$TL2," + letters(0, GWMSGSIZE - 6));
    EXPECT_EQ(tap(prtabs).at(0).size(), static_cast<size_t>(GWMSGSIZE - 1));
}

TEST_F(Display, RowsBelowTheLastLineAreEmptyRowsWithFlags)
{
    filltext({"one", "two"});
    Msgs m = draw(1);
    ASSERT_EQ(m.size(), 40u);
    EXPECT_EQ(m[0], "$TF2,  ");
    EXPECT_EQ(m[1], "$TL2,one");
    EXPECT_EQ(m[3], "$TL3,two");
    for (int row = 4; row <= 21; row++) {
        EXPECT_EQ(m[2 * (row - 2)], "$TF" + std::to_string(row) + ",  ");
        EXPECT_EQ(m[2 * (row - 2) + 1], "$TL" + std::to_string(row));
    }
}

TEST_F(Display, FlagLevelsSendFlagsWithoutText)
{
    filltext({"one", "two"});
    curcore().starA = curcore().lnptr;
    EXPECT_EQ(draw(9), Msgs{"$TF2,* "});
    Msgs m = draw(10);
    ASSERT_EQ(m.size(), 20u);
    EXPECT_EQ(m[0], "$TF2,* ");
    EXPECT_EQ(m[1], "$TF3,  ");
    EXPECT_EQ(m[19], "$TF21,  ");
}

TEST_F(Display, ObjectFlagsEchoAndTranslation)
{
    filltext({"a|b", "x\xad\x05", "f"});
    LINE *rec = curcore().lnptr;
    rec->object = 1;
    rec->down->down->object = 3;
    Msgs m = draw(1);
    EXPECT_EQ(m[0], "$TF2,\\r");
    EXPECT_EQ(m[3], "$TL3,x-~");
    EXPECT_EQ(m[4], "$TF4,\\m");

    holdch = 20;
    startoutput();
    m = draw(4);
    EXPECT_EQ(takeoutput(), "\xe8\r\n");
    EXPECT_EQ(m, Msgs{"$c\xe8"});
}

TEST_F(Display, CurrentLineAndItsNeighbours)
{
    filltext({"one", "two", "three"});
    COREFILE &c = curcore();
    EXPECT_EQ(draw(20), (Msgs{"$TF2,  ", "$TL2,one"}));  // nothing above the window
    c.lnptr = c.lnptr->down;
    EXPECT_EQ(draw(20), (Msgs{"$TF3,  ", "$TL3,two", "$TF2,  ", "$TL2,one"}));
    EXPECT_EQ(draw(21), (Msgs{"$TF3,  ", "$TL3,two", "$TF4,  ", "$TL4,three"}));
    EXPECT_EQ(draw(6).size(), 2u * 19);
}

TEST_F(Display, RecordViewDrawsFieldsAtTheirTemplatePlaces)
{
    filltext({"ab|cde|"});
    curcore().lnptr->object = 1;
    viewtype(2);
    EXPECT_EQ(draw(1), (Msgs{"$TL2", "$Tf  ", "$TR3,2,5,ab", "$TR3,10,5,cde"}));

    // The cursor on "d": field 2, one character in.
    curcore().curcol = 5;
    EXPECT_EQ(tap(discur), Msgs{"$p3,11"});
    EXPECT_EQ(draw(7), Msgs{"$TR3,10,5,cde"});
    // On a "|" the cursor is at the end of the field the "|" closes.
    curcore().curcol = 3;
    findfield();
    fieldlen();
    EXPECT_EQ(fieldnum, 1);
    EXPECT_EQ(fieldsiz, 2);
    EXPECT_EQ(tap(discur), Msgs{"$p3,4"});

    curcore().starB = curcore().lnptr;
    EXPECT_EQ(draw(9), Msgs{"$Tf* "});
}

TEST_F(Display, TextLineInRecordViewIsDrawnAsText)
{
    filltext({"a|b|c|d"});
    viewtype(2);
    numfields = 2;
    EXPECT_EQ(draw(1), (Msgs{"$TF2,  ", "$TL2,a|b|c|d", "$Tf I", "$TR3,2,5,", "$TR3,10,5,"}));
    EXPECT_EQ(tap(discur), Msgs{"$p2,1"});
}

TEST_F(Display, StatusFieldsAreSentOnlyWhenChanged)
{
    filltext({"one"});
    COREFILE &c = curcore();
    startoutput();
    EXPECT_EQ(tap(putstats), (Msgs{"$mw 1", "$mr    1", "$mc    1", "$ml1", "$mvTEXT    "}));
    EXPECT_EQ(tap(putstats), Msgs{});
    c.curcol = 5;
    EXPECT_EQ(tap(putstats), Msgs{"$mc    5"});
    full = true;
    EXPECT_EQ(tap(putstats), Msgs{"$mvFULL    "});
    EXPECT_EQ(tap(putstats), Msgs{});
    full = false;
    EXPECT_EQ(tap(putstats), Msgs{"$mvTEXT    "});
    visible = 0;
    c.curcol = 6;
    EXPECT_EQ(tap(putstats), Msgs{});
    visible = 1;
    EXPECT_EQ(tap(putstats), Msgs{"$mc    6"});
    EXPECT_EQ(takeoutput(), "");        // none of these is forwarded
}

TEST_F(Display, ErrorsWaitAndReturnTheAnswer)
{
    pushfn("\r");
    startoutput();
    int answer = diserr("no stars set in source corefile!");
    EXPECT_EQ(takeoutput(), "no stars set in source corefile!\r\n");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(del, 1);
    EXPECT_EQ(tapped, (Msgs{"$meno stars set in source corefile!", "$e+", "$e-"}));

    pushfn("\x7f");
    startoutput();
    EXPECT_EQ(diserr("WARNING: corefile 3 not saved. <del> aborts"), 2);
    EXPECT_EQ(takeoutput(), "WARNING: corefile 3 not saved. <del> aborts\r\n");

    startoutput();
    progress("Loading");
    clearhelp();
    clearhelp();
    EXPECT_EQ(takeoutput(), "Loading\r\n\r\n");

    // A message built in gwmsg itself, and one longer than a message can be.
    startoutput();
    std::snprintf(gwmsg, GWMSGSIZE, "Reading %d", 3);
    progress(gwmsg);
    progress(std::string(1500, 'x').c_str());
    EXPECT_EQ(takeoutput(), "Reading 3\r\n" + std::string(GWMSGSIZE - 4, 'x') + "\r\n");
}

TEST_F(Display, ResultsAndExpressionValues)
{
    startoutput();
    fpresultvalue = 1.5e20;
    putfloat();
    fpresultvalue = 12345678912.0;
    putfloat();
    fpresultvalue = 0.25;
    putfloat();
    fperror = 1;
    putfloat();
    fperror = 2;
    redisplay = RFLOAT;
    display();
    EXPECT_EQ(fperror, 0);
    vl_result[loopdepth] = 7;
    putresult();
    std::snprintf(checkstring, sizeof checkstring, "%s", "101");
    putbool();
    EXPECT_EQ(takeoutput(), "1.5'+20\r\n1.2345679'+10\r\n0.25\r\nFP Syntax Error\r\n"
                            "FP Overflow Error\r\n7\r\nCH 101\r\n");

    // With check errors the errors are shown first and wait for an answer.
    std::snprintf(checkerrors, sizeof checkerrors, "%s", "010");
    pushfn("\r");
    startoutput();
    redisplay = RBOOL;
    display();
    EXPECT_EQ(takeoutput(), "ERR 010\r\nCH 101\r\n");
}

TEST_F(Display, RulerShowsMarginsTabsAndColumnStars)
{
    filltext({"x"});
    curcore().cstarA = 5;
    curcore().cstarB = 200;             // out of view
    std::string r = tap(prtabs).at(0);
    ASSERT_EQ(r.size(), 3u + 78);
    EXPECT_EQ(r.substr(0, 12), "$mt<...*...!");
    EXPECT_EQ(r[3 + 71], '>');
    EXPECT_EQ(r.find('*'), r.rfind('*'));
    lmargin = rmargin = 20;
    r = tap(prtabs).at(0);
    EXPECT_EQ(r[3 + 19], '+');
    EXPECT_EQ(r[3 + 16], '!');          // tab stop 17, left of the right margin
    EXPECT_EQ(r[3 + 24], '.');          // tab stop 25, right of it
}

TEST_F(Display, FullRedrawResendsStatusAndCommandLine)
{
    filltext({"one"});
    putstats();
    mode = 0;
    startoutput();
    putcmdlett('F');
    putcmdlett('E');
    tapped.clear();
    gendis();
    std::string out = takeoutput();
    ASSERT_GE(tapped.size(), 4u);
    EXPECT_EQ(tapped[0], "$X");
    EXPECT_EQ(tapped[1], "$W");
    EXPECT_NE(std::find(tapped.begin(), tapped.end(), "$mw 1"), tapped.end());
    EXPECT_NE(std::find(tapped.begin(), tapped.end(), "$TL2,one"), tapped.end());
    EXPECT_EQ(tapped[tapped.size() - 2], "$Cx");
    EXPECT_EQ(tapped.back(), "$CLFE");
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out.substr(out.size() - 4), "FE\r\n");
}

TEST_F(Display, CursorPositions)
{
    filltext({"one", "two"});
    COREFILE &c = curcore();
    c.lnptr = c.lnptr->down;
    c.curcol = 5;
    EXPECT_EQ(tap(discur), Msgs{"$p3,6"});
    c.curcol = 79;
    draw(0);
    EXPECT_EQ(tap(discur), Msgs{"$p3,21"});
    c.lnptr->object = 1;                // not editable in view type 0
    EXPECT_EQ(tap(discur), Msgs{"$p3,1"});

    c.lnptr->object = 0;
    c.curcol = 2;
    draw(0);
    viewtype(5);
    c.curflag = 2;
    startoutput();
    Msgs m = tap(discur);
    EXPECT_EQ(takeoutput(), "BLUE\r\n");
    EXPECT_EQ(m, (Msgs{"$mMBLUE", "$p3,3"}));
}

} // namespace
