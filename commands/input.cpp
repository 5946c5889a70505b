// The input stream. fetchchar takes one byte at a time from the top of the
// stack of pushed strings, or from the keystroke source when no string is
// active, decodes escape prefixes and numeric codes through the planes of
// intran, and carries out itself the key types that steer the stream: the
// procedure language's loops and conditionals, the function keys and the
// driver-control keys. Below it: the readers built on it (gcr, gnum, glett),
// the wildcard keys, and ASK, which answers questions from a procedure or a
// driver program.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <unistd.h>
#include "commands/commands.h"
#include "editor/charkind.h"
#include "screen/screen.h"
#include "children/children.h"
#include "operations/operations.h"
#include "operations/stars.h"

unsigned char holdch;
int type;
int escflg;
int transb;
int intran[NINTRAN];
unsigned char char_map[NCHARMAP];
char fn[NFNKEYS][FNSIZE];
const char *fnstack[NSTRINGS + 1];
int fnptr;
const char *loopstack[NLOOPS];
int loopptr;
int vl_result[NLOOPS];
int loopdepth;
char patt[PATTSIZE];
char unified[NCAPTURES][PATTSIZE];
int progtrans = 1;

namespace {

// Bytes the skips look for. {.} and {&} share a key type, so the skips go by
// the bytes themselves.
constexpr unsigned char BIF = 0xF1;
constexpr unsigned char BALWAYS = 0xD6;
constexpr unsigned char BELSE = 0xF5;
constexpr unsigned char BENDIF = 0xF6;
constexpr unsigned char BLOOP = 0xFB;
constexpr unsigned char BLOOPEND = 0xFC;

constexpr int EOFCODE = 255;        // end of a driver's output: the kill key
constexpr int NUMCAP = 100000000;   // numbers stop growing here
constexpr int MAXASKLINES = 1000;   // lines of corefile 15 sent by ASK 14

int numcode;                        // numeric code being read (escflg NUMPLANE)

// Every push of a string gets a serial number, and every loop start keeps the
// serial of the string it was read from. A loop start whose string has ended
// is dropped, so that a loop end never jumps into text that is gone or has
// been reused for another string.
unsigned fnserial[NSTRINGS + 1];
unsigned loopowner[NLOOPS];
unsigned pushes;

bool stacked(unsigned serial)
{
    for (int i = 1; i <= fnptr && i <= NSTRINGS; i++)
        if (fnserial[i] == serial && fnstack[i] != nullptr)
            return true;
    return false;
}

void dropendedloops()
{
    int kept = 0;
    for (int i = 0; i < loopptr && i < NLOOPS; i++)
        if (stacked(loopowner[i])) {
            loopstack[kept] = loopstack[i];
            loopowner[kept++] = loopowner[i];
        }
    for (int i = kept; i < NLOOPS; i++)
        loopstack[i] = nullptr;
    loopptr = kept;
}

bool stringactive()
{
    return fnptr > 0 && fnstack[fnptr] != nullptr;
}

void popstring()
{
    if (fnptr > 0) {
        fnstack[fnptr--] = nullptr;
        dropendedloops();
    }
}

// The next byte of the current string without taking it; 0 at its end or
// when no string is being read.
int peekstr()
{
    return stringactive() ? static_cast<unsigned char>(*fnstack[fnptr]) : 0;
}

void takestr()
{
    fnstack[fnptr]++;
}

bool isdigitcode(int c)
{
    return c >= '0' && c <= '9';
}

int addigit(int n, int c)
{
    return std::min(n * 10 + (c - '0'), NUMCAP);
}

void skipblank()
{
    if (peekstr() == ' ')
        takestr();
}

// Skips to the end of the conditional, or also to an else when elsetoo. The
// byte that ends the skip is consumed; the end of the string pops it.
void skipcond(bool elsetoo)
{
    if (!stringactive())
        return;
    int level = 0;
    for (;;) {
        int c = peekstr();
        if (c == 0) {
            popstring();
            return;
        }
        takestr();
        if (c == BIF || c == BALWAYS) {
            level++;
        } else if (c == BELSE) {
            if (elsetoo && level == 0)
                return;
        } else if (c == BENDIF) {
            if (level == 0)
                return;
            level--;
        }
    }
}

// The procedure control codes; only reached for a byte taken from a string,
// which is then still the top of the stack.
void control(int t)
{
    int &result = vl_result[loopdepth];
    switch (t) {
    case KLOOP:
        if (loopptr < NLOOPS) {
            loopowner[loopptr] = fnserial[fnptr];
            loopstack[loopptr++] = fnstack[fnptr];
        }
        break;
    case KLOOPEND:
        if (loopptr > 0)
            fnstack[fnptr] = loopstack[loopptr - 1];
        break;
    case KTEST:
        if (result < 1) {
            skiptoend();
            if (loopptr > 0)
                loopstack[--loopptr] = nullptr;
        } else {
            result--;
        }
        break;
    case KCOUNT: {
        int n = fetchint();
        if (loopdepth < NLOOPS - 1)
            vl_result[++loopdepth] = n;
        break;
    }
    case KENDCOUNT:
        if (loopdepth > 0)
            loopdepth--;
        break;
    case KIF:
        if (result <= 0)
            skiptoelse();
        break;
    case KIFEQ: {
        int n = fetchint();
        skipblank();
        if (result != n)
            skiptoelse();
        break;
    }
    case KIFCAPT: {
        int n = fetchint();
        skipblank();
        fetchpatt();
        if (n >= NCAPTURES || std::strncmp(unified[n], patt, PATTSIZE) != 0)
            skiptoelse();
        break;
    }
    case KELSE:
        skipendif();
        break;
    default:                    // {.}, {&}: nothing
        break;
    }
}

unsigned char mapped(int ix)
{
    return ix < NCHARMAP ? char_map[ix] : static_cast<unsigned char>(ix & 0xff);
}

} // namespace

void initinput()
{
    initkeytables();
    holdch = 0;
    type = 0;
    escflg = 0;
    numcode = 0;
    transb = 0;
    std::memset(fn, 0, sizeof fn);
    std::strcpy(fn[0], "\3up\r");       // command key, UP, RETURN: runs UPDATE
    std::fill(std::begin(fnstack), std::end(fnstack), nullptr);
    fnptr = 0;
    std::fill(std::begin(loopstack), std::end(loopstack), nullptr);
    loopptr = 0;
    std::fill(std::begin(vl_result), std::end(vl_result), 0);
    loopdepth = 0;
    std::memset(patt, 0, sizeof patt);
    std::memset(unified, 0, sizeof unified);
    progtrans = 1;
}

void pushfn(const char *s)
{
    if (fnptr < NSTRINGS) {
        fnstack[++fnptr] = s;
        fnserial[fnptr] = ++pushes;
    }
}

// The interrupt key while strings run: every pushed string and loop is
// dropped and the keyboard has the input again.
static void interruptstrings()
{
    std::fill(std::begin(fnstack), std::end(fnstack), nullptr);
    fnptr = 0;
    std::fill(std::begin(loopstack), std::end(loopstack), nullptr);
    loopptr = 0;
    loopdepth = 0;
    escflg = 0;
    progress("Procedure interrupted");
}

void fetchchar()
{
    for (;;) {
        termrefresh();
        int c;
        checkend();                     // also between keys already read ahead
        if (stringactive() && takeinterrupt())
            interruptstrings();
        bool fromstring = stringactive();
        if (fromstring) {
            c = peekstr();
            if (c == 0) {
                popstring();
                continue;
            }
            takestr();
        } else {
            c = kelgetc();
            if (c == -2)                // a signal may have pushed a string
                continue;
            if (c < 0) {
                if (inptr == &stdinsource) {
                    inputended();
                    continue;
                }
                // A driver's output ended. Its end reads as the kill key,
                // plainly even after a prefix, and the keyboard takes over
                // so that the stream does not spin on the ended pipe.
                inptr = &stdinsource;
                if (escflg != NUMPLANE)
                    escflg = 0;
                c = EOFCODE;
            }
        }

        if (c >= KEYTEXT) {             // a letter no key entry delivers
            escflg = 0;
            holdch = static_cast<unsigned char>(c - KEYTEXT);
            type = KPUNCT;
            return;
        }
        int ix;
        if (c >= KEYENTRY) {            // a key entry taken whole
            ix = std::min(c - KEYENTRY, NINTRAN - 1);
        } else {
            if (escflg == NUMPLANE) {
                if (isdigitcode(c)) {
                    numcode = addigit(numcode, c);
                    continue;
                }
                c = std::min(numcode, MAXNUMCODE);  // the closing byte is dropped
            }
            ix = c + escflg;
        }
        escflg = 0;
        holdch = static_cast<unsigned char>(ix & 0xff);
        type = intran[ix];

        if (type >= KFN0 && type <= KFN9) {
            char *s = fn[type - KFN0];
            s[FNSIZE - 1] = '\0';
            pushfn(s);
            continue;
        }
        if (type >= KIFCAPT && type <= KENDIF) {
            if (fromstring)
                control(type);
            continue;
        }
        switch (type) {
        case KIGNORED:
        case KIGNORED2:
            continue;
        case KPREFIX1:
            escflg = ESCPLANE1;
            continue;
        case KPREFIX2:
            escflg = ESCPLANE2;
            continue;
        case KNUMERIC:
            escflg = NUMPLANE;
            numcode = isdigitcode(c) ? c - '0' : 0;
            continue;
        case KRESUME:
            if (fnptr > 0 && fnstack[fnptr] == nullptr)
                popstring();            // a keyboard level ends
            else
                resumeprog();
            continue;
        case KSUSPEND:
            if (fromstring) {
                pushfn(nullptr);        // the user types until a resume key
            } else {
                suspendprog();
                voluntary = 1;
            }
            continue;
        case KKILL:
            killprog();
            continue;
        case KACK:
            acknowledge();
            continue;
        case KPUNCT:
        case KDIGIT:
            holdch = mapped(ix);
            return;
        case KLETTER:
            holdch = mapped(ix);
            if (transb == 1 && holdch >= 'a' && holdch <= 'z')
                holdch = static_cast<unsigned char>(holdch - 'a' + 'A');
            return;
        default:
            return;
        }
    }
}

void gcr()
{
    for (;;) {
        fetchchar();
        if (type == KRETURN) {
            del = 1;
            return;
        }
        if (type == KRUBOUT) {
            del = 2;
            return;
        }
    }
}

int gnum()
{
    int n = 0;
    for (;;) {
        fetchchar();
        if (type != KDIGIT || !isdigitcode(holdch))
            return n;
        n = addigit(n, holdch);
    }
}

void glett()
{
    do
        fetchchar();
    while (type != KPUNCT && type != KDIGIT && type != KLETTER);
}

int fetchint()
{
    int n = 0;
    while (isdigitcode(peekstr())) {
        n = addigit(n, peekstr());
        takestr();
    }
    return n;
}

void fetchpatt()
{
    int n = 0;
    for (int c; (c = peekstr()) != 0;) {
        takestr();
        if (c == '\r')
            break;
        if (n < PATTSIZE - 1)
            patt[n++] = static_cast<char>(c);
    }
    patt[n] = '\0';
}

// Past the loop end that matches; the end of the string stops it, and the
// next fetchchar pops the string.
void skiptoend()
{
    int level = 0;
    for (int c; (c = peekstr()) != 0;) {
        takestr();
        if (c == BLOOP) {
            level++;
        } else if (c == BLOOPEND) {
            if (level == 0)
                return;
            level--;
        }
    }
}

void skiptoelse()
{
    skipcond(true);
}

void skipendif()
{
    skipcond(false);
}

// ESC X n: type the text of capture slot n as if it were keyed.
static void typecapture(editop build)
{
    int n = gnum();
    if (n >= NCAPTURES)
        return;
    const char *s = unified[n];
    for (int i = 0; i < PATTSIZE && s[i] != '\0'; i++) {
        holdch = static_cast<unsigned char>(s[i]);
        int t = intran[holdch];
        type = t == KDIGIT || t == KLETTER ? t : KPUNCT;
        build();
    }
}

void wildtxt()
{
    typecapture(bldtxt);
}

void wildrec()
{
    typecapture(bldrec);
}

// ------------------------------------------------------------------- ASK

namespace {

bool answering()
{
    return progtrans == 1 && child_pid != 0;
}

// Every answer for the driver goes through here; the child layer flushes
// each one and ends a driver that has gone.
[[gnu::format(printf, 1, 2)]] void tochild(const char *fmt, ...)
{
    if (!answering())
        return;
    va_list ap;
    va_start(ap, fmt);
    childvprintf(fmt, ap);
    va_end(ap);
}

// Lines in the current corefile's star block; 0 without stars.
int starlines(const COREFILE &cf)
{
    if (cf.starcount == 0)
        return 0;
    locatestars();
    findinfo();
    return lines;
}

// The text of the cursor line, or null for a line without text.
const unsigned char *linetext(const LINE *l)
{
    if (l == nullptr || l->object == 2 || l->length <= 0)
        return nullptr;
    return textbase + l->index;
}

int charundercursor(const COREFILE &cf)
{
    const unsigned char *text = linetext(cf.lnptr);
    if (text == nullptr || cf.curcol < 1 || cf.curcol > cf.lnptr->length)
        return ' ';
    return text[cf.curcol - 1];
}

// From the cursor to the end of the line, or to the first word delimiter
// when todelim; the text and its length.
int restofline(const COREFILE &cf, bool todelim, const unsigned char **text)
{
    const unsigned char *t = linetext(cf.lnptr);
    if (t == nullptr || cf.curcol < 1 || cf.curcol > cf.lnptr->length)
        return 0;
    *text = t + cf.curcol - 1;
    int n = cf.lnptr->length - (cf.curcol - 1);
    if (todelim) {
        int i = 0;
        while (i < n && !(charkind[(*text)[i]] & KDELIM))
            i++;
        n = i;
    }
    return n;
}

void sendtext(const COREFILE &cf, bool todelim)
{
    const unsigned char *text = nullptr;
    int n = restofline(cf, todelim, &text);
    tochild("%.*s\n", n, n > 0 ? reinterpret_cast<const char *>(text) : "");
}

// Corefile 15's lines, trailing blanks removed first, each cut to 199
// characters.
void sendexchange()
{
    int was = corenum;
    corenum = REPORTCORE;
    COREFILE &cf = curcore();
    if (cf.header != nullptr)
        detrfile();
    corenum = was;
    // The count announces exactly the lines that follow, so that a reader
    // of a longer corefile does not wait for lines never sent.
    tochild("%d\n", std::min(cf.lncount, MAXASKLINES));
    if (cf.header == nullptr)
        return;
    char line[PATTSIZE];
    int sent = 0;
    for (const LINE *l = cf.header->down; l != nullptr && l != cf.header && sent < MAXASKLINES;
         l = l->down, sent++) {
        const unsigned char *t = linetext(l);
        int n = t == nullptr ? 0 : std::min(l->length, PATTSIZE - 1);
        if (n > 0)
            std::memcpy(line, t, static_cast<size_t>(n));
        line[n] = '\0';
        tochild("%s\n", line);
    }
}

// curfile, always terminated.
void filename(char (&name)[STRPARSIZE])
{
    std::memcpy(name, curfile, sizeof name);
    name[STRPARSIZE - 1] = '\0';
}

int canread()
{
    char name[STRPARSIZE];
    filename(name);
    if (name[0] == '\0') {
        diserr("Empty filename");
        return 0;
    }
    int fd = openregular(name);
    if (fd < 0) {
        diserr("File not found (or no read permission)");
        return 0;
    }
    close(fd);
    return 1;
}

int canwrite()
{
    char name[STRPARSIZE];
    filename(name);
    if (name[0] == '\0')
        return 0;
    int fd = open(name, O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return 0;
    close(fd);
    return 1;
}

int creatednew()
{
    char name[STRPARSIZE];
    filename(name);
    if (name[0] == '\0')
        return 0;
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return 0;
    close(fd);
    return 1;
}

} // namespace

// ASK query | file: the answer is stored in vl_result[loopdepth] and sent to
// the driver while one runs and progtrans is 1.
void ask()
{
    COREFILE &cf = curcore();
    int &result = vl_result[loopdepth];
    switch (param[1]) {
    case 0:
        progtrans = 0;
        break;
    case 1:
        progtrans = 1;
        break;
    case 2:
        tochild("%d\n", result);
        break;
    case 3:
        result = cf.curline;
        tochild("%d\n", result);
        break;
    case 4:
        result = cf.curcol;
        tochild("%d\n", result);
        break;
    case 5:
        result = starlines(cf);
        tochild("%d\n", result);
        break;
    case 6:
        result = findnb();
        tochild("%d\n", result);
        break;
    case 7:
        result = charundercursor(cf);
        tochild("%c\n", result);
        break;
    case 8:
        tochild("%f\n", numstack[ni]);
        break;
    case 9:
        result = canread();
        tochild("%d\n", result);
        break;
    case 10:
        result = canwrite();
        tochild("%d\n", result);
        break;
    case 11:
        result = creatednew();
        tochild("%d\n", result);
        break;
    case 12:
        sendtext(cf, true);
        break;
    case 13:
        sendtext(cf, false);
        break;
    case 14:
        if (answering())
            sendexchange();
        break;
    case 15:
        result = corenum;
        tochild("%d\n", result);
        break;
    case 16:
        result = cf.lncount;
        tochild("%d\n", result);
        break;
    default:
        break;
    }
}
