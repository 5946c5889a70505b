// Cursor movement on text and record lines and the window that follows it:
// line and page moves, return, and the column check after every operation.
#include <cstdint>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

int crinsert = 1;

void initcursor()
{
    crinsert = 1;
    greenx = greeny = 0;
    curtabnode = 0;
    tabptr = 0;
}

void curright()
{
    COREFILE &c = curcore();
    if (c.curcol < INT32_MAX)
        c.curcol++;
}

void curleft()
{
    COREFILE &c = curcore();
    if (c.curcol > 1)
        c.curcol--;
}

// Cursor state for the line just reached: the character cursor, or the
// picture cursor on a picture line.
static void setflag()
{
    COREFILE &c = curcore();
    c.curflag = 1;
    if (c.lnptr->object == 2) {
        c.curflag = 2;                  // the picture cursor itself is empty here
        redisplay = RWINDOW;
    }
}

// Column and cursor state after moving onto another line.
static void landed()
{
    COREFILE &c = curcore();
    int object = c.lnptr->object;
    if (object != 0 && object != 5)
        c.curcol = 1;
    setflag();
}

// One line down, making a new last line when needed; false when no record
// for that line can be had, and then nothing has changed.
static bool godown()
{
    COREFILE &c = curcore();
    if (c.lnptr->down == c.header) {
        if (reserve == nullptr)
            return false;
        allocln(5, 0);
        makeobject();
        c.edited = true;
        redisplay = RLINE;
    } else {
        c.lnptr = c.lnptr->down;
    }
    landed();
    mwd();
    return true;
}

void downline()
{
    godown();
}

void upline()
{
    COREFILE &c = curcore();
    if (c.lnptr->up == c.header) {
        if (reserve == nullptr)
            return;                     // no record for a new line: stay put
        c.lnptr = c.header;
        allocln(5, 0);                  // becomes the first line
        makeobject();
        c.edited = true;
        c.disln = c.lnptr;
        redisplay = RNEWTOP;
    } else {
        bool top = c.disln == c.lnptr;
        c.lnptr = c.lnptr->up;
        if (top) {
            c.disln = c.lnptr;
            redisplay = RNEWTOP;
        }
    }
    landed();
}

void downrec()
{
    downline();
    int v = curcore().viewtype;
    if (v == 2 || v == 6)
        redisplay = RWINDOW;
}

void uprec()
{
    upline();
    int v = curcore().viewtype;
    if (v == 2 || v == 6)
        redisplay = RWINDOW;
}

// The window scrolls by one line when the cursor went below its last row.
void mwd()
{
    COREFILE &c = curcore();
    if (windowtop + distance(c.disln, c.lnptr) > windowend) {
        c.disln = c.disln->down;
        redisplay = RSCROLLED;
    }
}

void retrn()
{
    COREFILE &c = curcore();
    if (crinsert == 0 && mode == 2) {
        LINE *before = c.lnptr;
        insline();
        if (c.lnptr == before)
            return;                     // no record for the new line
    } else if (crinsert == 2 && windowtop + distance(c.disln, c.lnptr) == windowend) {
        downpage();
    } else if (!godown()) {
        return;
    }
    int object = c.lnptr->object;
    c.curcol = object == 0 || object == 5 ? lmargin : 1;
}

// Moves the window by a page up (LINE::up) or down (LINE::down), stopping at
// the first or last line, with the cursor on the new first window line.
static void page(LINE *LINE::*step)
{
    COREFILE &c = curcore();
    LINE *line = c.disln;
    for (int i = 0; i < depth && line->*step != c.header; i++)
        line = line->*step;
    c.disln = line;
    c.lnptr = line;
    setflag();
    redisplay = RWINDOW;
}

void up_page() { page(&LINE::up); }

void downpage() { page(&LINE::down); }

// After every operation: a record cursor stays on the record, the column is
// at least 1, and on a formula the node under the cursor is found again.
void fixcursor()
{
    COREFILE &c = curcore();
    int v = c.viewtype;
    if (c.lnptr->object == 1 && (v == 1 || v == 2 || v == 7) && c.curcol > c.lnptr->length)
        c.curcol = c.lnptr->length;
    if (c.curcol < 1)
        c.curcol = 1;
    if (c.lnptr->object == 3) {
        if (c.curflag == 2 && c.curcol == 1)
            c.curflag = 1;
        gettabrowcol();
        curtabnode = curnode();
    }
}
