// Editor settings shared by the display and the editing operations.
#include <cstring>
#include "operations/operations.h"
#include "operations/reformat.h"
#include "commands/commands.h"
#include "screen/screen.h"

int lmargin = 1;
int rmargin = 72;
char tabs[NTABCOLS + 1];
int autowrapflag = 0;
int dectabflag = 0;
int fperror = 0;
double fpresultvalue = 0.0;
char checkerrors[200];
char checkstring[200];

void initsettings()
{
    lmargin = 1;
    rmargin = 72;
    std::memset(tabs, 0, sizeof tabs);
    for (int c = 1; c <= NTABCOLS; c += 8)
        tabs[c] = 1;
    autowrapflag = 0;
    dectabflag = 0;
    hyphlevel = 0;
    jmode = 0;
    initreformat();
    cureditmask = editmask[0];
    fperror = 0;
    fpresultvalue = 0.0;
    checkerrors[0] = 0;
    checkstring[0] = 0;
    scanunit = 0;
    lrcswitch = 1;
    initregisters();
    inittemplates();
    initviews();
}

// ------------------------------------------------------- settings commands

int hyphlevel = 0;
int jmode = 0;
int scanunit = 0;
int lrcswitch = 1;

// After the view or the corefile changed: the text zone is cleared, the
// keys this view allows and, in the record-template view, the template
// are taken, and the whole window is drawn again.
static void newview()
{
    COREFILE &c = curcore();
    cureditmask = editmask[c.viewtype];
    if (c.viewtype == 2)
        distemplate();
    redisplay = RWINDOW;
    c.curflag = 1;
}

// CORE n: corefile 19 serves VIEW and cannot be chosen here.
void coreset()
{
    int n = param[1];
    if (n < 0 || n >= NCORE - 1 || n == corenum)
        return;
    clrtextzone();
    corenum = n;
    newview();
    prtabs();
}

// OBJECT v: a corefile holding nothing but an empty placeholder line gets
// that line made into the new view's object.
void objset()
{
    COREFILE &c = curcore();
    int v = param[1];
    if (v < 0 || v >= NVIEWS || v == c.viewtype)
        return;
    clrtextzone();
    c.viewtype = v;
    newview();
    LINE *only = c.header->down;
    if (only != c.header && only->down == c.header && only->object == 5) {
        c.lnptr = only;
        c.curcol = 1;
        makeobject();
    }
}

void inkeyset()
{
    int code = param[1], keytype = param[2];
    if (code < 0 || code >= NINTRAN || keytype < 0 || keytype >= NKEYTYPES) {
        diserr("Invalid Key Assignment");
        del = 2;
        return;
    }
    intran[code] = keytype;
}

void outkeyset()
{
    int code = param[1], value = param[2];
    if (code < 0 || code > 255 || value < 0 || value > 255) {
        diserr("Invalid Font Assignment");
        del = 2;
        return;
    }
    outtran[code] = static_cast<unsigned char>(value);
}

void option()
{
    switch (param[1]) {
    case 0: case 1: case 2:
        crinsert = param[1];
        break;
    case 3:
        repflag = 1;
        break;
    case 4:
        repflag = 0;
        break;
    case 5:
        fetchstyle = 1;
        break;
    case 6:
        fetchstyle = 2;
        break;
    case 7:
        octflag = 0;
        break;
    case 8:
        octflag = 1;
        break;
    case 9:
        lfonly = 1;
        break;
    case 10:
        lfonly = 0;
        break;
    default:
        break;
    }
}

// TAB n: 0 clears every stop; n adds stops at 1, 1+n, 1+2n, ...
void settabs()
{
    int n = param[1];
    if (n == 0)
        std::memset(tabs, 0, sizeof tabs);
    else if (n > 0 && n < NTABCOLS)
        for (int c = 1; c <= NTABCOLS; c += n)
            tabs[c] = 1;
    prtabs();
}

// MARGINS left | right: 0 keeps a margin; the right one is never left of
// the left one. The ruler follows as the command's operation.
void marginchk()
{
    if (param[1] != 0)
        lmargin = param[1];
    if (param[2] != 0)
        rmargin = param[2];
    if (rmargin < lmargin)
        rmargin = lmargin;
}

void hyphenset() { hyphlevel = param[1]; }
void justset() { jmode = param[1]; }

// WINDOW lines | columns. A new depth or width redraws the whole screen,
// even while updating is off, keeping the cursor line in the window.
void window()
{
    if (!setgeometry(param[1], param[2]))
        return;
    COREFILE &c = curcore();
    if (distance(c.disln, c.lnptr) >= depth)
        c.disln = c.lnptr;
    int saved = visible;
    visible = 1;
    gendis();
    visible = saved;
}

// The screen-updating key: off, or on again with everything redrawn.
void silent()
{
    visible = !visible;
    if (!visible)
        return;
    clrtextzone();
    putfname();
    prtabs();
    prmptpar(mode);
    if (curcore().viewtype == 2)
        distemplate();
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    redisplay = RWINDOW;
}
