// The display: turns the state of the current corefile into "$" messages
// after each operation. Operations only set the redraw level `redisplay`;
// display(), putstats() and discur() decide which rows, fields, status
// fields and cursor positions are sent. Nothing is drawn on the terminal.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

// Geometry of a 24-row, 80-column screen until the terminal is measured.
int helpline = 22;
int cmdline = 23;
int swidth = 78;
int overlap = 19;
int shiftc = 59;
int pshift = 0;
int rightcol = 78;

int visible = 1;
int oldcore = -1, oldline = -1, oldcol = -1, oldlncnt = -1, oldcoreview = -1;
bool bhelp = false;
const char *const views[NVIEWS] = {
    "TEXT    ", "RECORD  ", "RECORD  ", "GRAPHICS",
    "GRAPHICS", "MATH    ", "MATH    ", "VIEWTAB ",
};
const char fullmsg[] = "FULL    ";
unsigned char outtran[256];
char gwmsg[GWMSGSIZE];

int numfields;
int frow[NFIELDS + 1], fcol[NFIELDS + 1], maxfieldlen[NFIELDS + 1];
char ftype[NFIELDS + 1];
int fieldnum;
int64_t recptr;
int fieldsiz;
int64_t disrecptr;

// Status value shown while the store is full ("FULL    " in the view field).
static constexpr int FULLVIEW = -2;
// The last character gwmsg can hold before its terminating zero.
static constexpr int MSGEND = GWMSGSIZE - 1;

// Latin-1 letters shown for the control codes 15..30 (19 excluded).
static constexpr unsigned char ctrlletters[][2] = {
    {15, 238}, {16, 229}, {17, 243}, {18, 247}, {20, 232}, {21, 246}, {22, 227},
    {23, 195}, {24, 196}, {25, 194}, {26, 193}, {27, 211}, {28, 206}, {29, 197},
    {30, 215},
};

static void initouttran()
{
    for (int c = 0; c < 256; c++) {
        bool hidden = c <= 14 || c == 19 || c == 31 || (c >= 127 && c <= 172) ||
                      (c >= 174 && c <= 191) || c == 255;
        outtran[c] = hidden ? '~' : static_cast<unsigned char>(c);
    }
    outtran[173] = '-';
    for (const auto &p : ctrlletters)
        outtran[p[0]] = p[1];
}

// The default record layout: six fields of width 5 per row from row 3.
void defaultlayout()
{
    frow[0] = fcol[0] = maxfieldlen[0] = 0;
    ftype[0] = 0;
    for (int n = 1; n <= NFIELDS; n++) {
        frow[n] = (n - 1) / 6 + 3;
        fcol[n] = 2 + 8 * ((n - 1) % 6);
        maxfieldlen[n] = 5;
        ftype[n] = 'c';
    }
    numfields = 10;
}

static bool answering;                // a message waits for RETURN or rubout

void initdisplay()
{
    answering = false;
    windowtop = 2;
    windowend = 21;
    depth = 20;
    helpline = 22;
    cmdline = 23;
    swidth = 78;
    overlap = 19;
    shiftc = 59;
    pshift = 0;
    rightcol = swidth;
    redisplay = RNONE;
    visible = 1;
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    bhelp = false;
    initouttran();
    gwmsg[0] = 0;
    defaultlayout();
    fieldnum = 1;
    recptr = 0;
    fieldsiz = 0;
    disrecptr = 0;
    shadow_cmdline[0] = 0;
    shadow_ptr = 0;
}

// ------------------------------------------------------------------ helpers

// Whether the current line can be edited in the current view; also brings
// curviewmask up to date with the line's object.
static bool editable()
{
    int object = curcore().lnptr->object;
    curviewmask = object >= 0 && object < NOBJECTS ? viewmask[object] : 0;
    return (cureditmask & curviewmask) != 0;
}

// Window row of the current line.
static int currow()
{
    const COREFILE &c = curcore();
    return windowtop + distance(c.disln, c.lnptr);
}

static bool starline(const LINE *line)
{
    const COREFILE &c = curcore();
    return line == c.starA || line == c.starB;
}

// Arena range [from, to) of a line's characters, clipped to the arena, so a
// damaged or picture line never reads outside it.
static void textrange(const LINE *line, int64_t &from, int64_t &to)
{
    from = line->index;
    to = from + (line->length > 0 ? line->length : 0);
    if (from < 0 || from > TEXTSIZE)
        from = to = 0;
    if (to > TEXTSIZE)
        to = TEXTSIZE;
}

// Appends arena characters through outtran to gwmsg from position n, up to
// `to`, a "|" when `stopbar`, or a full buffer; terminates the message.
static void appendtext(int n, int64_t from, int64_t to, bool stopbar)
{
    for (int64_t i = from; i < to && n < MSGEND; i++) {
        unsigned char ch = textbase[i];
        if (stopbar && ch == '|')
            break;
        gwmsg[n++] = static_cast<char>(outtran[ch]);
    }
    gwmsg[n] = 0;
}

// snprintf into gwmsg; returns the length written, never beyond the buffer.
[[gnu::format(printf, 1, 2)]] static int msgf(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(gwmsg, GWMSGSIZE, fmt, ap);
    va_end(ap);
    if (n < 0) {
        gwmsg[0] = 0;
        return 0;
    }
    return n < MSGEND ? n : MSGEND;
}

// Starts gwmsg with a short fixed head such as "$TL"; returns its length.
static int msghead(const char *head)
{
    int n = 0;
    while (head[n] != 0) {
        gwmsg[n] = head[n];
        n++;
    }
    gwmsg[n] = 0;
    return n;
}

// Status field `code` with at most `limit` characters of `text`, cut to
// what gwmsg holds. The text may be one built in gwmsg itself: it is moved
// into place before the head is written. Progress lines come often, so no
// printf.
static void sendfield(int code, const char *text, int limit)
{
    size_t most = MSGEND - 3;
    if (limit >= 0 && static_cast<size_t>(limit) < most)
        most = static_cast<size_t>(limit);
    size_t n = strnlen(text, most);
    std::memmove(gwmsg + 3, text, n);
    gwmsg[0] = '$';
    gwmsg[1] = 'm';
    gwmsg[2] = static_cast<char>(code);
    gwmsg[3 + n] = 0;
    gwtransmit(gwmsg);
}

// ------------------------------------------------------------- text window

void putch(unsigned char c)
{
    gwmsg[0] = '$';
    gwmsg[1] = 'c';
    gwmsg[2] = static_cast<char>(outtran[c]);
    gwmsg[3] = 0;
    gwtransmit(gwmsg);
}

void putstg(int64_t index, int count, int row)
{
    int n = msgnum(msghead("$TL"), row, 0);
    gwmsg[n++] = ',';
    if (index < 0 || index > TEXTSIZE || count < 0)
        count = 0;
    int64_t to = index + count;
    appendtext(n, index, to < TEXTSIZE ? to : TEXTSIZE, false);
    gwtransmit(gwmsg);
}

void wrline(LINE *line, int row)
{
    // Rows below the text (the header stands for them) carry no flags.
    char f1 = pshift != 0 && line != curcore().header ? '-' : ' ';
    char f2 = f1;
    int object = line->object;
    if (object != 0 && object != 5) {
        f1 = '\\';
        if (object == 1)
            f2 = 'r';
        else if (object == 2)
            f2 = 'p';
        else if (object == 3)
            f2 = 'm';
    }
    int shown = line->length - pshift;
    if (shown < 0)
        shown = 0;
    if (shown > swidth) {
        shown = swidth;
        if (object == 0)
            f2 = '+';
    }
    if (starline(line))
        f1 = '*';
    int n = msgnum(msghead("$TF"), row, 0);
    gwmsg[n++] = ',';
    gwmsg[n++] = f1;
    gwmsg[n++] = f2;
    gwmsg[n] = 0;
    gwtransmit(gwmsg);
    if (redisplay >= RFLAG && redisplay <= RBOOL)
        return;
    if (shown == 0) {
        msgnum(msghead("$TL"), row, 0);
        gwtransmit(gwmsg);
    } else {
        putstg(line->index + pshift, shown, row);
    }
}

void wrtext(LINE *line, int row)
{
    const LINE *header = curcore().header;
    for (int r = row; r <= windowend; r++) {
        wrline(line, r);
        if (line != header)
            line = line->down;
    }
}

// Moves the window sideways so that the cursor column is in view.
static void sideways()
{
    int col = curcore().curcol;
    if (col > MAXCOLUMN)
        col = curcore().curcol = MAXCOLUMN;
    if (col > pshift && col <= rightcol)
        return;
    int step = shiftc > 0 ? shiftc : 1;
    int64_t right = swidth;
    if (col > right)
        right += (static_cast<int64_t>(col) - right + step - 1) / step * step;
    rightcol = right < INT_MAX ? static_cast<int>(right) : INT_MAX;
    pshift = rightcol - swidth;
    redisplay = RSHIFTED;
}

// The current line on its row and, for `delta` -1 or 1, the line above or
// below it on the neighbouring row, as long as the rows are in the window.
static void wrnear(int delta)
{
    COREFILE &c = curcore();
    int row = currow();
    if (row >= windowtop && row <= windowend)
        wrline(c.lnptr, row);
    int next = row + delta;
    if (delta == 0 || next < windowtop || next > windowend)
        return;
    LINE *line = delta < 0 ? c.lnptr->up : c.lnptr->down;
    if (delta > 0 || line != c.header)
        wrline(line, next);
}

void distxt()
{
    sideways();
    if (visible) {
        COREFILE &c = curcore();
        switch (redisplay) {
        case RWINDOW: case RSCROLLED: case RNEWTOP: case RFLAGS:
            wrtext(c.disln, windowtop);
            break;
        case RCHAR:
            putch(holdch);
            break;
        case RLINE: case RFIELD: case RFLAG:
            wrnear(0);
            break;
        case RBELOW:
            wrtext(c.lnptr, currow());
            break;
        case RSHIFTED:
            prtabs();
            wrtext(c.disln, windowtop);
            break;
        case RABOVE:
            wrnear(-1);
            break;
        case RNEXT:
            wrnear(1);
            break;
        default:
            break;
        }
    }
    redisplay = RNONE;
}

// ------------------------------------------------------------------ records

void findfield()
{
    const LINE *line = curcore().lnptr;
    int64_t from, to;
    textrange(line, from, to);
    int64_t cur = from + curcore().curcol - 1;
    if (cur > to)
        cur = to;
    int bars = 0;
    int64_t start = from;
    for (int64_t i = cur - 1; i >= from; i--) {
        if (textbase[i] == '|') {
            if (bars == 0)
                start = i + 1;
            bars++;
        }
    }
    fieldnum = bars + 1;
    recptr = start;
}

void fieldlen()
{
    int64_t from, to;
    textrange(curcore().lnptr, from, to);
    int64_t i = recptr < from ? from : recptr;
    while (i < to && textbase[i] != '|')
        i++;
    fieldsiz = static_cast<int>(i - recptr > 0 ? i - recptr : 0);
}

void disfield()
{
    int64_t from, to;
    textrange(curcore().lnptr, from, to);
    int64_t start = disrecptr < from ? from : disrecptr;
    int64_t end = start;
    while (end < to && textbase[end] != '|')
        end++;
    if (fieldnum >= 1 && fieldnum <= NFIELDS) {
        int n = msgf("$TR%d,%d,%d,", frow[fieldnum], fcol[fieldnum], maxfieldlen[fieldnum]);
        if (editable())
            appendtext(n, start, end, true);
        gwtransmit(gwmsg);
    }
    disrecptr = end < to ? end + 1 : end;
}

void wflag()
{
    COREFILE &c = curcore();
    msgf("$Tf%c%c", starline(c.lnptr) ? '*' : ' ', editable() ? ' ' : 'I');
    gwtransmit(gwmsg);
}

void wrecord()
{
    LINE *line = curcore().lnptr;
    bool canedit = editable();
    if (!canedit)
        wrline(line, 2);
    else
        gwtransmit("$TL2");
    wflag();                            // "I" marks a line this view cannot edit
    int64_t from, to;
    textrange(line, from, to);
    int limit = canedit ? NFIELDS : (numfields < NFIELDS ? numfields : NFIELDS);
    int keep = fieldnum;
    disrecptr = from;
    for (fieldnum = 1; fieldnum <= limit && disrecptr < to; fieldnum++)
        disfield();
    fieldnum = keep;
}

void wfield()
{
    findfield();
    fieldlen();
    disrecptr = recptr;
    disfield();
}

void disrec()
{
    if (visible) {
        switch (redisplay) {
        case RWINDOW: case RSCROLLED: case RNEWTOP: case RLINE: case RBELOW:
            wrecord();
            break;
        case RCHAR:
            putch(holdch);
            break;
        case RFIELD:
            wfield();
            break;
        case RFLAG: case RFLAGS:
            wflag();
            break;
        default:
            break;
        }
    }
    redisplay = RNONE;
}

// ------------------------------------------ line drawings and formula layout

// Pictures are drawn through the picture operations, which draw nothing
// here; a line that is no picture shows as text on row 2.
static void disgraph()
{
    if (visible && redisplay != RNONE) {
        if (curcore().lnptr->object != 2) {
            wrline(curcore().lnptr, 2);
        } else if (redisplay == RWINDOW || redisplay == RFLAG) {
            wflag();
        }
    }
    redisplay = RNONE;
}

// Formulas are laid out by the formula operations, which draw nothing here.
static void disformulaview()
{
    if (visible) {
        switch (redisplay) {
        case RWINDOW: case RSCROLLED: case RNEWTOP: case RBELOW:
            if (!editable())
                wrline(curcore().lnptr, 2);
            else
                wflag();
            break;
        case RFLAG: case RFLAGS:
            wflag();
            break;
        default:
            break;
        }
    }
    redisplay = RNONE;
}

void display()
{
    if (redisplay == RFLOAT) {
        putfloat();
        fperror = 0;
        redisplay = RNONE;
    } else if (redisplay == RBOOL) {
        putbool();
        redisplay = RNONE;
    }
    editable();
    switch (curcore().viewtype) {
    case 2: case 7:
        disrec();
        break;
    case 4:
        disgraph();
        break;
    case 6:
        disformulaview();
        break;
    default:
        distxt();
        break;
    }
}

// ------------------------------------------------------------------- cursor

void discur()
{
    COREFILE &c = curcore();
    bool canedit = editable();
    switch (c.viewtype) {
    case 2: case 7:
        findfield();
        if (!canedit || fieldnum > NFIELDS)
            postcur(1, 2);
        else
            postcur(fcol[fieldnum] + static_cast<int>(curptr() - recptr), frow[fieldnum]);
        return;
    case 4: case 6:
        if (!canedit)
            postcur(1, 2);
        return;
    case 5:
        if (c.curflag == 1) {
            putstring("RED", 'M');
        } else if (c.curflag == 2) {
            putstring("BLUE", 'M');
        } else if (c.curflag == 3) {
            msgf("GREEN %d %d", greeny, greenx);
            gwtransmit(gwmsg);
        }
        break;
    default:
        break;
    }
    postcur(canedit ? c.curcol - pshift + 1 : 1, currow());
}

// ------------------------------------------------------------ status fields

void putstring(const char *text, int code)
{
    sendfield(code, text, MSGEND);
}

void putstats()
{
    if (!visible)
        return;
    const COREFILE &c = curcore();
    if (corenum != oldcore) {
        msgnum(msghead("$mw"), corenum, 2);
        gwtransmit(gwmsg);
        oldcore = corenum;
    }
    if (c.curline != oldline) {
        msgnum(msghead("$mr"), c.curline, 5);
        gwtransmit(gwmsg);
        oldline = c.curline;
    }
    if (c.curcol != oldcol) {
        msgnum(msghead("$mc"), c.curcol, 5);
        gwtransmit(gwmsg);
        oldcol = c.curcol;
    }
    if (c.lncount != oldlncnt) {
        msgnum(msghead("$ml"), c.lncount, 0);
        gwtransmit(gwmsg);
        oldlncnt = c.lncount;
    }
    if (full) {
        if (oldcoreview != FULLVIEW) {
            putstring(fullmsg, 'v');
            oldcoreview = FULLVIEW;
        }
    } else if (c.viewtype != oldcoreview && c.viewtype >= 0 && c.viewtype < NVIEWS) {
        putstring(views[c.viewtype], 'v');
        oldcoreview = c.viewtype;
    }
}

void putfname()
{
    sendfield('n', curcore().filname, NAMESIZE - 1);
}

void prtabs()
{
    const COREFILE &c = curcore();
    int n = 3;
    gwmsg[0] = '$';
    gwmsg[1] = 'm';
    gwmsg[2] = 't';
    int64_t first = int64_t{pshift} + 1;
    int64_t last = rightcol;
    if (last - first + 1 > MSGEND - n)
        last = first + (MSGEND - n) - 1;
    for (int64_t col = first; col <= last; col++) {
        char ch = '.';
        if (col >= 1 && col < rmargin && col <= NTABCOLS && tabs[col])
            ch = '!';
        if (col == lmargin)
            ch = '<';
        if (col == rmargin)
            ch = lmargin == rmargin ? '+' : '>';
        gwmsg[n++] = ch;
    }
    gwmsg[n] = 0;
    const int stars[] = {c.cstarA, c.cstarB};
    for (int star : stars)
        if (star >= first && star <= last)
            gwmsg[3 + star - first] = '*';
    gwtransmit(gwmsg);
}

// ---------------------------------------------------- help line and results

// Waits never nest: a message shown while another waits for its answer
// (the input stream shows some for keys it acts on itself, such as a resume
// key with nothing suspended) is shown and left to the outer wait, so that
// no run of keys makes the stack grow.
int diserr(const char *message)
{
    putstring(message, 'e');
    if (answering)
        return 1;
    answering = true;
    gwtransmit("$e+");
    gcr();
    answering = false;
    gwtransmit("$e-");
    clearhelp();
    return del;
}

void progress(const char *message)
{
    putstring(message, 'h');
    bhelp = true;
}

void clearhelp()
{
    if (bhelp) {
        gwtransmit("$mh");
        bhelp = false;
    }
}

void putresult()
{
    int value = loopdepth >= 0 && loopdepth < NLOOPS ? vl_result[loopdepth] : 0;
    msgf("$mi%d", value);
    gwtransmit(gwmsg);
}

void putfloat()
{
    if (fperror == 2) {
        putstring("FP Overflow Error", 'f');
        return;
    }
    if (fperror == 1) {
        putstring("FP Syntax Error", 'f');
        return;
    }
    int n = msgf("$mf%.8g", fpresultvalue);
    for (int i = 3; i < n; i++)
        if (gwmsg[i] == 'e')
            gwmsg[i] = '\'';
    gwtransmit(gwmsg);
}

void putbool()
{
    if (checkerrors[0] != 0) {
        msgf("$mbERR %.*s", static_cast<int>(sizeof checkerrors) - 1, checkerrors);
        gwtransmit(gwmsg);
        gcr();
    }
    msgf("$mbCH %.*s", static_cast<int>(sizeof checkstring) - 1, checkstring);
    gwtransmit(gwmsg);
}

// ------------------------------------------------------------- full redraw

void gendis()
{
    oldcore = oldline = oldcol = oldlncnt = oldcoreview = -1;
    gwtransmit("$X");
    gwtransmit("$W");
    clearhelp();
    putstats();
    putfname();
    prtabs();
    prmptpar(mode);
    if (curcore().viewtype == 2)
        distemplate();
    redisplay = RWINDOW;
    display();
    if (mode == 0) {
        gwtransmit("$Cx");
        int len = shadow_ptr < 0 ? 0 : (shadow_ptr > SHADOWSIZE ? SHADOWSIZE : shadow_ptr);
        msgf("$CL%.*s", len, shadow_cmdline);
        gwtransmit(gwmsg);
    }
}
