// Text entry and rub-out on text lines, the delete buffer, and the object a
// new line gets in the current view.
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

unsigned char delbuf[DELBUFSIZE] = {
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
};
int delptr = 0;

void inmode()
{
    mode = mode == 2 ? 1 : 2;
    prmptpar(mode);
}

void bldtxt()
{
    if (dectabflag) {
        decbldtxt();
        return;
    }
    xbldtxt();
    curright();
}

void xbldtxt()
{
    COREFILE &c = curcore();
    if (mode != 2 || c.curcol > c.lnptr->length) {
        extline();
        if (c.curcol > c.lnptr->length)
            return;                     // the store refused the padding
        redisplay = 4;
        if (c.curcol == rmargin && c.curcol == c.lnptr->length)
            termbeep();
    } else {
        if (!cadd(' '))
            return;
        cinsert(1);
        redisplay = 5;
        if (c.lnptr->length == rmargin)
            termbeep();
    }
    textbase[curptr()] = holdch;
    if (c.curcol == rightcol)
        termbeep();
    if (autowrapflag == 1 && c.curcol > rmargin && c.curcol == c.lnptr->length && holdch != ' ')
        autowrap();
}

void rubtxt()
{
    COREFILE &c = curcore();
    detrline();
    LINE *line = c.lnptr;
    if (line->length == 0 && c.curcol == 1) {
        if (line->up == c.header)
            return;
        LINE *above = line->up;
        bool top = c.disln == line;
        removeline();
        c.lnptr = above;
        c.curline--;
        if (top)
            c.disln = above;
        redisplay = 6;
        return;
    }
    if (c.curcol > line->length + 1) {
        c.curcol--;
        return;
    }
    if (c.curcol == line->length + 1)
        c.curcol--;
    cremove(1);
    redisplay = 5;
}

void savechar(unsigned char ch)
{
    if (ch == '|' && curcore().lnptr->object == 1)
        return;
    delbuf[delptr] = ch;
    delptr = (delptr + 1) % DELBUFSIZE;
}

// A record line of the template's field count.
void makerec()
{
    for (int i = 0; i < numfields; i++)
        cadd('|');
    curcore().lnptr->object = 1;
}

// A picture line: pictures are empty handles in this system.
static void makegraph()
{
    COREFILE &c = curcore();
    c.lnptr->object = 2;
    c.lnptr->length = 0;
    c.lnptr->index = 0;
    linkphys();
    c.curflag = 2;
}

void makeobject()
{
    switch (curcore().viewtype) {
    case 1:
    case 2:
        makerec();
        break;
    case 4:
        makegraph();
        break;
    default:
        break;
    }
}
