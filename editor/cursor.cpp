// Cursor movement on text and record lines and the window that follows it.
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

int crinsert = 1;

void curright() { curcore().curcol++; }

void curleft()
{
    COREFILE &c = curcore();
    if (c.curcol > 1)
        c.curcol--;
}

// Column and cursor state after moving onto another line.
static void landed()
{
    COREFILE &c = curcore();
    int object = c.lnptr->object;
    if (object != 0 && object != 5)
        c.curcol = 1;
    c.curflag = 1;
    if (object == 2) {
        c.curflag = 2;
        redisplay = 1;
    }
}

void downline()
{
    COREFILE &c = curcore();
    if (c.lnptr->down == c.header) {
        if (reserve == nullptr)
            return;                     // no record for a new line: stay put
        allocln(5, 0);
        makeobject();
        c.edited = true;
        redisplay = 5;
    } else {
        c.lnptr = c.lnptr->down;
    }
    landed();
    mwd();
}

void upline()
{
    COREFILE &c = curcore();
    if (c.lnptr->up == c.header) {
        if (reserve == nullptr)
            return;
        c.lnptr = c.header;
        allocln(5, 0);                  // becomes the first line
        makeobject();
        c.edited = true;
        c.disln = c.lnptr;
        redisplay = 3;
    } else {
        bool top = c.disln == c.lnptr;
        c.lnptr = c.lnptr->up;
        if (top) {
            c.disln = c.lnptr;
            redisplay = 3;
        }
    }
    landed();
}

void downrec()
{
    downline();
    int v = curcore().viewtype;
    if (v == 2 || v == 6)
        redisplay = 1;
}

void uprec()
{
    upline();
    int v = curcore().viewtype;
    if (v == 2 || v == 6)
        redisplay = 1;
}

void mwd()
{
    COREFILE &c = curcore();
    if (windowtop + distance(c.disln, c.lnptr) > windowend) {
        c.disln = c.disln->down;
        redisplay = 2;
    }
}

void retrn()
{
    COREFILE &c = curcore();
    if (crinsert == 0 && mode == 2) {
        if (reserve == nullptr)
            return;
        insline();
    } else if (crinsert == 2 && windowtop + distance(c.disln, c.lnptr) == windowend) {
        downpage();
    } else {
        downline();
    }
    int object = c.lnptr->object;
    c.curcol = object == 0 || object == 5 ? lmargin : 1;
}

void up_page()
{
    COREFILE &c = curcore();
    LINE *line = c.disln;
    for (int i = 0; i < depth && line->up != c.header; i++)
        line = line->up;
    c.disln = line;
    c.lnptr = line;
    redisplay = 1;
}

void downpage()
{
    COREFILE &c = curcore();
    LINE *line = c.disln;
    for (int i = 0; i < depth && line->down != c.header; i++)
        line = line->down;
    c.disln = line;
    c.lnptr = line;
    redisplay = 1;
}

void fixcursor()
{
    COREFILE &c = curcore();
    int v = c.viewtype;
    if (c.lnptr->object == 1 && (v == 1 || v == 2 || v == 7) && c.curcol > c.lnptr->length)
        c.curcol = c.lnptr->length;
    if (c.curcol < 1)
        c.curcol = 1;
    if (c.lnptr->object == 3 && c.curflag == 2 && c.curcol == 1)
        c.curflag = 1;
}
