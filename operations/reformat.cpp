// Refilling a paragraph between the margins, with hyphenation and right
// justification; aligning the cursor line; tab stops. The refilled lines
// are built above avail and counted in only when complete, so a reformat
// that runs out of room changes nothing; the old paragraph goes to
// corefile 0.
#include <cstring>
#include <string>
#include <vector>
#include "operations/operations.h"
#include "operations/reformat.h"
#include "operations/stars.h"
#include "commands/commands.h"
#include "screen/screen.h"

long bit_p = 1;

inline constexpr long MAX_P = 1073741824L;     // the bit goes back to 1 after this one
inline constexpr long JMASK = 0x5CA93659L;     // gaps widened while the bit is in the mask
inline constexpr int BLOCKCORE = 0;            // receives the old paragraph

static const char noroom[] = "inadequate free space for reformat";

void initreformat()
{
    lrcswitch = 1;
    bit_p = 1;
}

// ---------------------------------------------------------------- reading

static int firstnb(const LINE *l)
{
    for (int i = 0; i < l->length; i++)
        if (textbase[l->index + i] != ' ')
            return i + 1;
    return 0;
}

// The words of the paragraph from `col` of its first line to the end of
// `bottom`, one blank between them. A line end reads as a blank; a soft
// hyphen the reformat put at a line end goes with the line end, one
// elsewhere is dropped; a "-" typed at a line end after a non-blank is kept
// and joins the word to the next line, so the author's hyphen survives,
// unless the reformat marked that line end as a gap.
static std::string words;

static void readparagraph(const LINE *top, int col, const LINE *bottom)
{
    words.clear();
    bool blank = false;
    for (const LINE *l = top;; l = l->down) {
        const unsigned char *t = textbase + l->index;
        int n = l->length;
        bool join = false;
        for (int i = col - 1; i < n; i++) {
            unsigned char c = t[i];
            if (c == ' ') {
                blank = true;
                continue;
            }
            // the last character of the line, after a non-blank read
            bool atend = i == n - 1 && !blank && !words.empty();
            if (c == SOFTHYPHEN) {
                join = join || atend;
                continue;
            }
            if (c == GAPMARK && atend && i > 0 && t[i - 1] == '-')
                continue;
            if (c == '-' && atend)
                join = true;
            if (blank && !words.empty())
                words.push_back(' ');
            blank = false;
            words.push_back(static_cast<char>(c));
        }
        if (!join)
            blank = true;
        if (l == bottom)
            break;
        col = lmargin;
    }
}

// ---------------------------------------------------------------- building

static LINE built;                    // head of the built lines while they are built
static int64_t ravail;                // where the next built character goes
static bool spent;                    // the arena or the records ran out
static LINE *newln;                   // the line being built
static int numinline;                 // word gaps in it
static std::vector<int> extra;        // blanks each gap gets from the justification

static void putchars(const char *s, int n)
{
    if (spent || ravail + n > hiaddr) {
        spent = true;
        return;
    }
    std::memcpy(textbase + ravail, s, static_cast<size_t>(n));
    ravail += n;
    newln->length += n;
}

static void putblanks(int n)
{
    if (spent || ravail + n > hiaddr) {
        spent = true;
        return;
    }
    std::memset(textbase + ravail, ' ', static_cast<size_t>(n));
    ravail += n;
    newln->length += n;
}

static void newline(int indent)
{
    if (spent || reserve == nullptr) {
        spent = true;
        return;
    }
    LINE *l = allochdr();
    *l = LINE{};
    l->up = built.up;
    l->down = &built;
    built.up->down = l;
    built.up = l;
    l->object = 0;
    l->index = ravail;
    newln = l;
    numinline = 0;
    putblanks(indent);
}

// Spreads rmargin minus the length over the gaps: an even share each, the
// rest one blank at a time where the rotating bit falls in the mask.
static void justify()
{
    int len = newln->length;
    int more = rmargin - len;
    if (jmode != 1 || more < 1 || numinline == 0 || spent)
        return;
    if (ravail + more > hiaddr) {
        spent = true;
        return;
    }
    int gaps = numinline;
    extra.assign(static_cast<size_t>(gaps), more / gaps);
    int share = more / gaps;
    for (int r = more % gaps; r > 0;) {
        for (int j = 0; j < gaps && r > 0; j++) {
            if ((bit_p & JMASK) != 0 && extra[j] == share) {
                extra[j]++;
                r--;
            }
            bit_p = bit_p >= MAX_P ? 1 : bit_p * 2;
        }
    }
    unsigned char *t = textbase + newln->index;
    int from = len - 1, to = len + more - 1;
    for (int j = gaps - 1; j >= 0; from--) {
        unsigned char c = t[from];
        t[to--] = c;
        if (c == ' ')
            for (int k = extra[j--]; k > 0; k--)
                t[to--] = ' ';
    }
    newln->length += more;
    ravail += more;
}

// The refilled lines of the paragraph top..bottom, read from column `col`;
// false when the arena or the records ran out (nothing is changed then).
static bool refblock(const LINE *top, const LINE *bottom, int col)
{
    built.up = built.down = &built;
    ravail = avail;
    spent = false;
    bit_p = 1;                        // the same paragraph always gets the same pattern
    int nb = firstnb(top);
    int indent = nb > 0 ? nb - 1 : lmargin - 1;
    if (nb > 0 && col > nb) {
        newline(0);
        int keep = col - 1 < top->length ? col - 1 : top->length;
        if (!spent)
            putchars(reinterpret_cast<const char *>(textbase + top->index), keep);
        indent = lmargin - 1;
    }
    readparagraph(top, col, bottom);
    const char *w = words.data();
    size_t end = words.size(), pos = 0;
    bool open = false, hasword = false;
    for (unsigned turn = 1; !spent; turn++) {
        if (turn % 4096 == 1 && stopping()) {
            spent = true;             // given up: the paragraph stays as it was
            break;
        }
        while (pos < end && w[pos] == ' ')
            pos++;
        if (pos == end)
            break;
        size_t stop = pos;
        while (stop < end && w[stop] != ' ')
            stop++;
        int sz = static_cast<int>(stop - pos);
        if (!open) {
            newline(indent);
            indent = lmargin - 1;
            open = true;
            hasword = false;
            if (spent)
                break;
        }
        int room = rmargin - newln->length - (hasword ? 1 : 0);
        if (sz <= room) {
            if (hasword) {
                putblanks(1);
                numinline++;
            }
            putchars(w + pos, sz);
            hasword = true;
            pos = stop;
            continue;
        }
        int n = hyphenate(reinterpret_cast<const unsigned char *>(w + pos), sz, room - 1);
        if (n >= 1) {
            if (hasword) {
                putblanks(1);
                numinline++;
            }
            putchars(w + pos, n);
            if (!nohyphen) {
                const char soft = static_cast<char>(SOFTHYPHEN);
                putchars(&soft, 1);
            }
            pos += static_cast<size_t>(n);
            justify();
        } else {
            if (!hasword) {
                putchars(w + pos, sz);
                pos = stop;
            }
            justify();
            while (pos < end && w[pos] == ' ')
                pos++;
            if (!spent && pos < end && textbase[ravail - 1] == '-') {
                const char gap = static_cast<char>(GAPMARK);
                putchars(&gap, 1);
            }
        }
        open = false;
    }
    if (spent) {
        droplines(&built);
        return false;
    }
    return true;
}

// The paragraph from the cursor line: text lines on while the next one
// starts exactly at the left margin.
void reformat()
{
    COREFILE &f = curcore();
    LINE *top = f.lnptr;
    if (top == f.header || top->object != 0)
        return;
    detrline();
    LINE *end = top;
    int nlines = 1;
    int64_t nchars = top->length;
    bool hasdisln = f.disln == top, hasstar = f.starA == top || f.starB == top;
    for (LINE *next = end->down; next != f.header && next->object == 0; next = end->down) {
        f.lnptr = next;
        detrline();
        if (firstnb(next) != lmargin)
            break;
        end = next;
        nlines++;
        nchars += next->length;
        hasdisln = hasdisln || f.disln == next;
        hasstar = hasstar || f.starA == next || f.starB == next;
    }
    f.lnptr = top;
    bool done = refblock(top, end, f.curcol);
    if (!done && stopping())
        return;
    if (!done) {
        garbage();
        if (!full)
            done = refblock(top, end, f.curcol);
    }
    if (!done) {
        diserr(noroom);
        return;
    }
    avail = ravail;
    LINE *bfirst = built.down, *blast = built.up;
    int blines = 0;
    int64_t bchars = 0;
    for (LINE *l = bfirst; l != &built; l = l->down) {
        blines++;
        bchars += l->length;
        lastphys->nextphys = l;
        lastphys = l;
    }
    lastphys->nextphys = nullptr;
    built.up = built.down = &built;
    if (hasstar)
        clrstars();
    LINE *above = top->up;
    if (corenum == BLOCKCORE) {
        // The old paragraph has nowhere else to go: it is dropped.
        for (LINE *l = top, *stop = end->down; l != stop;) {
            LINE *next = l->down;
            f.lnptr = l;
            removeline();
            l = next;
        }
    } else {
        first = top;
        last = end;
        lines = nlines;
        charcount = nchars;
        detach();
        int keep = corenum;
        corenum = BLOCKCORE;
        attach();
        corenum = keep;
    }
    if (bfirst != &built) {
        first = bfirst;
        last = blast;
        lines = blines;
        charcount = bchars;
        f.lnptr = above;
        attach();
        f.lnptr = bfirst;
    } else {
        f.lnptr = above != f.header ? above : f.header->down;
    }
    if (f.lncount == 0) {                // nothing was built and nothing is left
        f.lnptr = f.header;
        allocln(5, 0);
        makeobject();
    }
    if (hasdisln || f.disln == f.header)
        f.disln = f.lnptr;
    f.edited = true;
    redisplay = RWINDOW;
}

// --------------------------------------------------------------- alignment

static unsigned char alignch;         // the character falign aligns on

// Room at avail for `n` characters more, collecting once when needed.
static bool roomfor(int64_t n)
{
    if (avail + n <= hiaddr && reserve != nullptr)
        return true;
    garbage();
    return avail + n <= hiaddr && reserve != nullptr;
}

static void centre()
{
    COREFILE &f = curcore();
    LINE *l = f.lnptr;
    if (l == f.header || l->object != 0)
        return;
    detrline();
    int fnb = findnb();
    if (fnb == 0)
        return;
    int64_t len = l->length;
    int64_t s = 0;
    switch (lrcswitch) {
    case 0:
        s = int64_t{lmargin} - fnb;
        break;
    case 1:
        s = (int64_t{lmargin} + rmargin - fnb - len);
        s = s >= 0 ? s / 2 : -((-s + 1) / 2);
        break;
    case 2:
        s = rmargin - len;
        break;
    default:
        for (int64_t c = fnb; c <= len; c++)
            if (textbase[l->index + c - 1] == alignch) {
                s = rmargin - c;
                break;
            }
        break;
    }
    if (s < 1 - fnb)
        s = 1 - fnb;
    if (s == 0)
        return;
    if (s > 0) {
        if (!roomfor(len + s)) {
            diserr("Inadequate space for this operation");
            return;
        }
        for (int64_t i = 0; i < s; i++)
            cadd(' ');
        l = f.lnptr;
        unsigned char *t = textbase + l->index;
        std::memmove(t + s, t, static_cast<size_t>(len));
        std::memset(t, ' ', static_cast<size_t>(s));
    } else {
        int64_t k = -s;
        unsigned char *t = textbase + l->index;
        std::memmove(t, t + k, static_cast<size_t>(len - k));
        std::memset(t + len - k, FREECH, static_cast<size_t>(k));
        l->length -= static_cast<int32_t>(k);
        f.charcount -= k;
        freecount += k;
    }
    redisplay = RLINE;
}

void flushleft()
{
    lrcswitch = 0;
    centre();
}

void fcenter()
{
    lrcswitch = 1;
    centre();
}

void flushright()
{
    lrcswitch = 2;
    centre();
}

void falign()
{
    glett();
    alignch = holdch;
    lrcswitch = 3;
    centre();
}

// ---------------------------------------------------------------- tab stops

void tabset()
{
    int col = curcore().curcol;
    if (col > lmargin && col < rmargin && col <= NTABCOLS) {
        tabs[col] = tabs[col] ? 0 : 1;
        prtabs();
    }
}
