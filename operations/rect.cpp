// Rectangular blocks: the star block's lines crossed with the columns
// between the two column stars. A rectangle is stored, then deleted, cleared
// to spaces, or inserted or written over the text at the cursor; blank
// columns can be inserted into the starred lines.
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <vector>
#include "operations/operations.h"
#include "operations/stars.h"
#include "screen/screen.h"
#include "commands/commands.h"

static int cfirst, clast;             // the rectangle's first and last column
static std::vector<unsigned char> rptr;  // the stored rectangle, row after row; empty: none
static int rrows, rcols;

inline constexpr int64_t LINERECBYTES = 58;  // what one line record is taken to cost

static const char norect[] = "No rectangle defined";
static const char nostored[] = "No rectangle stored";
static const char nostarred[] = "No starred lines defined";
static const char nomemory[] = "Inadequate memory for stored rectangle";
static const char nospace[] = "Inadequate space for this operation";

// ---------------------------------------------------------- column stars

static void clrcstars()
{
    COREFILE &f = curcore();
    f.cstarA = f.cstarB = 0;
    f.cstarcount = 0;
    f.cnextstar = 'A';
}

static int delcstar()
{
    COREFILE &f = curcore();
    if (f.cstarA != 0 && f.cstarA == f.curcol) {
        f.cstarA = 0;
        f.cnextstar = 'A';
        f.cstarcount--;
        return 1;
    }
    if (f.cstarB != 0 && f.cstarB == f.curcol) {
        f.cstarB = 0;
        f.cnextstar = 'B';
        f.cstarcount--;
        return 1;
    }
    return 0;
}

void makecstars()
{
    COREFILE &f = curcore();
    if (!delcstar()) {
        if (f.cnextstar == 'A') {
            f.cstarA = f.curcol;
            f.cnextstar = 'B';
        } else {
            f.cstarB = f.curcol;
            f.cnextstar = 'A';
        }
        if (f.cstarcount < 2)
            f.cstarcount++;
    }
    prtabs();
}

void clearallstars()
{
    clrstars();
    clrcstars();
    prtabs();
    mode = 1;
    prmptpar(mode);
    redisplay = RFLAGS;
}

// ------------------------------------------------------------------ room

// 1 when `ch` more characters would pass the soft end of the arena or `ln`
// line records cannot be had from the heap.
static int inadequate(int64_t ln, int64_t ch)
{
    if (avail + ch > hiaddr)
        return 1;
    if (ln > 0) {
        std::unique_ptr<char[]> probe(new (std::nothrow) char[static_cast<size_t>(ln * LINERECBYTES)]);
        if (probe == nullptr)
            return 1;
    }
    return 0;
}

static bool room(int64_t ln, int64_t ch)
{
    if (!inadequate(ln, ch))
        return true;
    garbage();
    if (!inadequate(ln, ch))
        return true;
    diserr(nospace);
    return false;
}

// Characters a change of `n` lines from the cursor line down may take at
// avail: every line that grows may move whole to the end of the arena,
// padded to `width` and `extra` wider. Lines appended count as empty.
static int64_t growth(int n, int64_t width, int64_t extra)
{
    const COREFILE &f = curcore();
    int64_t need = 0;
    const LINE *l = f.lnptr;
    for (int i = 0; i < n; i++) {
        int64_t len = l != f.header && l->object != 5 && l->object != 2 ? l->length : 0;
        need += (len > width ? len : width) + extra;
        if (l != f.header)
            l = l->down;
    }
    return need;
}

static int64_t linesneeded(int n)
{
    const COREFILE &f = curcore();
    int64_t have = 0;
    for (const LINE *l = f.lnptr; l != f.header && have < n; l = l->down)
        have++;
    return n - have;
}

// ---------------------------------------------------------- the rectangle

static bool xcopyrect()
{
    rptr.clear();
    rptr.shrink_to_fit();
    int64_t cols = int64_t{clast} - cfirst + 1;
    try {
        rptr.resize(static_cast<size_t>(cols * lines));
    } catch (const std::exception &) {
        rptr.clear();
        diserr(nomemory);
        return false;
    }
    rcols = static_cast<int>(cols);
    rrows = lines;
    size_t at = 0;
    for (const LINE *l = first;; l = l->down) {
        for (int64_t col = cfirst; col <= clast; col++) {
            bool here = l->object != 2 && l->object != 5 && col <= l->length;
            rptr[at++] = here ? textbase[l->index + col - 1] : ' ';
        }
        if (l == last)
            break;
    }
    return true;
}

// The rectangle of the stars stored; false when there is none or it could
// not be stored.
static bool storerect()
{
    COREFILE &f = curcore();
    if (f.starcount == 0 || f.cstarcount == 0) {
        diserr(norect);
        return false;
    }
    int a = f.cstarA != 0 ? f.cstarA : f.cstarB;
    int b = f.cstarB != 0 ? f.cstarB : f.cstarA;
    cfirst = a < b ? a : b;
    clast = a < b ? b : a;
    locatestars();
    findinfo();
    del = 0;
    return xcopyrect();
}

// Runs `op` on each line of the block with the cursor on it, leaving the
// cursor where it was. A line that grows may move to a new record; the
// cursor follows it.
template <typename Op> static void eachline(Op op)
{
    COREFILE &f = curcore();
    LINE *keep = f.lnptr;
    int col = f.curcol;
    for (LINE *l = first;;) {
        LINE *next = l->down;
        bool end = l == last;
        f.lnptr = l;
        op(l);
        if (l == keep)
            keep = f.lnptr;
        if (end)
            break;
        l = next;
    }
    f.lnptr = keep;
    f.curcol = col;
}

static void clearrect()
{
    eachline([](LINE *l) {
        if (l->object == 2)
            return;
        for (int col = cfirst; col <= clast && col <= l->length; col++)
            textbase[l->index + col - 1] = ' ';
    });
}

// A gap of n spaces at the cursor of a line already grown by n.
static void opengap(int n)
{
    cinsert(n);
    int64_t at = curptr();
    for (int i = 0; i < n; i++)
        textbase[at + i] = ' ';
}

// The current line and the `rrows` - 1 below it, lines added at the end of
// the corefile where it ends, each made at least `width` long and then
// `gap` wider at the cursor column. The cursor stays on its line.
static void widen(int64_t width, int gap)
{
    COREFILE &f = curcore();
    int col = f.curcol;
    LINE *cursor = nullptr;
    for (int r = 0; r < rrows; r++) {
        if (r > 0) {
            if (f.lnptr->down == f.header) {
                if (reserve == nullptr)
                    break;
                allocln(5, 0);
            } else {
                f.lnptr = f.lnptr->down;
            }
        }
        while (f.lnptr->length < width && cadd(' ')) {}
        bool grown = true;
        for (int i = 0; i < gap && grown; i++)
            grown = cadd(' ');
        if (grown && gap > 0) {
            f.curcol = col;
            opengap(gap);
        }
        if (r == 0)
            cursor = f.lnptr;         // the line may have moved in the arena
    }
    if (cursor != nullptr)
        f.lnptr = cursor;
    f.curcol = col;
}

// The stored rows written at the cursor column, one per line from the
// cursor line down, into lines already long enough.
static void xrestorerect()
{
    COREFILE &f = curcore();
    const LINE *l = f.lnptr;
    for (int r = 0; r < rrows && l != f.header; r++, l = l->down) {
        if (l->object == 2 || l->object == 5 || l->length < f.curcol - 1 + rcols)
            continue;
        for (int j = 0; j < rcols; j++)
            textbase[l->index + f.curcol - 1 + j] = rptr[static_cast<size_t>(r) * rcols + j];
    }
}

static bool insertroom()
{
    int64_t col = curcore().curcol;
    return room(linesneeded(rrows), growth(rrows, col - 1, rcols));
}

static bool overroom()
{
    int64_t col = curcore().curcol;
    return room(linesneeded(rrows), growth(rrows, col - 1 + rcols, 0));
}

static void xinsertrect()
{
    widen(curcore().curcol - 1, rcols);
}

static void xoverrect()
{
    widen(int64_t{curcore().curcol} - 1 + rcols, 0);
}

// ------------------------------------------------------------- the keys

void deleterect()
{
    if (!storerect())
        return;
    eachline([](LINE *l) {
        COREFILE &f = curcore();
        int end = clast < l->length ? clast : l->length;
        if (l->object == 2 || end < cfirst)
            return;
        f.curcol = cfirst;
        cremove(end - cfirst + 1);
    });
    redisplay = RWINDOW;
}

void cpclrrect()
{
    if (!storerect())
        return;
    clearrect();
    redisplay = RWINDOW;
}

void copyrect()
{
    if (!storerect() || !insertroom())
        return;
    xinsertrect();
    xrestorerect();
    redisplay = RWINDOW;
}

void insertrect()
{
    if (rptr.empty()) {
        diserr(nostored);
        return;
    }
    if (!insertroom())
        return;
    xinsertrect();
    xrestorerect();
    redisplay = RWINDOW;
}

void overwrect()
{
    if (rptr.empty()) {
        diserr(nostored);
        return;
    }
    if (!overroom())
        return;
    xoverrect();
    xrestorerect();
    redisplay = RWINDOW;
}

// The rectangle moves to the cursor: cleared where it was, written over
// the text at the cursor.
void cpclrovrect()
{
    if (!storerect() || !overroom())
        return;
    clearrect();
    xoverrect();
    xrestorerect();
    redisplay = RWINDOW;
}

void insertcols()
{
    COREFILE &f = curcore();
    if (f.starcount == 0) {
        diserr(nostarred);
        return;
    }
    int n = gnum();
    if (n <= 0)
        n = 1;
    locatestars();
    findinfo();
    int col = f.curcol;
    auto reaches = [col](const LINE *l) {
        if (l->object == 2 || l->object == 5)
            return false;
        int len = l->length;
        while (len > 0 && textbase[l->index + len - 1] == ' ')
            len--;
        return len >= col;
    };
    int64_t need = 0;
    for (const LINE *l = first;; l = l->down) {
        if (reaches(l))
            need += int64_t{l->length} + n;
        if (l == last)
            break;
    }
    if (!room(0, need))
        return;
    eachline([&](LINE *l) {
        if (!reaches(l))
            return;
        bool grown = true;
        for (int i = 0; i < n && grown; i++)
            grown = cadd(' ');
        if (grown) {
            curcore().curcol = col;
            opengap(n);
        }
    });
    redisplay = RWINDOW;
}
