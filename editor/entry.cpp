// Text entry and rub-out on text lines, the delete buffer with the recall
// of characters and words, and the object a new line gets in the current
// view.
#include <cstring>
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
int dtstate = 0;

void initentry()
{
    std::memset(delbuf, ' ', sizeof delbuf);
    delptr = 0;
    dtstate = 0;
}

void inmode()
{
    mode = mode == 2 ? 1 : 2;
    prmptpar(mode);
}

// ------------------------------------------------------------- text lines

void bldtxt()
{
    if (dectabflag && dtstate) {
        decbldtxt();
        return;
    }
    xbldtxt();
    curright();
}

// Stores holdch at the cursor: over the character there in overtype or
// beyond the end (padding the line), in a gap opened for it in insert mode.
// The cursor does not move. The free-character code is never stored.
void xbldtxt()
{
    COREFILE &c = curcore();
    if (holdch == FREECH || c.lnptr->object == 2)
        return;
    if (mode != 2 || c.curcol > c.lnptr->length) {
        int before = c.lnptr->length;
        extline();
        if (c.curcol > c.lnptr->length) {
            dropadded(c.lnptr->length - before);    // the store refused the padding
            return;
        }
        redisplay = RCHAR;
        if (c.curcol == rmargin && c.curcol == c.lnptr->length)
            termbeep();
    } else {
        if (!cadd(' '))
            return;
        cinsert(1);
        redisplay = RLINE;
        if (c.lnptr->length == rmargin)
            termbeep();
    }
    textbase[curptr()] = holdch;
    if (c.curcol == rightcol)
        termbeep();
    if (autowrapflag == 1 && c.curcol > rmargin && c.curcol == c.lnptr->length && holdch != ' ')
        autowrap();
}

// Rub-out removes the character under the cursor; at the end of the line the
// last one. An empty line rubbed out in column 1 goes, unless it is the first.
void rubtxt()
{
    COREFILE &c = curcore();
    detrline();
    LINE *line = c.lnptr;
    if (line->length == 0 && c.curcol == 1) {
        if (line->up == c.header)
            return;
        LINE *above = line->up;
        removeline();                   // the window's first line follows
        c.lnptr = above;
        c.curline--;
        redisplay = RBELOW;
        return;
    }
    if (c.curcol > line->length + 1) {
        c.curcol--;
        return;
    }
    if (c.curcol == line->length + 1)
        c.curcol--;
    cremove(1);
    redisplay = RLINE;
}

// Copies the character under the cursor into the delete buffer and moves on,
// so that text can be duplicated by recalling it.
void copytxt()
{
    COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    unsigned char ch = ' ';
    if (line->object != 2 && c.curcol >= 1 && c.curcol <= line->length)
        ch = textbase[curptr()];
    savechar(ch);
    curright();
}

// Takes the last `n` characters off the current line again, when what was
// added for a character cannot be completed.
void dropadded(int n)
{
    COREFILE &c = curcore();
    LINE *line = c.lnptr;
    if (line->object == 2)
        return;
    for (; n > 0 && line->length > 0; n--) {
        line->length--;
        textbase[line->index + line->length] = FREECH;
        c.charcount--;
    }
}

// ----------------------------------------------------------- delete buffer

void savechar(unsigned char ch)
{
    if (ch == '|' && curcore().lnptr->object == 1)
        return;
    delbuf[delptr] = ch;
    delptr = (delptr + 1) % DELBUFSIZE;
}

unsigned char lastsaved()
{
    delptr = (delptr + DELBUFSIZE - 1) % DELBUFSIZE;
    return delbuf[delptr];
}

bool bufhasmark()
{
    return std::memchr(delbuf, '\\', sizeof delbuf) != nullptr;
}

// The last saved character typed back at the cursor in insert mode through
// `enter`, which leaves the cursor where it is.
void recallchar(editop enter)
{
    int keep = mode;
    holdch = lastsaved();
    mode = 2;
    enter();
    mode = keep;
}

// Characters typed back until the backslash that marks where a removed word
// or field began; nothing when the ring holds no backslash. Returns how
// many were typed.
int recallword(editop enter)
{
    if (!bufhasmark())
        return 0;
    int keep = mode;
    mode = 2;
    int n = 0;
    for (int i = 0; i < DELBUFSIZE; i++) {
        unsigned char ch = lastsaved();
        if (ch == '\\')
            break;
        holdch = ch;
        enter();
        n++;
    }
    mode = keep;
    return n;
}

void rectxt()
{
    recallchar(xbldtxt);
}

void recword()
{
    // More than one character: an echo of the last alone would not show them.
    if (recallword(xbldtxt) > 1 && redisplay == RCHAR)
        redisplay = RLINE;
}

// ------------------------------------------------------------ new objects

// A record line of the template's field count; with no fields an empty
// record still gets its place on the physical chain, so that the text it
// grows later is kept by the collector.
void makerec()
{
    for (int i = 0; i < numfields; i++)
        if (!cadd('|'))
            break;
    LINE *line = curcore().lnptr;
    if (line->object == 5) {
        line->index = avail;
        line->length = 0;
        line->object = 1;
        linkphys();
    } else {
        line->object = 1;
    }
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
