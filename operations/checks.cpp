// Record tests and checks: the word window over the words or fields at a
// position, string tests on its fields, arithmetic conditions through the
// merge engine and the evaluator, the check lines of corefile 18 with their
// bit patterns, and the record check of file loading.
#include <cstring>
#include "operations/search.h"
#include "editor/charkind.h"
#include "commands/commands.h"
#include "screen/screen.h"

unsigned long boolcheck;
unsigned long boolerror;
int numchecks;
int cmperr;
char boolstring[BOOLSTRINGSIZE];
LINE *findlptr[WINDOWSIZE];
int findcptr[WINDOWSIZE];
int findbufptr;
int findbotptr;

static constexpr int CHECKCORE = 18;  // holds the check lines
static constexpr int MAXWORDS = WINDOWSIZE - 1;
static constexpr int STRTESTSIZE = 48;  // characters of a string test that count

// ------------------------------------------------------------ word window

static int windowcount() { return (findbufptr - findbotptr + WINDOWSIZE) % WINDOWSIZE; }

static void addword(const SPOS &p)
{
    findlptr[findbufptr] = p.l;
    findcptr[findbufptr] = p.c;
    findbufptr = (findbufptr + 1) % WINDOWSIZE;
}

static bool wordview()
{
    int v = curcore().viewtype;
    return v == 0 || v == 5;
}

void checksetup()
{
    findbufptr = findbotptr = 0;
    SPOS p{lp, cp};
    if (p.l == curcore().header)
        return;
    if (wordview()) {
        for (int n = 0; n < MAXWORDS && p.l != curcore().header; n++) {
            addword(p);
            wordon(p);
        }
        return;
    }
    int len = textlength(p.l);
    const unsigned char *text = textbase + p.l->index;
    addword(SPOS{p.l, 1});
    for (int i = 0; i < len && windowcount() < MAXWORDS; i++)
        if (text[i] == '|')
            addword(SPOS{p.l, i + 2});
}

void checkupdate()
{
    int n = windowcount();
    if (n == 0 || !wordview()) {
        checksetup();
        return;
    }
    int lastslot = (findbufptr + WINDOWSIZE - 1) % WINDOWSIZE;
    SPOS last{findlptr[lastslot], findcptr[lastslot]};
    findbotptr = (findbotptr + 1) % WINDOWSIZE;
    if (n < MAXWORDS)
        return;                       // the window already reached the end of the text
    wordon(last);
    if (last.l != curcore().header)
        addword(last);
}

// ----------------------------------------------------------- string tests

static bool relation(char c) { return c == '=' || c == '>' || c == '<'; }

// "#n", then relation and text alternatives separated by backslashes; the
// text is matched at word n of the window. '>' counts as '=' and '<' never
// holds: the matcher knows only whether the text is there.
bool recstrmatch(const char *test)
{
    cmperr = 0;
    int i = 0;
    if (test[i] != '#') {
        cmperr = 1;
        return false;
    }
    i++;
    long n = 0;
    for (; test[i] >= '0' && test[i] <= '9'; i++)
        if (n <= WINDOWSIZE)
            n = n * 10 + (test[i] - '0');
    for (; !relation(test[i]); i++) {
        if (test[i] == 0 || test[i] == '\\' || test[i] == '#') {
            cmperr = 1;
            return false;
        }
    }
    if (n < 1 || n > windowcount()) {
        cmperr = 1;
        return false;
    }
    int slot = (findbotptr + static_cast<int>(n) - 1) % WINDOWSIZE;
    SPOS field{findlptr[slot], findcptr[slot]};
    while (relation(test[i])) {
        char rel = test[i++];
        unsigned char text[STRPARSIZE];
        int k = 0;
        for (; test[i] != 0 && test[i] != '\\'; i++)
            if (k < STRPARSIZE - 1)
                text[k++] = static_cast<unsigned char>(test[i]);
        text[k] = 0;
        if (rel != '<' && match(text, field))
            return true;
        if (test[i] == 0)
            return false;
        for (i++; test[i] != 0 && !relation(test[i]); i++) {
            if (test[i] == '#') {
                cmperr = 1;
                return false;
            }
        }
    }
    return false;
}

// ------------------------------------------------------ arithmetic tests

bool recmathmatch(const char *test, int length)
{
    COREFILE &f = curcore();
    LINE *keepline = f.lnptr;
    int keepcol = f.curcol;
    f.lnptr = lp;
    f.curcol = cp;
    bool ok = mergeeval(test, length);
    double value = fp_num;
    if (ok)
        ni--;
    f.lnptr = keepline;
    f.curcol = keepcol;
    cmperr = ok ? 0 : 1;
    fperror = 0;
    return ok && value != 0;
}

// ------------------------------------------------------------------ checks

void makecheck(const char *bits, unsigned long *required, unsigned long *mask)
{
    unsigned long r = 0, m = 0;
    for (const char *c = bits; *c; c++) {
        r = r << 1 | (*c == '0' ? 0 : 1);
        m = m << 1 | (*c == '0' || *c == '1' ? 0 : 1);
    }
    *required = r;
    *mask = m;
}

void multicheck()
{
    boolcheck = boolerror = 0;
    numchecks = 0;
    const COREFILE &checks = core[CHECKCORE];
    if (checks.header == nullptr)
        return;
    char text[STRINGFILESIZE];
    for (const LINE *l = checks.header->down; l != checks.header; l = l->down) {
        if (l->object != 0 && l->object != 5)
            continue;
        int len = textlength(l);
        if (len > STRINGFILESIZE - 1)
            len = STRINGFILESIZE - 1;
        if (len > 0)
            std::memcpy(text, textbase + l->index, static_cast<size_t>(len));
        text[len] = 0;
        bool held;
        if (text[0] == '$') {
            text[len < STRTESTSIZE ? len : STRTESTSIZE] = 0;
            held = recstrmatch(text + 1);
        } else {
            held = recmathmatch(text, len);
        }
        boolcheck = boolcheck << 1 | (held ? 1 : 0);
        boolerror = boolerror << 1 | (cmperr != 0 ? 1 : 0);
        numchecks++;
    }
    cmperr = 0;
}

bool checksheld(const char *bits)
{
    unsigned long required, mask;
    makecheck(bits, &required, &mask);
    return (boolcheck | mask) == required;
}

void getboolstring(unsigned long value, int n)
{
    if (n > BOOLSTRINGSIZE - 1)
        n = BOOLSTRINGSIZE - 1;
    if (n < 0)
        n = 0;
    for (int i = 0; i < n; i++)
        boolstring[i] = (value >> (n - 1 - i)) & 1 ? '1' : '0';
    boolstring[n] = 0;
}

// The checks at the cursor, shown as bit strings: the first check leftmost.
void extchk()
{
    setptr();
    int keep = cp;
    if (lp->object == 1)
        cp = 1;
    checksetup();
    cp = keep;
    multicheck();
    getboolstring(boolcheck, numchecks);
    std::memcpy(checkstring, boolstring, sizeof boolstring);
    checkerrors[0] = 0;
    if (boolerror != 0) {
        getboolstring(boolerror, numchecks);
        std::memcpy(checkerrors, boolstring, sizeof boolstring);
    }
    redisplay = RBOOL;
}

// A line just read is kept when it is a record whose checks, with the
// don't-care characters of the check string, give the required bits.
bool reccheck()
{
    COREFILE &f = curcore();
    if (f.lnptr == f.header || f.lnptr->object != 1)
        return false;
    setptr();
    cp = 1;
    checksetup();
    multicheck();
    return checksheld(recboolcheck);
}
