// Line editing in the text view: line ends, deleting to the line's end and
// by words, splitting and joining, repeating the line above, margin keys,
// many new lines, case and accent flipping, word and number movement, word
// wrap and decimal-tab entry; line drawing in view type 3.
#include <array>
#include <string>
#include "operations/operations.h"
#include "editor/charkind.h"
#include "screen/screen.h"
#include "commands/commands.h"

// ------------------------------------------------------------- line ends

void begline()
{
    curcore().curcol = 1;
}

void endline()
{
    COREFILE &f = curcore();
    detrline();
    f.curcol = f.lnptr->object == 2 ? 1 : f.lnptr->length + 1;
}

void deline()
{
    COREFILE &f = curcore();
    cremove(f.lnptr->length - f.curcol + 1);
    redisplay = RBELOW;
}

void marleft()
{
    const COREFILE &f = curcore();
    if (f.curcol <= rmargin && f.curcol != lmargin) {
        lmargin = f.curcol;
        prtabs();
    }
}

void maright()
{
    const COREFILE &f = curcore();
    if (f.curcol >= lmargin && f.curcol != rmargin) {
        rmargin = f.curcol;
        prtabs();
    }
}

// ------------------------------------------------------ typing moved text

// Room at avail for `n` characters more, collecting once when needed; the
// caller refuses when there is none, before it has changed anything.
static bool room(int64_t n)
{
    if (avail + n <= hiaddr && reserve != nullptr)
        return true;
    garbage();
    if (avail + n <= hiaddr && reserve != nullptr)
        return true;
    diserr("Inadequate space for this operation");
    return false;
}

// Types text at the cursor as the keyboard would, keeping the key in hand.
static void typetext(const std::string &text)
{
    unsigned char keep = holdch;
    dtstate = 0;                      // moved text is never a number at a decimal tab
    for (unsigned char c : text) {
        holdch = c;
        bldtxt();
    }
    holdch = keep;
}

static std::string linechars(const LINE *l, int from)
{
    if (l->object == 2 || from > l->length)
        return {};
    return std::string(reinterpret_cast<const char *>(textbase + l->index + from - 1),
                       static_cast<size_t>(l->length - from + 1));
}

// The rest of the line from the cursor moves to a new line after it.
void splitline()
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    if (line == f.header || !room(line->object == 2 ? 0 : line->length))
        return;
    line = f.lnptr;
    std::string rest = linechars(line, f.curcol);
    int n = static_cast<int>(rest.size());
    for (int i = 0; i < n; i++)
        textbase[line->index + f.curcol - 1 + i] = FREECH;
    line->length -= n;
    f.charcount -= n;
    allocln(5, 0);
    makeobject();
    f.curcol = 1;
    typetext(rest);
    f.curcol = 1;
    f.edited = true;
    redisplay = RWINDOW;
    mwd();
}

// The next line's text is typed onto the end of this one and the next line
// goes; an empty next line simply goes.
void joinline()
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    LINE *next = line->down;
    if (line == f.header || next == f.header)
        return;
    if (!room(int64_t{line->length} + next->length))
        return;
    line = f.lnptr;
    next = line->down;
    std::string text = next->object == 5 ? std::string() : linechars(next, 1);
    bool empty = next->object == 5;
    f.lnptr = next;
    removeline();
    f.lnptr = line;
    if (!empty) {
        detrline();
        f.curcol = line->length + 1;
        typetext(text);
        mwd();
    }
    f.edited = true;
    redisplay = RWINDOW;
}

// ------------------------------------------------------- the line above

// The character in the cursor's column of the line above; a space beyond it.
static bool above(unsigned char &c)
{
    const COREFILE &f = curcore();
    const LINE *up = f.lnptr->up;
    if (f.lnptr == f.header || up == f.header)
        return false;
    c = ' ';
    if (up->object != 2 && f.curcol <= up->length)
        c = textbase[up->index + f.curcol - 1];
    return true;
}

void repchar()
{
    unsigned char c;
    if (!above(c))
        return;
    unsigned char keep = holdch;
    holdch = c;
    bldtxt();
    holdch = keep;
    redisplay = RCHAR;
}

void repline()
{
    const COREFILE &f = curcore();
    const LINE *up = f.lnptr->up;
    if (f.lnptr == f.header || up == f.header || up->object == 2)
        return;
    unsigned char keep = holdch;
    while (f.curcol <= up->length) {
        int col = f.curcol;
        holdch = textbase[up->index + col - 1];
        bldtxt();
        if (f.curcol == col)
            break;                    // refused or held back by decimal entry
    }
    holdch = keep;
    redisplay = RLINE;
}

// ------------------------------------------------------------------ words

static int charat(const LINE *l, int col)
{
    if (l->object == 2 || col < 1 || col > l->length)
        return -1;
    return textbase[l->index + col - 1];
}

void delwordend()
{
    COREFILE &f = curcore();
    detrline();
    const LINE *l = f.lnptr;
    int col = f.curcol;
    while (charat(l, col) >= 0 && (kindof(charat(l, col)) & KWORD))
        col++;
    while (charat(l, col) >= 0 && !(kindof(charat(l, col)) & KWORD))
        col++;
    cremove(col - f.curcol);
    redisplay = RLINE;
}

void delword()
{
    COREFILE &f = curcore();
    const LINE *l = f.lnptr;
    if (!(kindof(charat(l, f.curcol)) & KWORD))
        return;
    while (f.curcol > 1 && (kindof(charat(l, f.curcol - 1)) & KWORD))
        f.curcol--;
    savechar('\\');
    delwordend();
}

// The scanner to the start of the next word: past the rest of this one to
// a delimiter, then on to a letter or digit; one character on at least,
// for a character that is both (byte 4).
void nextword()
{
    const LINE *from = lp;
    int fromcol = cp;
    while (!(kindof(peepc()) & KDELIM))
        nextc();
    while (!(kindof(peepc()) & KWORD))
        nextc();
    if (lp == from && cp == fromcol)
        nextc();
}

void xnextword()
{
    setptr();
    nextword();
    setcur();
}

void xprevword()
{
    COREFILE &f = curcore();
    const LINE *header = f.header;
    setptr();
    while (lp != header && !(kindof(peepc()) & KDELIM))
        prevc();
    while (lp != header && !(kindof(peepc()) & KWORD))
        prevc();
    while (lp != header && !(kindof(peepc()) & KDELIM))
        prevc();
    if (lp != header) {
        nextc();
        setcur();
        return;
    }
    // At the start of the corefile: its first word.
    LINE *top = header->down;
    lp = top;
    cp = 1;
    while (lp == top && !(kindof(peepc()) & KWORD))
        nextc();
    if (lp != top)
        cp = 1;
    lp = top;
    f.lnptr = top;
    f.curcol = cp;
    if (f.disln != top) {
        f.disln = top;
        redisplay = RWINDOW;
    }
}

void xnextnumx()
{
    setptr();
    while (peepc() == ' ')
        nextc();
    while (kindof(peepc()) & KNUMBER)
        nextc();
    nextc();
    setcur();
}

// ------------------------------------------------------------ flipping

// ASCII letters change case; the accented capitals and small letters of
// each vowel make one ring, run through by repeated presses; C cedilla swaps.
static constexpr std::array<unsigned char, 256> flip = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; c++)
        t[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; c++) {
        t[c] = static_cast<unsigned char>(c + 'a' - 'A');
        t[c + 'a' - 'A'] = static_cast<unsigned char>(c);
    }
    struct ring { int capital, small, n; };
    for (ring r : {ring{192, 224, 6}, ring{200, 232, 4}, ring{204, 236, 4}, ring{210, 242, 5},
                   ring{217, 249, 4}}) {
        for (int i = 0; i < r.n - 1; i++) {
            t[r.capital + i] = static_cast<unsigned char>(r.capital + i + 1);
            t[r.small + i] = static_cast<unsigned char>(r.small + i + 1);
        }
        t[r.capital + r.n - 1] = static_cast<unsigned char>(r.small);
        t[r.small + r.n - 1] = static_cast<unsigned char>(r.capital);
    }
    t[199] = 231;
    t[231] = 199;
    return t;
}();

void flipchar()
{
    COREFILE &f = curcore();
    int c = charat(f.lnptr, f.curcol);
    if (c < 0)
        return;
    textbase[curptr()] = flip[static_cast<unsigned char>(c)];
    if (c < 128)
        curright();
    redisplay = RLINE;
}

// ---------------------------------------------------------------- new lines

// A new line below the cursor line, the cursor at the left margin of a text
// line.
void nuline()
{
    COREFILE &f = curcore();
    insline();
    int object = f.lnptr->object;
    f.curcol = object == 0 || object == 5 ? lmargin : 1;
    f.curflag = 1;
}

void manynulines()
{
    COREFILE &f = curcore();
    int n = gnum();
    if (n == 0)
        n = 1;
    LINE *line = f.lnptr;
    if (line == f.header)
        return;
    for (; n > 0 && !full; n--) {
        if (avail > hiaddr || reserve == nullptr)
            garbage();
        if (full || reserve == nullptr)
            break;
        allocln(5, 0);
        makeobject();
        f.lnptr = line;
    }
    redisplay = RBELOW;
}

// ------------------------------------------------ wrap and decimal entry

// The paragraph is refilled with an empty line after the cursor line as its
// end; the cursor ends on the last character of the line before it.
void autowrap()
{
    COREFILE &f = curcore();
    if (reserve == nullptr)
        return;
    LINE *line = f.lnptr;
    allocln(5, 0);
    LINE *end = f.lnptr;
    f.lnptr = line;
    f.curcol = 1;
    reformat();
    f.lnptr = end;
    removeline();                     // the line above becomes current
    f.curcol = f.lnptr->object == 2 || f.lnptr->length == 0 ? 1 : f.lnptr->length;
    f.curline = distance(f.header, f.lnptr);  // typing keys do not number the line
    if (windowtop + distance(f.disln, f.lnptr) > windowend)
        f.disln = f.lnptr;
    redisplay = RWINDOW;
}

static bool decimalpart(unsigned char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '(' || c == '$';
}

// A number typed at a decimal tab grows leftwards from the tab column; any
// other character ends the entry and is typed there as usual.
void decbldtxt()
{
    COREFILE &f = curcore();
    LINE *line = f.lnptr;
    if (holdch == FREECH || line->object == 2)
        return;
    int before = line->length;
    extline();
    line = f.lnptr;
    if (f.curcol > line->length) {
        dropadded(line->length - before);
        return;
    }
    unsigned char *text = textbase + line->index;
    int at = f.curcol - 1;
    text[at] = holdch;
    redisplay = RLINE;
    int start = at;
    while (start > 0 && decimalpart(text[start - 1]))
        start--;
    if (!decimalpart(holdch) || start == 0) {
        dtstate = 0;
        curright();
        return;
    }
    for (int i = start; i <= at; i++)
        text[i - 1] = text[i];
    text[at] = ' ';
}

// ---------------------------------------------------------- line drawing

static int lddel;                     // 1: the drawing keys erase

// Arms of the box pieces 15..30 (1 left, 2 down, 4 right, 8 up) and the
// piece for each set of arms.
static constexpr int LDFIRST = 15;
static constexpr std::array<unsigned char, 16> stubs = {8, 4, 2, 1, 0, 5, 10, 15, 9, 12, 3, 6, 13, 7, 11, 14};
static constexpr std::array<unsigned char, 16> asc = {32, 18, 17, 25, 16, 20, 26, 28, 15, 23, 21, 29, 24, 27, 30, 22};

static int arms(int c)
{
    return c >= LDFIRST && c < LDFIRST + 16 ? stubs[c - LDFIRST] : 0;
}

static bool ldmod(int arm)
{
    COREFILE &f = curcore();
    int before = f.lnptr->length;
    extline();
    if (f.curcol > f.lnptr->length) {
        dropadded(f.lnptr->length - before);
        return false;
    }
    unsigned char &c = textbase[curptr()];
    int a = arms(c);
    a = lddel ? a & ~arm : a | arm;
    c = asc[a];
    return true;
}

static void setview(int v)
{
    COREFILE &f = curcore();
    f.viewtype = v;
    cureditmask = editmask[v];
}

void ldenter()
{
    setview(3);
    lddel = 0;
}

void ldexit() { setview(0); }
void lddelin() { lddel = 1; }
void lddelout() { lddel = 0; }

void ldright()
{
    if (full)
        return;
    ldmod(4);
    curright();
    ldmod(1);
    curcore().edited = true;
    redisplay = RLINE;
}

void ldleft()
{
    COREFILE &f = curcore();
    if (full || f.curcol <= 1)
        return;
    ldmod(1);
    curleft();
    ldmod(4);
    f.edited = true;
    redisplay = RLINE;
}

void ldup()
{
    COREFILE &f = curcore();
    if (full)
        return;
    ldmod(8);
    redisplay = RNONE;
    upline();
    ldmod(2);
    redisplay = redisplay == RNONE ? RNEXT : RWINDOW;
    f.edited = true;
}

void lddown()
{
    COREFILE &f = curcore();
    if (full)
        return;
    ldmod(2);
    redisplay = RNONE;
    downline();
    ldmod(8);
    redisplay = redisplay == RNONE || redisplay == RLINE ? RABOVE : RWINDOW;
    f.edited = true;
}

// ------------------------------------------------------------- commands

// END: the window shows the corefile's last screenful, the cursor on its
// first line.
void gotobottom()
{
    int n = curcore().lncount - depth + 1;
    advfile(0, n > 1 ? n : 1, 1);
}

// WSHIFT, as its checker: the overlap kept by a sideways shift.
void shift()
{
    int v = param[1] < 1 ? 1 : param[1];
    if (v > MAXOVERLAP) {
        diserr("Overlap must be less than 71");
        del = 2;
        return;
    }
    overlap = v;
    shiftc = swidth - overlap > 0 ? swidth - overlap : 1;
    rightcol = swidth;
    pshift = 0;
    redisplay = RWINDOW;
}

void decimaltab() { dectabflag = param[1]; }
void swautowrap() { autowrapflag = param[1]; }

void changechk()
{
    if (scanpattern[0] == 0) {
        diserr("Empty scan pattern");
        del = 2;
    }
}

// The tab key: right to the next tab stop, at least one column; a number
// typed there is entered at a decimal tab when those are on.
void tabcur()
{
    COREFILE &f = curcore();
    do
        curright();
    while (f.curcol < INT32_MAX && !tabcol(f.curcol));
    dtstate = 1;
}
