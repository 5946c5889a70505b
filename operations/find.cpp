// Searching: the pattern language and its matcher over the text of a
// corefile, the fast character scan, the units a search steps by, the
// wildcard matcher with its captures, the search keys and commands, and
// the word and sentence statistics.
#include <cstdint>
#include <cstring>
#include "operations/search.h"
#include "editor/charkind.h"
#include "commands/commands.h"
#include "screen/screen.h"
#include "engine/engine.h"

unsigned char peepchar;
long matcharray[PATTSIZE];
int wordlen[NWORDLENS];
int sentlen[NSENTLENS];

// Pattern codes, typed in braces.
static constexpr unsigned char PANY = 3;      // {C} any one character
static constexpr unsigned char PDELIMS = 5;   // {E} one or more word delimiters
static constexpr unsigned char PGAP = 1;      // {A} a gap of up to 19 characters
static constexpr unsigned char PWORDGAP = 23; // {W} a gap inside a word
static constexpr unsigned char PNOT = 14;     // {N} negates the whole match
static constexpr int GAPREACH = 19;

void initsearch()
{
    peepchar = 0;
    std::memset(matcharray, 0, sizeof matcharray);
    std::memset(wordlen, 0, sizeof wordlen);
    std::memset(sentlen, 0, sizeof sentlen);
    boolcheck = boolerror = 0;
    numchecks = 0;
    cmperr = 0;
    boolstring[0] = 0;
    findbufptr = findbotptr = 0;
}

// ------------------------------------------------------------- positions

int textlength(const LINE *l)
{
    return l->object == 2 || l->object < 0 ? 0 : l->length;
}

static const LINE *header() { return curcore().header; }

// The character at p and the step on, for a corefile with header hdr.
static int charin(const SPOS &p, const LINE *hdr)
{
    if (p.l == hdr)
        return 4;
    if (p.c > textlength(p.l))
        return 10;
    return textbase[p.l->index + p.c - 1];
}

static void stepin(SPOS &p, const LINE *hdr)
{
    if (p.l == hdr)
        return;
    if (p.c > textlength(p.l)) {
        p.l = p.l->down;
        p.c = 1;
    } else {
        p.c++;
    }
}

int charat(const SPOS &p) { return charin(p, header()); }
void stepon(SPOS &p) { stepin(p, header()); }

// A character that both ends a word and makes one (byte 4) would stop
// both walks where they start: a unit always moves on by one at least, so
// that a search by units ends on every text.
static void atleastone(SPOS &p, const SPOS &from)
{
    if (p.l == from.l && p.c == from.c)
        stepon(p);
}

void wordon(SPOS &p)
{
    SPOS from = p;
    while (!(kindof(charat(p)) & KDELIM))
        stepon(p);
    while (!(kindof(charat(p)) & KWORD))
        stepon(p);
    atleastone(p, from);
}

static void sentenceon(SPOS &p)
{
    SPOS from = p;
    while (!(kindof(charat(p)) & KSENTEND))
        stepon(p);
    while (!(kindof(charat(p)) & KWORD))
        stepon(p);
    atleastone(p, from);
}

// ---------------------------------------------------------------- matcher

namespace {

// Failures of the rest of a pattern at a given distance from the start of
// the match, remembered while one match with several gaps is tried, so that
// gaps behind gaps cost the product of their reaches only once.
constexpr int MEMOPATT = 64;
constexpr int MEMOSPAN = 1024;
uint32_t memo[MEMOPATT][MEMOSPAN];
uint32_t memostamp;
bool memoon;

struct MATCHER {
    const unsigned char *pat;
    const LINE *hdr;

    int at(const SPOS &p) const { return charin(p, hdr); }
    void step(SPOS &p) const { stepin(p, hdr); }

    bool tryat(int i, const SPOS &p, int off) const
    {
        bool remembered = memoon && i < MEMOPATT && off < MEMOSPAN;
        if (remembered && memo[i][off] == memostamp)
            return false;
        bool ok = rest(i, p, off);
        if (!ok && remembered)
            memo[i][off] = memostamp;
        return ok;
    }

    // Whether the pattern from index i holds at p, off characters from
    // where the match began.
    bool rest(int i, SPOS p, int off) const
    {
        for (;;) {
            unsigned char c = pat[i];
            if (c == 0)
                return true;
            if (c >= 32) {
                if (at(p) != c)
                    return false;
                step(p);
                off++;
                i++;
                continue;
            }
            switch (c) {
            case PANY:
                if (p.l == hdr)
                    return false;
                step(p);
                off++;
                i++;
                break;
            case PDELIMS:
                if (!(kindof(at(p)) & KDELIM))
                    return false;
                while (p.l != hdr && (kindof(at(p)) & KDELIM)) {
                    step(p);
                    off++;
                }
                i++;
                break;
            case PGAP:
            case PWORDGAP: {
                int j = i + 1;
                if (pat[j] == 0)
                    return true;
                for (int n = 0;; n++) {
                    if (tryat(j, p, off))
                        return true;
                    if (stopping())
                        return false;
                    if (p.l == hdr || (c == PGAP && n >= GAPREACH))
                        return false;
                    if (c == PWORDGAP && (kindof(at(p)) & KDELIM))
                        return false;
                    step(p);
                    off++;
                }
            }
            default:              // {N} is counted before; other codes mean nothing
                i++;
                break;
            }
        }
    }
};

// What a pattern needs for a fast scan.
struct SHAPE {
    bool negated;                 // an odd number of {N}
    int gaps;                     // {A} and {W}
    bool literal;                 // printing characters only
    int first;                    // its first code that means something
    size_t length;
};

SHAPE shapeof(const unsigned char *pattern)
{
    SHAPE s{false, 0, true, -1, 0};
    for (const unsigned char *q = pattern; *q; q++) {
        unsigned char c = *q;
        s.length++;
        if (c >= 32) {
            if (s.first < 0)
                s.first = c;
            continue;
        }
        s.literal = false;
        if (c == PNOT)
            s.negated = !s.negated;
        if (c == PGAP || c == PWORDGAP)
            s.gaps++;
        if ((c == PANY || c == PDELIMS || c == PGAP || c == PWORDGAP) && s.first < 0)
            s.first = c;
    }
    return s;
}

bool matchshaped(const unsigned char *pattern, const SHAPE &s, const SPOS &p)
{
    MATCHER m{pattern, header()};
    memoon = s.gaps >= 2;
    if (memoon && ++memostamp == 0) {
        std::memset(memo, 0, sizeof memo);
        memostamp = 1;
    }
    return m.rest(0, p, 0) != s.negated;
}

} // namespace

bool match(const unsigned char *pattern, const SPOS &p)
{
    return matchshaped(pattern, shapeof(pattern), p);
}

bool match(const char *pattern)
{
    return match(reinterpret_cast<const unsigned char *>(pattern), SPOS{lp, cp});
}

// Line by line: a pattern starting with a printing character is looked for
// where that character occurs (and compared whole when it has no codes);
// any other pattern is tried at every position, line ends included.
bool fastsearch(const unsigned char *pattern, SPOS &p)
{
    const LINE *hdr = header();
    SHAPE s = shapeof(pattern);
    bool byfirst = !s.negated && s.first >= 32 && pattern[0] >= 32;
    while (p.l != hdr && !stopping()) {
        int len = textlength(p.l);
        const unsigned char *text = textbase + p.l->index;
        if (byfirst) {
            while (p.c <= len) {
                const void *hit = std::memchr(text + p.c - 1, s.first, static_cast<size_t>(len - p.c + 1));
                if (hit == nullptr)
                    break;
                p.c = static_cast<int>(static_cast<const unsigned char *>(hit) - text) + 1;
                if (s.literal) {
                    if (static_cast<size_t>(len - p.c + 1) >= s.length &&
                        std::memcmp(text + p.c - 1, pattern, s.length) == 0)
                        return true;
                } else if (matchshaped(pattern, s, p)) {
                    return true;
                }
                p.c++;
            }
        } else {
            for (; p.c <= len + 1; p.c++) {
                if (matchshaped(pattern, s, p))
                    return true;
                if ((p.c & 0xffff) == 0 && stopping())
                    return false;
            }
        }
        p.l = p.l->down;
        p.c = 1;
    }
    return false;
}

// ------------------------------------------------------------------ units

static void nextline(SPOS &p)
{
    if (p.l != header()) {
        p.l = p.l->down;
        p.c = 1;
    }
}

static void backone(SPOS &p)
{
    if (p.l == header())
        return;
    if (p.c > 1) {
        p.c--;
    } else {
        p.l = p.l->up;
        p.c = textlength(p.l) + 1;
    }
}

static SPOS scanner() { return SPOS{lp, cp}; }

// The scanner to p, further down the corefile; dist counts the lines moved,
// for the display's choice of window.
static void toscanner(const SPOS &p)
{
    if (p.l != lp)
        dist += distance(lp, p.l);
    lp = p.l;
    cp = p.c;
}

void moveoneunit()
{
    SPOS p = scanner();
    switch (scanunit) {
    case 0: stepon(p); break;
    case 1: wordon(p); break;
    case 3: sentenceon(p); break;
    case 4: backone(p); break;
    case 6:
        if (curcore().viewtype == 0)
            wordon(p);
        else
            nextline(p);
        break;
    default: nextline(p); break;   // 2, 5, 7
    }
    if (scanunit == 4) {
        if (p.l != lp)
            dist--;
        lp = p.l;
        cp = p.c;
    } else {
        toscanner(p);
    }
}

static const unsigned char *pattern()
{
    return reinterpret_cast<const unsigned char *>(scanpattern);
}

static void linetext(const LINE *l, const unsigned char **text, int *length)
{
    *text = textbase + (textlength(l) > 0 ? l->index : 0);
    *length = textlength(l);
}

bool basictest(bool first)
{
    if (lp == header())
        return false;
    peepchar = static_cast<unsigned char>(charat(scanner()));
    switch (scanunit) {
    case 5: {
        if (lp->object != 1)
            return false;
        int keep = cp;
        cp = 1;
        checksetup();
        cp = keep;
        if (scanpattern[0] == '$')
            return recstrmatch(scanpattern + 1);
        return recmathmatch(scanpattern, static_cast<int>(std::strlen(scanpattern)));
    }
    case 6:
        if (first || lp->object == 1)
            checksetup();
        else
            checkupdate();
        multicheck();
        return checksheld(scanpattern);
    case 7: {
        const unsigned char *text;
        int length;
        linetext(lp, &text, &length);
        return unify(pattern(), text, length);
    }
    default:
        return match(scanpattern);
    }
}

// -------------------------------------------------------------- wildcards

// Greedy from the left, going back to the last '*' on a mismatch: the run
// of that '*' grows by one and the pattern after it is tried again.
bool unify(const unsigned char *pattern, const unsigned char *text, int length)
{
    int pi = 0, ti = 0;
    int afterstar = -1;           // pattern index after the last '*'
    int runstart = 0;             // text index its run is tried up to
    for (;;) {
        if (pi >= PATTSIZE)
            return false;
        unsigned char c = pattern[pi];
        if (c == '*') {
            matcharray[pi] = ti;
            afterstar = ++pi;
            runstart = ti;
            continue;
        }
        if (c == 0 && ti == length) {
            matcharray[pi] = ti;
            return true;
        }
        if (c != 0 && ti < length && text[ti] == c) {
            matcharray[pi] = ti;
            pi++;
            ti++;
            continue;
        }
        if (afterstar < 0 || runstart >= length)
            return false;
        pi = afterstar;
        ti = ++runstart;
    }
}

void copywild(const unsigned char *pattern, const unsigned char *text, int length)
{
    for (int n = 1; n < NCAPTURES; n++)
        unified[n][0] = 0;
    int n = 0;
    for (int pi = 0; pi + 1 < PATTSIZE && pattern[pi]; pi++) {
        if (pattern[pi] != '*')
            continue;
        if (n < NCAPTURES - 1)
            n++;
        long from = matcharray[pi], to = matcharray[pi + 1];
        if (from < 0 || to > length || to < from)
            to = from = 0;
        long k = to - from;
        if (k > PATTSIZE - 1)
            k = PATTSIZE - 1;         // a capture is cut to its slot
        std::memcpy(unified[n], text + from, static_cast<size_t>(k));
        unified[n][k] = 0;
    }
}

// ---------------------------------------------------------------- search

static void setresult(int v)
{
    if (loopdepth >= 0 && loopdepth < NLOOPS)
        vl_result[loopdepth] = v;
}

// Searches from the cursor, one unit on first when `resume`; on success the
// cursor moves to the place and, for wildcard patterns, the captures are
// filled.
static void search(bool resume)
{
    abortreq = 0;
    setresult(0);
    if (curcore().lnptr == header())
        return;
    setptr();
    if (resume)
        moveoneunit();
    bool found = false;
    if (scanunit == 0) {
        SPOS p = scanner();
        found = fastsearch(pattern(), p);
        if (found)
            toscanner(p);
    } else {
        for (bool first = true; lp != header() && !found && !stopping(); first = false) {
            found = basictest(first);
            if (!found)
                moveoneunit();
        }
    }
    if (!found)
        return;
    setcur();
    setresult(1);
    if (scanunit == 7) {
        const unsigned char *text;
        int length;
        linetext(lp, &text, &length);
        copywild(pattern(), text, length);
    }
}

void findchk()
{
    scanunit = param[1];
}

void find()
{
    search(false);
    mode = 1;
    putresult();
}

void resfind()
{
    search(true);
    putresult();
}

void resnumber()
{
    abortreq = 0;
    int count = 0;
    setptr();
    if (scanunit == 0) {
        SPOS p = scanner();
        while (fastsearch(pattern(), p)) {
            count++;
            stepon(p);
        }
    } else {
        for (bool first = true; lp != header() && !stopping(); first = false) {
            if (basictest(first))
                count++;
            moveoneunit();
        }
    }
    setresult(count);
    putresult();
}

void rescheck()
{
    setptr();
    bool held = basictest(true);
    setresult(held ? 1 : 0);
    if (held && scanunit == 7) {
        const unsigned char *text;
        int length;
        linetext(lp, &text, &length);
        copywild(pattern(), text, length);
    }
    putresult();
}

// ------------------------------------------------------------- statistics

void scantext()
{
    std::memset(wordlen, 0, sizeof wordlen);
    std::memset(sentlen, 0, sizeof sentlen);
    setptr();
    SPOS p = scanner();
    int letters = 0, chars = 0, words = 0;
    for (bool end = false; !end;) {
        int c = charat(p);
        end = p.l == header();
        int k = kindof(c);
        if (k & KDELIM) {
            if (chars > 0 && letters > 0) {
                wordlen[letters < NWORDLENS ? letters : NWORDLENS - 1]++;
                words++;
            }
            letters = chars = 0;
            if (k & KSENTEND) {
                if (words > 0)
                    sentlen[words < NSENTLENS ? words : NSENTLENS - 1]++;
                words = 0;
            }
        } else {
            chars++;
            if (k & KWORD)
                letters++;
        }
        stepon(p);
        if ((p.c & 0xffff) == 0 && stopping())
            break;
    }
    v_line(MSGCORE, 0, "Word length table");
    for (int i = 0; i < NWORDLENS; i++)
        if (wordlen[i] != 0)
            v_linef(MSGCORE, "%3i %5i", i, wordlen[i]);
    v_line(MSGCORE, 0, "***");
    v_line(MSGCORE, 0, "Sentence length table");
    for (int i = 0; i < NSENTLENS; i++)
        if (sentlen[i] != 0)
            v_linef(MSGCORE, "%3i %5i", i, sentlen[i]);
    v_line(MSGCORE, 0, "***");
    progress("Data written to corefile 7");
}
