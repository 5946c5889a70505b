// The text store: the 20 corefiles, their line records, the character arena
// with its physical chain and compacting collector, the primitives that add
// and remove characters and lines, the character scanner and positioning.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include "editor/editor.h"
#include "editor/charkind.h"

COREFILE core[NCORE];                 // the editing buffers
int corenum;                          // current corefile, 0..19
// A 24-row screen's text window until the terminal is measured.
int windowtop = 2;
int windowend = 21;
int depth = 20;
redrawlevel redisplay = RNONE;
// The arena. Below avail, FREECH marks a free character; everything from
// avail on is free whatever it holds, so the arena is not filled up front
// and its pages are touched only as text arrives. Only its first page is
// marked free at start, so that the diagnostic dump, which shows the first
// characters, shows the unused ones of a small store as free.
unsigned char textbase[TEXTSIZE];
inline constexpr int64_t MARKEDHEAD = 4096;
int64_t avail;                        // new text always goes here
int64_t hiaddr = HIADDR;              // collector threshold; the rest is head-room
LINE *reserve;                        // one record kept in hand for the next line
bool full;                            // no room after the last collection
int64_t freecount;
LINE firstphys;                       // anchor: firstphys.nextphys is the first record
LINE *lastphys = &firstphys;          // last record on the chain
LINE *lp;                             // scanner line
int cp;                               // scanner column from 1
int dist;                             // lines moved since setptr

// Line records come from slabs kept for the life of the program, so that
// records made one after another lie together in memory and the collector's
// walk along the chain runs through memory in order. Sanitizer builds use
// the heap directly, so that a record used after it was freed is caught.
#if defined(__SANITIZE_ADDRESS__)
static LINE *newrec() { return new (std::nothrow) LINE{}; }
static void freerec(LINE *line) { delete line; }
#else
inline constexpr int SLABSIZE = 4096;
static std::vector<std::unique_ptr<LINE[]>> slabs;
static int slabused = SLABSIZE;       // records handed out of the newest slab
static LINE *freerecs;                // free records linked through nextphys

// A freed record is reused first; otherwise the next untouched record of the
// newest slab, so that memory is touched only as records are wanted.
static LINE *newrec()
{
    LINE *line = freerecs;
    if (line != nullptr) {
        freerecs = line->nextphys;
    } else {
        if (slabused == SLABSIZE) {
            std::unique_ptr<LINE[]> slab(new (std::nothrow) LINE[SLABSIZE]);
            if (slab == nullptr)
                return nullptr;
            slabs.push_back(std::move(slab));
            slabused = 0;
        }
        line = &slabs.back()[slabused++];
    }
    *line = LINE{};
    return line;
}

static void freerec(LINE *line)
{
    if (line == nullptr)
        return;
    line->nextphys = freerecs;
    freerecs = line;
}
#endif

// One line whose number is known, per corefile, so that finding the number
// of a line near it costs the lines between them, not the lines above. Every
// change of a corefile's up/down links goes through this file, which keeps
// the hint right or drops it (linkschanged).
struct linehint {
    const LINE *line;                 // null: nothing known
    int number;                       // distance from the header
};
static linehint hints[NCORE];

void linkschanged() { hints[corenum].line = nullptr; }

// A record is on the physical chain exactly when it is the last one or
// something follows it: records off the chain always have a null nextphys.
static bool onchain(const LINE *line)
{
    return line == lastphys || line->nextphys != nullptr;
}

static void freechars(const LINE *line)
{
    if (line->object != 2 && line->length > 0)
        freecount += line->length;
    if (line->object != 2 && line->length > 0)
        std::memset(textbase + line->index, FREECH, static_cast<size_t>(line->length));
}

// Every record of the store goes back to the heap: lines of the corefiles,
// their headers, dead records still on the chain and the reserve.
static void freestore()
{
    for (COREFILE &f : core) {
        if (f.header == nullptr)
            continue;
        for (LINE *line = f.header->down; line != f.header;) {
            LINE *next = line->down;
            if (!onchain(line))
                freerec(line);
            line = next;
        }
        if (!onchain(f.header))
            freerec(f.header);
    }
    for (LINE *line = firstphys.nextphys; line != nullptr;) {
        LINE *next = line->nextphys;
        freerec(line);
        line = next;
    }
    freerec(reserve);
    reserve = nullptr;
    firstphys = LINE{};
    lastphys = &firstphys;
}

void initcore()
{
    freestore();
    for (linehint &h : hints)
        h.line = nullptr;
    std::memset(textbase, FREECH, MARKEDHEAD);
    avail = 0;
    hiaddr = HIADDR;
    full = false;
    lp = nullptr;
    cp = 1;
    dist = 0;
    allochdr();                       // primes the reserve
    for (int i = 0; i < NCORE; i++) {
        COREFILE &f = core[i];
        f = COREFILE{};
        f.cnextstar = 'A';
        LINE *h = allochdr();
        if (h == nullptr)
            h = allochdr();
        if (h == nullptr)
            h = new LINE{};           // nothing can run without the headers
        h->length = 0;
        h->object = 5;
        f.header = h;
        f.viewtype = 0;
        corenum = i;
        initfile();
        allocln(5, 0);
        f.disln = f.lnptr;
    }
    corenum = 1;
}

void initfile()
{
    COREFILE &f = curcore();
    f.starA = f.starB = nullptr;
    f.nextstar = 'A';
    f.starcount = 0;
    f.header->up = f.header->down = f.header;
    linkschanged();
    f.lnptr = f.header;
    f.disln = f.header;               // until the corefile gets a line again
    f.curcol = 1;
    f.curline = 1;
    f.lncount = 0;
    f.charcount = 0;
    f.filname[0] = '\0';
    f.edited = false;
    f.curflag = 1;
}

void removefile()
{
    COREFILE &f = curcore();
    linkschanged();
    for (LINE *line = f.header->down; line != f.header;) {
        LINE *next = line->down;
        if (line->object == 2)
            freepic(line->index);
        freechars(line);
        if (onchain(line))
            line->object = -1;        // the collector frees it
        else
            freerec(line);
        line = next;
    }
}

void clrfile()
{
    removefile();
    initfile();
    garbage();
    allocln(5, 0);
    makeobject();
    wrwholescreen();
}

void wrwholescreen()
{
    COREFILE &f = curcore();
    f.lnptr = f.header->down;
    f.curcol = 1;
    f.curline = 1;
    f.disln = f.lnptr;
    if (f.lnptr->object == 2)
        f.curflag = 2;                // the picture cursor itself is empty here
    redisplay = RWINDOW;
}

void nmeset(const char *name)
{
    COREFILE &f = curcore();
    size_t n = strnlen(name, sizeof f.filname - 1);
    std::memcpy(f.filname, name, n);
    f.filname[n] = '\0';
}

// ------------------------------------------------------------------- lines

void dropreserve()
{
    freerec(reserve);
    reserve = nullptr;
}

LINE *allochdr()
{
    LINE *line = reserve;
    reserve = newrec();
    return line;
}

// Creates nothing when no record can be had (reserve was null); callers that
// must know test reserve first.
void allocln(int object, int length)
{
    COREFILE &f = curcore();
    LINE *line = allochdr();
    if (line == nullptr)
        return;
    LINE *after = f.lnptr;
    if (hints[corenum].line != after)
        linkschanged();               // a line after the known one moves no number
    line->up = after;
    line->down = after->down;
    after->down->up = line;
    after->down = line;
    line->nextphys = nullptr;
    line->object = object;
    line->length = length;
    line->index = avail;
    avail += length;
    f.lncount++;
    f.charcount += length;
    f.lnptr = line;
}

// A record already on the chain, or one without text, is left alone: linking
// it again would cut the chain.
void linkphys()
{
    LINE *line = curcore().lnptr;
    if (line->object == 5 || onchain(line))
        return;
    line->nextphys = nullptr;
    lastphys->nextphys = line;
    lastphys = line;
}

void removeline()
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    if (line == f.header)
        return;
    if (f.starA == line) {
        f.starA = nullptr;
        f.nextstar = 'A';
        f.starcount--;
    }
    if (f.starB == line) {
        f.starB = nullptr;
        f.nextstar = 'B';
        f.starcount--;
    }
    LINE *above = line->up;
    linehint &h = hints[corenum];
    if (h.line == line && above != f.header)
        h = {above, h.number - 1};
    else
        linkschanged();
    line->up->down = line->down;
    line->down->up = line->up;
    if (f.disln == line)
        f.disln = above != f.header ? above : line->down;
    f.lnptr = above;                  // the caller chooses; never left dangling
    if (lp == line)
        lp = above;
    if (line->object == 2)
        freepic(line->index);
    freechars(line);
    f.charcount -= line->length;
    f.lncount--;
    if (onchain(line))
        line->object = -1;
    else
        freerec(line);
}

// Moves the current line's text to avail under a new record; false when
// there is no record or no room for it.
static bool moveline()
{
    COREFILE &f = curcore();
    LINE *old = f.lnptr;
    if (old == f.header || old->object == 5 || old->object == 2)
        return false;
    if (avail + old->length > TEXTSIZE || reserve == nullptr)
        return false;
    LINE *line = allochdr();
    if (hints[corenum].line == old)
        hints[corenum].line = line;   // same place, new record
    line->up = old->up;
    line->down = old->down;
    old->up->down = line;
    old->down->up = line;
    line->nextphys = nullptr;
    line->object = old->object;
    line->length = old->length;
    line->linekey = old->linekey;
    line->index = avail;
    std::memcpy(textbase + avail, textbase + old->index, static_cast<size_t>(old->length));
    freechars(old);
    avail += old->length;
    if (onchain(old))
        old->object = -1;
    else
        freerec(old);
    f.lnptr = line;
    linkphys();
    if (f.disln == old)
        f.disln = line;
    if (f.starA == old)
        f.starA = line;
    if (f.starB == old)
        f.starB = line;
    if (lp == old)
        lp = line;
    return true;
}

void shiftline()
{
    moveline();
}

void insline()
{
    COREFILE &f = curcore();
    LINE *before = f.lnptr;
    allocln(5, 0);
    if (f.lnptr == before)
        return;                       // no record to be had
    makeobject();
    f.edited = true;
    redisplay = RBELOW;
    mwd();
}

// From a corefile's header, starts at the line whose number is known and
// looks both ways; found, the line becomes the known one.
static bool hinted(const LINE *header, const LINE *target, int &n)
{
    int i = 0;
    while (i < NCORE && core[i].header != header)
        i++;
    if (i == NCORE)
        return false;
    linehint &h = hints[i];
    if (h.line != nullptr) {
        const LINE *down = h.line, *up = h.line;
        for (int k = 0; down != nullptr || up != nullptr; k++) {
            if (down == target) {
                n = h.number + k;
                h = {target, n};
                return true;
            }
            if (up == target) {
                n = h.number - k;
                h = {target, n};
                return true;
            }
            down = down != nullptr && down->down != header ? down->down : nullptr;
            up = up != nullptr && up->up != header ? up->up : nullptr;
        }
    }
    n = 0;
    for (const LINE *line = header; line != target; line = line->down) {
        n++;
        if (line->down == header)
            return true;              // not in the list: the full round
    }
    if (target != header)
        h = {target, n};
    return true;
}

// Steps down the circular list; a line not in it gives the full round.
int distance(const LINE *l1, const LINE *l2)
{
    int n = 0;
    if (hinted(l1, l2, n))
        return n;
    for (const LINE *line = l1; line != l2; line = line->down) {
        n++;
        if (line->down == l1)
            break;
    }
    return n;
}

// -------------------------------------------------- characters of the line

int64_t curptr()
{
    const COREFILE &f = curcore();
    return f.lnptr->index + f.curcol - 1;
}

int64_t endptr()
{
    const LINE *line = curcore().lnptr;
    return line->index + line->length;
}

// Grows the line in place when the character behind it is free or is avail
// itself; otherwise the line moves to the end of the arena first. Refused on
// the header, a picture, or when the arena or the records run out.
bool cadd(unsigned char c)
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    if (line == f.header || line->object == 2 || line->object == -1)
        return false;
    if (line->object == 5) {
        if (avail >= TEXTSIZE)
            return false;
        line->index = avail;
        line->length = 0;
        line->object = 0;
        linkphys();
    } else {
        int64_t end = endptr();
        if (end != avail && (end >= TEXTSIZE || textbase[end] != FREECH)) {
            if (!moveline())
                return false;
            line = f.lnptr;
        }
    }
    int64_t end = endptr();
    if (end >= TEXTSIZE)
        return false;
    textbase[end] = c;
    line->length++;
    f.charcount++;
    if (end == avail)
        avail++;
    return true;
}

void cinsert(int n)
{
    const COREFILE &f = curcore();
    const LINE *line = f.lnptr;
    int tail = line->length - (f.curcol - 1) - n;
    if (n <= 0 || f.curcol < 1 || tail <= 0)
        return;
    int64_t at = curptr();
    std::memmove(textbase + at + n, textbase + at, static_cast<size_t>(tail));
}

void cremove(int n)
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    if (line->object == 2 || f.curcol < 1)
        return;
    int left = line->length - (f.curcol - 1);
    if (n > left)
        n = left;
    if (n <= 0)
        return;
    int64_t at = curptr();
    for (int i = 0; i < n; i++)
        savechar(textbase[at + i]);
    int tail = left - n;
    std::memmove(textbase + at, textbase + at + n, static_cast<size_t>(tail));
    std::memset(textbase + at + tail, FREECH, static_cast<size_t>(n));
    freecount += n;
    line->length -= n;
    f.charcount -= n;
}

bool canstore(int64_t n)
{
    int64_t stored = 0;
    for (const COREFILE &c : core)
        stored += c.charcount;
    return n <= hiaddr - stored;
}

// Padding that would fill even a collected arena past its head-room is
// refused at once, not written blank by blank and then taken back.
void extline()
{
    COREFILE &f = curcore();
    if (!canstore(int64_t{f.curcol} - f.lnptr->length))
        return;
    while (f.curcol > f.lnptr->length)
        if (!cadd(' '))
            break;                    // arena or records exhausted
}

void erasefield()
{
    const COREFILE &f = curcore();
    const LINE *line = f.lnptr;
    int n = 0;
    for (int col = f.curcol; col >= 1 && col <= line->length; col++) {
        if (textbase[line->index + col - 1] == '|')
            break;
        n++;
    }
    cremove(n);
}

int findnb()
{
    const LINE *line = curcore().lnptr;
    if (line->object == 2)
        return 0;
    for (int i = 0; i < line->length; i++)
        if (textbase[line->index + i] != ' ')
            return i + 1;
    return 0;
}

static void detr(COREFILE &f, LINE *line)
{
    if (line->object == 2)
        return;
    while (line->length > 0 && textbase[line->index + line->length - 1] == ' ') {
        line->length--;
        textbase[line->index + line->length] = FREECH;
        f.charcount--;
        freecount++;
    }
}

void detrline()
{
    COREFILE &f = curcore();
    detr(f, f.lnptr);
}

void detrfile()
{
    COREFILE &f = curcore();
    for (LINE *line = f.header->down; line != f.header; line = line->down)
        detr(f, line);
}

// Field n starts after the (n-1)th "|"; a line with fewer fields gives its end.
int locatefield(const LINE *line, int n)
{
    int bars = 0;
    for (int i = 0; i < line->length && bars < n - 1; i++)
        if (textbase[line->index + i] == '|' && ++bars == n - 1)
            return i + 1;
    return n <= 1 ? 0 : line->length;
}

bool locateword(int n)
{
    const LINE *header = curcore().header;
    for (int i = 1; i < n; i++) {
        if (lp != header && peepc() == 4)
            nextc();                  // byte 4 both ends a word and is one, of one byte
        else
            while (lp != header && !(kindof(peepc()) & KDELIM))
                nextc();
        while (lp != header && !(kindof(peepc()) & KWORD))
            nextc();
        if (lp == header)
            return false;
    }
    return lp != header;
}

// ------------------------------------------------------------------ scanner

void setptr()
{
    const COREFILE &f = curcore();
    lp = f.lnptr;
    dist = 0;
    cp = f.curcol > f.lnptr->length ? f.lnptr->length + 1 : f.curcol;
}

int peepc()
{
    if (lp == curcore().header)
        return 4;
    if (cp > lp->length || lp->object == 2)
        return 10;
    return textbase[lp->index + cp - 1];
}

void nextc()
{
    if (lp == curcore().header)
        return;
    if (cp > lp->length) {
        lp = lp->down;
        cp = 1;
        dist++;
    } else {
        cp++;
    }
}

void prevc()
{
    if (lp == curcore().header)
        return;
    if (cp > 1) {
        cp--;
    } else {
        lp = lp->up;
        cp = lp->length + 1;
        dist--;
    }
}

void setcur()
{
    COREFILE &f = curcore();
    if (lp == f.header)
        return;
    int row = distance(f.disln, f.lnptr) + dist;
    if (row < 0 || row >= depth || (f.viewtype == 2 && lp != f.lnptr)) {
        f.disln = lp;
        redisplay = RWINDOW;
    }
    f.lnptr = lp;
    f.curcol = cp;
}

// ---------------------------------------------------------------- position

void advfile(int n, int count, int64_t col)
{
    COREFILE &f = curcore();
    if (count != 0) {
        LINE *line = n == 0 ? f.header : f.lnptr;
        for (; count > 0 && line->down != f.header; count--)
            line = line->down;
        for (; count < 0 && line->up != f.header; count++)
            line = line->up;
        if (line != f.header) {
            f.lnptr = line;
            f.disln = line;
        }
        redisplay = RWINDOW;
    }
    if (n != 0)
        col += f.curcol;
    if (n == 0 && col < 1)
        col += f.lnptr->length + 1;
    if (col < 1)
        col = 1;
    if (col > MAXCOLUMN)
        col = MAXCOLUMN;
    f.curcol = static_cast<int>(col);
}

// ------------------------------------------------------------ output lines

// Once a line finds no room even after a collection, output stops with one
// notice in the head-room, and later lines are dropped at once until the
// editor has freed text that a collection could reclaim.
static bool outputstopped;
static int64_t freedat = -1;          // freecount after the collection that found no room

static void putline(int n, int object, std::string_view text)
{
    auto len = static_cast<int64_t>(text.size());
    int keep = corenum;
    corenum = n;
    COREFILE &f = core[n];
    f.lnptr = f.header->up;
    std::memcpy(textbase + avail, text.data(), static_cast<size_t>(len));
    allocln(len == 0 && object == 0 ? 5 : object, static_cast<int>(len));
    linkphys();
    f.curline = f.lncount;
    if (distance(f.disln, f.lnptr) + windowtop > windowend)
        f.disln = f.lnptr;
    f.curcol = 1;
    corenum = keep;
    if (n == keep)
        redisplay = RWINDOW;
}

void v_line(int n, int object, std::string_view text)
{
    if (n < 0 || n >= NCORE || core[n].header == nullptr)
        return;
    auto len = static_cast<int64_t>(text.size());
    if (avail + len > hiaddr && freecount != freedat) {
        garbage();
        freedat = freecount;
    }
    if (avail + len > hiaddr || reserve == nullptr) {
        full = true;
        static constexpr std::string_view notice = "output stopped: files full";
        if (!outputstopped && reserve != nullptr && avail + int64_t{notice.size()} <= TEXTSIZE)
            putline(n, 0, notice);
        outputstopped = true;
        return;
    }
    outputstopped = false;
    putline(n, object, text);
}

void v_vlinef(int n, const char *fmt, va_list ap)
{
    char line[ENGLINESIZE];
    int k = std::vsnprintf(line, sizeof line, fmt, ap);
    if (k < 0)
        k = 0;
    if (static_cast<size_t>(k) >= sizeof line)   // a cut line says so
        std::memcpy(line + sizeof line - 4, "...", 3);
    v_line(n, 0, std::string_view(line, std::min<size_t>(static_cast<size_t>(k), sizeof line - 1)));
}

void v_linef(int n, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    v_vlinef(n, fmt, ap);
    va_end(ap);
}

// ---------------------------------------------------------------- collector

// Trailing spaces become free, then the live text is packed down from 0 in
// chain order and dead records are freed. The chain is in ascending offset
// order, so each run moves towards lower offsets over text already copied.
void garbage()
{
    int keep = corenum;
    for (corenum = 0; corenum < NCORE; corenum++)
        if (core[corenum].header != nullptr)
            detrfile();
    corenum = keep;

    avail = 0;
    LINE *prev = &firstphys;
    for (LINE *line = prev->nextphys; line != nullptr; line = prev->nextphys) {
        if (line->object == -1) {
            prev->nextphys = line->nextphys;
            if (line == lastphys)
                lastphys = prev;
            if (lp == line)
                lp = core[corenum].header;
            freerec(line);
            continue;
        }
        if (line->object != 2) {      // a picture's index is its handle
            if (line->index != avail) {
                std::memmove(textbase + avail, textbase + line->index, static_cast<size_t>(line->length));
                line->index = avail;
            }
            avail += line->length;
        }
        prev = line;
    }
    if (reserve == nullptr)
        allochdr();
    full = avail > hiaddr || reserve == nullptr;
}
