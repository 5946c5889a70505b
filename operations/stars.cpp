// Star blocks: the two line marks of a corefile, the block of whole lines
// between them, and the keys that move it into corefile 0 (delete), back to
// the cursor (recover) or copy it there (copy). Lines are relinked, never
// copied, except by the copy, which builds new records over new text.
#include <unistd.h>
#include "operations/operations.h"
#include "operations/stars.h"
#include "screen/screen.h"
#include "commands/commands.h"

LINE *first, *last;
int lines;
int64_t charcount;
int b_curline, b_disln, b_star, b_elision;

inline constexpr int BLOCKCORE = 0;   // holds deleted and copied blocks
inline constexpr int GENCORE = 8;     // receives the generator's moved block
inline constexpr unsigned GENSLEEP = 3;
unsigned pauselength = GENSLEEP;

static const char nostars[] = "no stars set in source corefile!";
static const char nocopyroom[] = "inadequate free space for block copy";
static const char nomoveroom[] = "inadequate free space for block move";

// ------------------------------------------------------------------ marks

void clrstars()
{
    COREFILE &f = curcore();
    f.starA = f.starB = nullptr;
    f.starcount = 0;
    f.nextstar = 'A';
}

int delstar()
{
    COREFILE &f = curcore();
    if (f.starA != nullptr && f.starA == f.lnptr) {
        f.starA = nullptr;
        f.nextstar = 'A';
        f.starcount--;
        return 1;
    }
    if (f.starB != nullptr && f.starB == f.lnptr) {
        f.starB = nullptr;
        f.nextstar = 'B';
        f.starcount--;
        return 1;
    }
    return 0;
}

// A star on the cursor line goes; otherwise the star named by nextstar comes
// to the cursor line, taken from another line when both were set.
void makestars()
{
    COREFILE &f = curcore();
    if (f.lnptr == f.header)
        return;
    redisplay = RFLAG;
    if (delstar())
        return;
    if (f.starcount < 2) {
        f.starcount++;
    } else {
        redisplay = RFLAGS;               // the star also left another line
    }
    if (f.nextstar == 'A') {
        f.starA = f.lnptr;
        f.nextstar = 'B';
    } else {
        f.starB = f.lnptr;
        f.nextstar = 'A';
    }
}

// -------------------------------------------------------------- the block

// With two stars, the walk goes both ways from star A at once, so it costs
// the distance to star B or to the nearer end, not the corefile's length.
// Reaching the header one way tells that star B lies the other way.
void locatestars()
{
    const COREFILE &f = curcore();
    LINE *a = f.starA, *b = f.starB;
    if (a == nullptr || b == nullptr) {
        first = last = a != nullptr ? a : b;
        return;
    }
    bool below = false;
    for (LINE *up = a, *down = a;;) {
        if (down == b) {
            below = true;
            break;
        }
        if (up == b)
            break;
        if (down == f.header) {
            below = false;
            break;
        }
        if (up == f.header) {
            below = true;
            break;
        }
        up = up->up;
        down = down->down;
    }
    first = below ? a : b;
    last = below ? b : a;
}

void findinfo()
{
    const COREFILE &f = curcore();
    lines = 0;
    charcount = 0;
    b_curline = b_disln = b_star = b_elision = 0;
    if (first == nullptr || last == nullptr)
        return;
    for (LINE *l = first;; l = l->down) {
        if (l == f.header)
            break;                    // a block never holds the header
        lines++;
        if (l->object != 2)
            charcount += l->length;
        if (l == f.lnptr)
            b_curline = 1;
        if (l == f.disln)
            b_disln = 1;
        if (l == f.starA || l == f.starB)
            b_star = 1;
        if (l == last)
            break;
    }
}

void detach()
{
    COREFILE &f = curcore();
    LINE *above = first->up, *below = last->down;
    above->down = below;
    below->up = above;
    f.lncount -= lines;
    f.charcount -= charcount;
    linkschanged();
}

void attach()
{
    COREFILE &f = curcore();
    LINE *after = f.lnptr, *next = after->down;
    first->up = after;
    last->down = next;
    after->down = first;
    next->up = last;
    f.lncount += lines;
    f.charcount += charcount;
    linkschanged();
}

// ------------------------------------------------------------------ moving

// A record for the empty line a corefile left without lines gets.
static bool recordinhand()
{
    if (reserve == nullptr)
        garbage();
    if (reserve != nullptr)
        return true;
    diserr(nomoveroom);
    return false;
}

// The block leaves the current corefile: the cursor and the window's first
// line, when they were in it, go to the line above it (or to the new first
// line); a corefile left without lines gets one empty line.
static void sourceops()
{
    COREFILE &f = curcore();
    LINE *above = first->up;
    detach();
    if (f.lncount > 0) {
        LINE *to = above != f.header ? above : f.header->down;
        if (b_curline) {
            f.lnptr = to;
            f.curflag = 1;
        }
        if (b_disln)
            f.disln = to;
    } else {
        f.lnptr = f.header;
        allocln(5, 0);
        makeobject();
        f.disln = f.lnptr;
        f.curcol = 1;
        f.curflag = 1;
    }
    clrstars();
}

// The block arrives after the current corefile's cursor line and stays
// starred there: star A on its last line, star B on its first.
static void destops()
{
    COREFILE &f = curcore();
    attach();
    f.starA = last;
    f.starB = first != last ? first : nullptr;
    f.starcount = first != last ? 2 : 1;
    f.nextstar = 'B';
}

void moveblock(int from, int to)
{
    int keep = corenum;
    corenum = from;
    if (curcore().starcount == 0) {
        corenum = keep;
        diserr(nostars);
        return;
    }
    locatestars();
    findinfo();
    if (lines == curcore().lncount && !recordinhand()) {
        corenum = keep;
        return;
    }
    sourceops();
    if (from != keep)                 // the edit loop numbers the current corefile's line
        curcore().curline = distance(curcore().header, curcore().lnptr);
    corenum = to;
    destops();
    corenum = keep;
    redisplay = RWINDOW;
}

void delete_() { moveblock(corenum, BLOCKCORE); }

void recover() { moveblock(BLOCKCORE, corenum); }

// ----------------------------------------------------------------- copying

static LINE dummyheader;              // head of the copy while it is built
static LINE *rfirst, *rlast;          // first and last line of the copy
static LINE *fphys, *lphys;           // the copy's physical chain
static int64_t ravail;                // where the copy's next text goes

void droplines(LINE *head)
{
    for (LINE *l = head->down; l != nullptr && l != head;) {
        LINE *next = l->down;
        l->object = -1;
        l->length = 0;
        l->nextphys = nullptr;
        lastphys->nextphys = l;
        lastphys = l;
        l = next;
    }
    head->up = head->down = head;
}

// A copy that could not be finished leaves nothing behind.
static void dropcopy()
{
    droplines(&dummyheader);
    for (int64_t i = avail; i < ravail; i++)
        textbase[i] = FREECH;
}

// The copy is built above avail and counted in only when complete, so a
// copy that runs out of room or records changes nothing.
static bool copyblock()
{
    dummyheader.up = dummyheader.down = &dummyheader;
    fphys = lphys = nullptr;
    ravail = avail;
    if (avail + charcount > hiaddr)
        return false;
    LINE *prev = &dummyheader;
    for (LINE *l = first;; l = l->down) {
        if (reserve == nullptr) {
            dropcopy();
            return false;
        }
        LINE *c = allochdr();
        c->up = prev;
        c->down = &dummyheader;
        prev->down = c;
        dummyheader.up = c;
        prev = c;
        c->nextphys = nullptr;
        c->object = l->object;
        c->linekey = l->linekey;
        if (l->object == 2) {
            c->length = 0;
            c->index = l->index;      // pictures are empty handles: the copy shares it
        } else {
            c->length = l->length;
            c->index = ravail;
            for (int i = 0; i < l->length; i++)
                textbase[ravail + i] = textbase[l->index + i];
            ravail += l->length;
        }
        if (c->object != 5) {
            if (lphys == nullptr)
                fphys = c;
            else
                lphys->nextphys = c;
            lphys = c;
        }
        if (l == last)
            break;
    }
    rfirst = dummyheader.down;
    rlast = dummyheader.up;
    if (fphys != nullptr) {
        lastphys->nextphys = fphys;
        lastphys = lphys;
    }
    return true;
}

void copyop()
{
    COREFILE &f = curcore();
    if (f.starcount == 0) {
        diserr(nostars);
        return;
    }
    detrfile();
    locatestars();
    findinfo();
    bool done = copyblock();
    if (!done) {
        garbage();
        if (!full)
            done = copyblock();
    }
    if (!done) {
        diserr(nocopyroom);
        return;
    }
    clrstars();
    avail = ravail;
    first = rfirst;
    last = rlast;
    int keep = corenum;
    corenum = BLOCKCORE;
    destops();
    corenum = keep;
    redisplay = RWINDOW;
}

// ---------------------------------------------------------- generator keys

// Every line of the current corefile goes to the end of corefile 8.
void gen_moveblock()
{
    COREFILE &f = curcore();
    if (f.lncount == 0 || corenum == GENCORE || !recordinhand())
        return;
    first = f.header->down;
    last = f.header->up;
    findinfo();
    sourceops();
    f.curline = 1;
    int keep = corenum;
    corenum = GENCORE;
    COREFILE &g = curcore();
    LINE *cursor = g.lnptr;
    g.lnptr = g.header->up;
    attach();
    g.lnptr = cursor;
    corenum = keep;
    redisplay = RWINDOW;
}

void gen_sleep()
{
    sleep(pauselength);
}
