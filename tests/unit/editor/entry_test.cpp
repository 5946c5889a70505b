// Typing, rubbing out and recalling: text lines, the delete buffer, record
// fields under their types and widths, and formula lines.
#include <gtest/gtest.h>
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

class Entry : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        initentry();
        initcursor();
    }
    static COREFILE &cf() { return curcore(); }

    static std::string cur() { return linetext(cf().lnptr); }
    // One key through its operation, then the column check, as the loop does.
    static void key(unsigned char ch, editop op)
    {
        holdch = ch;
        type = intran[ch];
        redisplay = RNONE;
        op();
        fixcursor();
    }
    static void typein(const char *s, editop op = bldtxt)
    {
        for (; *s; s++)
            key(static_cast<unsigned char>(*s), op);
    }
    static void fill(const lines_t &ls, int object = 0)
    {
        clrfile();
        removeline();
        for (const std::string &s : ls)
            addline(s, object);
        cf().lnptr = cf().disln = cf().header->down;
        cf().curcol = 1;
    }
    static void at(int line, int col)
    {
        cf().lnptr = nthline(line);
        cf().curcol = col;
    }
    static std::string ring()                  // the delete buffer, oldest first
    {
        std::string s;
        for (int i = 0; i < DELBUFSIZE; i++)
            s += static_cast<char>(delbuf[(delptr + i) % DELBUFSIZE]);
        return s;
    }
};

// ------------------------------------------------------------- text lines

TEST_F(Entry, OvertypeBeyondTheEndPadsAndInsertOpensAGap)
{
    fill({"abc"});
    at(1, 10);
    key('x', bldtxt);
    EXPECT_EQ(cur(), "abc      x");
    EXPECT_EQ(cf().curcol, 11);
    EXPECT_EQ(redisplay, 4);                // the character is echoed
    EXPECT_EQ(cf().charcount, 10);

    key('y', bldtxt);                       // just past the end: appended
    EXPECT_EQ(cur(), "abc      xy");
    at(1, 2);
    key('Z', bldtxt);                       // overtype inside
    EXPECT_EQ(cur(), "aZc      xy");

    mode = 2;
    at(1, 2);
    typein("12");
    EXPECT_EQ(cur(), "a12Zc      xy");
    EXPECT_EQ(cf().curcol, 4);
    EXPECT_EQ(redisplay, 5);                // the line is rewritten
    EXPECT_EQ(cf().charcount, 13);
    startoutput();
    inmode();
    EXPECT_EQ(mode, 1);
    inmode();
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(takeoutput(), "Typing  \r\nInsert  \r\n");
}

TEST_F(Entry, RubOutRemovesUnderTheCursorAndTheLastCharacterAtTheEnd)
{
    fill({"first", "abc", "", "last"});
    at(2, 2);
    key(8, rubtxt);
    EXPECT_EQ(cur(), "ac");
    EXPECT_EQ(cf().curcol, 2);
    EXPECT_EQ(redisplay, 5);
    at(2, 3);                               // just past the end: the last character
    key(8, rubtxt);
    EXPECT_EQ(cur(), "a");
    EXPECT_EQ(cf().curcol, 2);
    at(2, 7);                               // further out: only the cursor moves
    key(8, rubtxt);
    EXPECT_EQ(cur(), "a");
    EXPECT_EQ(cf().curcol, 6);

    at(3, 1);                               // an empty line in column 1 goes
    cf().curline = 3;
    key(8, rubtxt);
    EXPECT_EQ(curlines(), (lines_t{"first", "a", "last"}));
    EXPECT_EQ(cur(), "a");
    EXPECT_EQ(cf().curline, 2);
    EXPECT_EQ(redisplay, 6);

    fill({"", "x"});                        // but the first line stays
    at(1, 1);
    key(8, rubtxt);
    EXPECT_EQ(curlines(), (lines_t{"", "x"}));
    EXPECT_EQ(cf().lncount, 2);

    fill({"top", "   "});                   // trailing spaces go first
    at(2, 1);
    cf().disln = cf().lnptr;
    key(8, rubtxt);
    EXPECT_EQ(curlines(), (lines_t{"top"}));
    EXPECT_EQ(cf().disln, cf().lnptr);      // the window's first line follows
    EXPECT_EQ(cf().charcount, sumlengths(cf()));
}

TEST_F(Entry, RecallAfterRubOutsRebuildsTheText)
{
    fill({"xabcy"});
    at(1, 2);
    for (int i = 0; i < 3; i++)
        key(8, rubtxt);
    EXPECT_EQ(cur(), "xy");
    for (int i = 0; i < 3; i++)
        key(21, rectxt);
    EXPECT_EQ(cur(), "xabcy");
    EXPECT_EQ(cf().curcol, 2);              // the cursor stays
    EXPECT_EQ(mode, 1);                     // and overtype is kept
    EXPECT_EQ(cf().charcount, 5);

    // Recalling at the end of an emptied line.
    fill({"abc"});
    at(1, 1);
    for (int i = 0; i < 3; i++)
        key(8, rubtxt);
    EXPECT_EQ(cur(), "");
    for (int i = 0; i < 3; i++)
        key(21, rectxt);
    EXPECT_EQ(cur(), "abc");
}

TEST_F(Entry, DeleteBufferKeepsOnlyTheLast80)
{
    std::string all;
    for (int i = 0; i < 100; i++) {
        unsigned char ch = static_cast<unsigned char>('!' + i % 90);
        savechar(ch);
        all += static_cast<char>(ch);
    }
    EXPECT_EQ(delptr, 100 % DELBUFSIZE);
    EXPECT_EQ(ring(), all.substr(20));
    EXPECT_EQ(lastsaved(), static_cast<unsigned char>(all.back()));
    EXPECT_EQ(delptr, 19);
    for (int i = 0; i < 80; i++)            // recall walks back through the ring and wraps
        lastsaved();
    EXPECT_EQ(delptr, 19);

    // A "|" from a record line is not kept; from a text line it is.
    initentry();
    fill({"a|b|"}, 1);
    savechar('|');
    EXPECT_EQ(delptr, 0);
    fill({"a|b"});
    savechar('|');
    EXPECT_EQ(delptr, 1);
}

TEST_F(Entry, CopyAndWordRecall)
{
    fill({"one two", ""});
    at(1, 5);
    for (int i = 0; i < 5; i++)             // "two" and two spaces beyond the end
        key(7, copytxt);
    EXPECT_EQ(cf().curcol, 10);
    EXPECT_EQ(ring().substr(75), "two  ");

    key(20, recword);                       // no word mark in the ring: nothing
    EXPECT_EQ(cur(), "one two");
    EXPECT_EQ(delptr, 5);

    savechar('\\');                         // as a word deletion does
    for (const char *p = "cat"; *p; p++)
        savechar(static_cast<unsigned char>(*p));
    at(2, 1);
    key(20, recword);
    EXPECT_EQ(curlines(), (lines_t{"one two", "cat"}));
    EXPECT_EQ(redisplay, 5);
    EXPECT_EQ(cf().curcol, 1);
    EXPECT_EQ(delptr, 5);                   // the mark itself was taken
    EXPECT_EQ(cf().charcount, sumlengths(cf()));
}

TEST_F(Entry, RefusedSpaceChangesNothing)
{
    // A line whose text ends at the very end of the arena cannot grow.
    avail = TEXTSIZE - 3;
    for (const char *p = "abc"; *p; p++)
        ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
    ASSERT_EQ(avail, TEXTSIZE);
    const LINE *line = cf().lnptr;
    mode = 2;
    at(1, 2);
    key('x', bldtxt);                       // insert: no room for the gap
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().lnptr, line);
    mode = 1;
    at(1, 6);
    key('x', bldtxt);                       // overtype beyond the end: no room to pad
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().charcount, 3);
    at(1, 4);
    key('x', bldtxt);
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().charcount, 3);
    EXPECT_EQ(avail, TEXTSIZE);

    // Room for part of the padding only: what was padded goes again.
    initcore();
    avail = TEXTSIZE - 5;
    for (const char *p = "abc"; *p; p++)
        ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
    at(1, 10);
    key('x', bldtxt);
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().charcount, 3);
    EXPECT_EQ(textbase[TEXTSIZE - 1], FREECH);
    cf().viewtype = 5;
    key('x', bldmath);
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().charcount, 3);
    mode = 2;
    at(1, 4);
    key('!', bldmath);                      // this node needs four places, two are free
    EXPECT_EQ(cur(), "abc");
    EXPECT_EQ(cf().lnptr->object, 0);
    at(1, 4);
    key('x', bldtxt);                       // one character still fits
    EXPECT_EQ(cur(), "abcx");
    EXPECT_EQ(cf().charcount, 4);
}

TEST_F(Entry, CharcountStaysExactThroughMixedEdits)
{
    fill({"alpha", "beta", "gamma"});
    mode = 2;
    at(1, 3);
    typein("XYZ");                          // blocked by "beta": the line moves
    at(2, 10);
    typein("far");
    key(8, rubtxt);
    at(3, 1);
    for (int i = 0; i < 4; i++)
        key(8, rubtxt);
    key(21, rectxt);
    downline();
    typein("new line");
    for (int i = 0; i < 12; i++)
        key(8, rubtxt);
    garbage();
    EXPECT_EQ(curlines(), (lines_t{"alXYZpha", "beta     fa"}));
    EXPECT_EQ(cf().charcount, sumlengths(cf()));
    EXPECT_EQ(avail, sumlengths(cf()));
}

// ------------------------------------------------------------------ records

class Records : public Entry {
protected:
    void SetUp() override
    {
        Entry::SetUp();
        cf().viewtype = 1;
        cureditmask = editmask[1];
    }
    // Fields typed as in the template: types and widths for fields 1, 2, ...
    static void layout(const char *types, std::vector<int> widths)
    {
        for (size_t i = 0; types[i]; i++) {
            ftype[i + 1] = types[i];
            maxfieldlen[i + 1] = widths[i];
        }
    }
};

TEST_F(Records, NewLinesInRecordViewsAreRecords)
{
    numfields = 3;
    clrfile();
    EXPECT_EQ(cur(), "|||");
    EXPECT_EQ(cf().lnptr->object, 1);
    EXPECT_EQ(cf().charcount, 3);
    numfields = 0;                          // no fields: an empty record, still kept
    nuline();
    EXPECT_EQ(cf().lnptr->object, 1);
    typein("a", bldrec);
    garbage();
    EXPECT_EQ(curlines(), (lines_t{"|||", "a"}));
}

TEST_F(Records, CheckTableByFieldType)
{
    layout("bjicg", {9, 9, 9, 9, 9});
    fill({"|||||"}, 1);
    auto accepted = [](int field, unsigned char ch) {
        at(1, field);                       // fields are empty: field n starts in column n
        int before = cf().lnptr->length;
        holdch = ch;
        bool ok = xbldrec();
        if (ok) {
            EXPECT_EQ(cf().lnptr->length, before + 1);
            cf().curcol = field;
            cremove(1);
        } else {
            EXPECT_EQ(cf().lnptr->length, before);
        }
        return ok;
    };
    EXPECT_TRUE(accepted(1, 'y'));
    EXPECT_TRUE(accepted(1, 'n'));
    EXPECT_FALSE(accepted(1, 'x'));
    EXPECT_FALSE(accepted(1, '1'));
    EXPECT_TRUE(accepted(2, '7'));
    EXPECT_FALSE(accepted(2, '-'));
    EXPECT_FALSE(accepted(2, 'a'));
    EXPECT_FALSE(accepted(2, '.'));
    EXPECT_TRUE(accepted(3, '0'));
    EXPECT_TRUE(accepted(3, '-'));
    EXPECT_FALSE(accepted(3, 'y'));
    EXPECT_TRUE(accepted(4, '.'));
    EXPECT_TRUE(accepted(4, 'x'));
    EXPECT_FALSE(accepted(4, '|'));         // never typed into a field
    EXPECT_FALSE(accepted(5, 'a'));         // a protected field takes nothing
    EXPECT_EQ(cur(), "|||||");
    EXPECT_EQ(cf().charcount, 5);
}

TEST_F(Records, TheEightCases)
{
    layout("cc", {3, 3});
    struct row {
        int mode;
        const char *line;
        int col;
        const char *after;                 // null: refused
        int redraw;
    };
    const row rows[] = {
        {1, "ab|x|", 1, "Qb|x|", 4},       // 0 overtype inside
        {2, "ab|x|", 1, "Qab|x|", 7},      // 1 insert inside
        {1, "ab|x|", 3, "abQ|x|", 7},      // 2 overtype at the field's end
        {2, "ab|x|", 3, "abQ|x|", 7},      // 3 insert at the field's end
        {1, "abc|x|", 2, "aQc|x|", 4},     // 4 overtype inside a full field
        {2, "abc|x|", 2, "aQb|x|", 7},     // 5 insert inside a full field: the last drops
        {1, "abc|x|", 4, nullptr, 0},      // 6 overtype at the end of a full field
        {2, "abc|x|", 4, nullptr, 0},      // 7 insert at the end of a full field
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.line + std::string(" col ") + std::to_string(r.col) + " mode " + std::to_string(r.mode));
        fill({r.line}, 1);
        mode = r.mode;
        at(1, r.col);
        key('Q', bldrec);
        EXPECT_EQ(cur(), r.after ? r.after : r.line);
        EXPECT_EQ(cf().curcol, r.after ? r.col + 1 : r.col);
        EXPECT_EQ(redisplay, r.redraw);
        EXPECT_EQ(cf().charcount, sumlengths(cf()));
    }
}

TEST_F(Records, RubOutFieldsAndRecallThem)
{
    layout("cgc", {9, 9, 9});
    fill({"ab|keep|xyz|"}, 1);
    at(1, 2);
    key(8, rubrec);
    EXPECT_EQ(cur(), "a|keep|xyz|");
    EXPECT_EQ(redisplay, 7);
    at(1, 2);                               // on a "|": only the cursor moves
    key(8, rubrec);
    EXPECT_EQ(cur(), "a|keep|xyz|");
    EXPECT_EQ(cf().curcol, 1);
    at(1, 4);                               // a protected field cannot be rubbed out
    key(8, rubrec);
    key(0, rubfield);
    EXPECT_EQ(cur(), "a|keep|xyz|");
    EXPECT_EQ(cf().curcol, 3);

    at(1, 10);                              // the whole field, from its start
    key(0, rubfield);
    EXPECT_EQ(cur(), "a|keep||");
    EXPECT_EQ(cf().curcol, 8);
    EXPECT_EQ(cf().charcount, 8);
    at(1, 1);
    key(0, recfield);
    EXPECT_EQ(cur(), "xyza|keep||");
    EXPECT_EQ(cf().charcount, sumlengths(cf()));

    at(1, 1);                               // copy without removing, recall elsewhere
    key(0, copyfield);
    EXPECT_EQ(cur(), "xyza|keep||");
    at(1, 11);
    key(0, recfield);
    EXPECT_EQ(cur(), "xyza|keep|xyza|");

    at(1, 2);
    key(8, rubrec);
    key(0, recrec);                         // one character back
    EXPECT_EQ(cur(), "xyza|keep|xyza|");

    fill({""});                             // an empty line: nothing
    int saved = delptr;
    key(8, rubrec);
    key(0, rubfield);
    EXPECT_EQ(cur(), "");
    EXPECT_EQ(delptr, saved);
}

// ----------------------------------------------------------------- formulas

class Formulas : public Entry {
protected:
    void SetUp() override
    {
        Entry::SetUp();
        cf().viewtype = 5;
        cureditmask = editmask[5];
    }
    static std::string codes()              // the line with its structural codes spelled out
    {
        std::string s;
        for (unsigned char ch : cur()) {
            switch (ch) {
            case FBAR: s += '/'; break;
            case FROWBAR: s += ';'; break;
            case FTABLE: s += 'T'; break;
            case FEND: s += ']'; break;
            case 0xFA: s += 'B'; break;
            case 0xFB: s += 'P'; break;
            case 0xF8: s += 'F'; break;
            case 0xFD: s += 'S'; break;
            default: s += static_cast<char>(ch); break;
            }
        }
        return s;
    }
};

TEST_F(Formulas, TypingNodesAndCharacters)
{
    mode = 2;
    typein("a", bldmath);
    key('(', bldmath);                      // a node with an empty body
    EXPECT_EQ(codes(), "aP]");
    EXPECT_EQ(cf().lnptr->object, 3);
    EXPECT_EQ(cf().curcol, 2);              // the cursor stays on the node
    EXPECT_EQ(redisplay, 1);
    key('!', bldmath);
    EXPECT_EQ(codes(), "aF//]P]");
    key(0xE6, bldmath);
    EXPECT_EQ(codes(), "aS/]F//]P]");
    key(0xE5, bldmath);
    EXPECT_EQ(codes(), "aT]S/]F//]P]");

    mode = 1;                               // overtype writes over ordinary characters
    at(1, 1);
    key('z', bldmath);
    EXPECT_EQ(codes(), "zT]S/]F//]P]");
    EXPECT_EQ(cf().curcol, 2);
    at(1, 3);                               // but not over a node's end
    key('q', bldmath);
    EXPECT_EQ(codes(), "zTq]S/]F//]P]");
    EXPECT_EQ(cf().charcount, 13);

    cf().curflag = 3;                       // a table cursor takes no characters
    key('k', bldmath);
    EXPECT_EQ(cf().charcount, 13);
    EXPECT_EQ(redisplay, 1);
}

TEST_F(Formulas, RubOutAndRecall)
{
    mode = 2;
    typein("ab", bldmath);
    key('{', bldmath);
    EXPECT_EQ(codes(), "abB]");
    at(1, 4);                               // on the node's end: moves left
    key(8, rubmath);
    EXPECT_EQ(codes(), "abB]");
    at(1, 1);
    key(8, rubmath);
    EXPECT_EQ(codes(), "bB]");
    EXPECT_EQ(redisplay, 1);

    // With a whole-node cursor, the rest of the item moves out to a new line.
    at(1, 2);
    cf().curflag = 2;
    key(8, rubmath);
    EXPECT_EQ(curlines(), (lines_t{"b\xF6", "\xFA"}));
    EXPECT_EQ(cf().lnptr, cf().header->down);
    EXPECT_EQ(cf().header->down->down->object, 3);
    EXPECT_EQ(cf().lncount, 2);
    EXPECT_EQ(cf().charcount, sumlengths(cf()));

    // Recall math: the next line's text joins the formula at the cursor.
    cf().curflag = 1;
    at(1, 2);
    key(0, recmath);
    EXPECT_EQ(codes(), "bB]");
    EXPECT_EQ(cf().lncount, 1);
    EXPECT_EQ(cf().charcount, 3);
    key(0, recmath);                        // nothing below
    EXPECT_EQ(cf().lncount, 1);
}

TEST_F(Formulas, TableRowsAndColumns)
{
    mode = 2;
    key(0xE5, bldmath);
    at(1, 2);
    typein("ab", bldmath);
    EXPECT_EQ(codes(), "Tab]");
    at(1, 1);
    key(0, instabcol);                      // needs the table cursor
    EXPECT_EQ(codes(), "Tab]");
    key(0, greencur);
    EXPECT_EQ(cf().curflag, 3);
    key(0, instabrow);
    EXPECT_EQ(codes(), "Tab;]");
    key(0, instabcol);                      // a separator closes every row
    EXPECT_EQ(codes(), "Tab/;/]");
    EXPECT_EQ(cf().curcol, 1);
    EXPECT_EQ(cf().charcount, 7);
    key(0, greencur);
    EXPECT_EQ(cf().curflag, 1);
}

} // namespace
