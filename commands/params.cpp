// Parameter prompting: the typed parameter line of a command, checked key by
// key against the type of the parameter being typed, completed with the
// command's defaults and converted into param[] and the string variables.
// Also the brace notation for control and special characters.
#include <climits>
#include <cstring>
#include <iterator>
#include "commands/commands.h"
#include "screen/screen.h"
#include "operations/stars.h"

char pstring[PSTRINGSIZE];            // typed line from index 1, fields ended by '|'
static int sptr;                      // next free index while typing, read index while converting
static int tptr;                      // index of the current item in paramtype (even)
static int paramcount;                // parameter being converted, from 1
static int done;                      // RETURN ended the line
int param[NPARAMS];                   // converted integers, param[1] first

// Where the defaults continue the typed line: the line as converted is
// pstring[1..typedend-1] followed by defrest.
static int typedend;
static const char *defrest = "";
static int defrestlen;

char curfile[STRPARSIZE], scanpattern[STRPARSIZE], mrgstring[STRPARSIZE],
    expression[STRPARSIZE], sysstring[STRPARSIZE], termstring[STRPARSIZE],
    picstring[STRPARSIZE], mathstring[STRPARSIZE], recboolcheck[STRPARSIZE],
    targetstring[STRPARSIZE], listfile[STRPARSIZE], listinitfile[STRPARSIZE],
    v_error[STRPARSIZE];

int ctrlmode;                         // inside a brace group
int xlate;                            // 0: transchar copies unchanged
int ctrlmask = 31;                    // turns a character into a control code

static_assert(FNSIZE == STRPARSIZE, "function-key strings are string destinations");

// String destinations by qualifier '1' .. 'G' (qualifier minus '1'), and
// whether the brace notation applies to them.
static char *const destination[] = {
    curfile, scanpattern, mrgstring, expression, sysstring,
    fn[0], fn[1], fn[2], fn[3], fn[4], fn[5], fn[6], fn[7], fn[8], fn[9],
    termstring, picstring, mathstring, recboolcheck, targetstring,
    listfile, listinitfile, v_error,
};
static constexpr bool ctrltype[] = {
    false, true, true, false, false,
    true, true, true, true, true, true, true, true, true, true,
    true, false, false, false, false,
    false, false, true,
};
static_assert(std::size(destination) == 23 && std::size(ctrltype) == 23);

char *stringdest(char qualifier, bool *translated)
{
    int k = qualifier - '1';
    if (k < 0 || k >= static_cast<int>(std::size(destination)))
        return nullptr;
    if (translated != nullptr)
        *translated = ctrltype[k];
    return destination[k];
}

static const CMDSPEC &row() { return commands[cmdptr]; }
static char item() { return row().paramtype[tptr]; }
static char qualifier() { return row().paramtype[tptr + 1]; }

// ------------------------------------------------------------ mode field

void prmptpar(int m)
{
    static const char *const names[] = {
        "Command ", "Typing  ", "Insert  ", "String  ", "Digit   ", "<return>", "Filename",
    };
    const char *name = "Integer ";
    if (m >= 0 && m < static_cast<int>(std::size(names)))
        name = names[m];
    else if (m == 11)
        name = "Letter  ";
    putstring(name, 'm');
}

static void disprompt()
{
    prmptpar(item() - ('a' - 1));
}

// ------------------------------------------------------------ key routines

static int typed() { return sptr - 1; }
static bool atfieldstart() { return sptr == 1 || pstring[sptr - 1] == '|'; }

static void append(char c)
{
    pstring[sptr++] = c;
    pstring[sptr] = 0;
}

static void adch()
{
    if (typed() >= MAXTYPED)
        return;
    append(static_cast<char>(holdch));
    putcmdlett(static_cast<char>(holdch));
}

static void adfirst()
{
    if (atfieldstart())
        adch();
}

static void adnostar()
{
    if (sptr == 1 || pstring[sptr - 1] != '*')
        adch();
}

static void addig()
{
    if (holdch <= static_cast<unsigned char>(qualifier()))
        adfirst();
}

static void delop()
{
    if (sptr == 1) {
        del = 2;
        return;
    }
    char c = pstring[--sptr];
    pstring[sptr] = 0;
    backspace();
    if (c == '|' && tptr >= 2) {
        tptr -= 2;
        disprompt();
    }
}

static void barop()
{
    if (row().paramtype[tptr + 2] == 0 || typed() >= MAXTYPED)
        return;
    append('|');
    putcmdlett('|');
    tptr += 2;
    disprompt();
}

static void retop()
{
    append('|');              // room is kept: at most MAXTYPED are typed before it
    done = 1;
}

// Key routines by parameter letter 'c' .. 'k' and key column.
struct PARAMTABLE {
    editop paramop[8];
};

// One row: a routine for every column, none left out.
static constexpr PARAMTABLE keys(editop ret, editop type2, editop type3, editop type4,
                                 editop rubout, editop minus, editop star, editop bar)
{
    return {{ret, type2, type3, type4, rubout, minus, star, bar}};
}

static constexpr PARAMTABLE optable[] = {
    //           RETURN type 2 type 3    type 4    rubout '-'       '*'      '|'
    /* c */ keys(retop, adch, adch,     adch,     delop, adch,     adch,    barop),
    /* d */ keys(retop, noop, addig,    noop,     delop, noop,     noop,    barop),
    /* e */ keys(retop, noop, noop,     noop,     delop, noop,     noop,    barop),
    /* f */ keys(retop, noop, adnostar, adnostar, delop, adnostar, adfirst, barop),
    /* g */ keys(retop, noop, adnostar, noop,     delop, noop,     adfirst, barop),
    /* h */ keys(retop, noop, adnostar, noop,     delop, adfirst,  adfirst, barop),
    /* i */ keys(retop, noop, adch,     noop,     delop, noop,     noop,    barop),
    /* j */ keys(retop, noop, adch,     noop,     delop, adfirst,  noop,    barop),
    /* k */ keys(retop, noop, noop,     adfirst,  delop, noop,     noop,    barop),
};
static_assert(std::size(optable) == 'k' - 'c' + 1);

static int keycolumn()
{
    if (holdch == '-')
        return 6;
    if (holdch == '*')
        return 7;
    if (holdch == '|')
        return 8;
    return type;
}

// ------------------------------------------------------------ conversion

// Character i of the line as converted; 0 past its end.
static char pch(int i)
{
    if (i < typedend)
        return pstring[i];
    int k = i - typedend;
    return k < defrestlen ? defrest[k] : 0;
}

static bool fieldend(char c) { return c == 0 || c == '|'; }

static void setparam(int v)
{
    if (paramcount < NPARAMS)
        param[paramcount] = v;
}

static void skipfield()
{
    while (!fieldend(pch(sptr)))
        sptr++;
}

static void add_defaults()
{
    int n = 0;
    for (int i = 1; i < sptr; i++)
        if (pstring[i] == '|')
            n++;
    const char *d = row().defstr;
    while (n > 0 && *d) {
        if (*d == '|')
            n--;
        d++;
    }
    typedend = sptr;
    defrest = d;
    defrestlen = static_cast<int>(std::strlen(d));
    // The line itself gets as much of the defaults as it holds; the
    // conversion reads them from defrest, so nothing is lost when it is full.
    int i = sptr;
    while (*d && i < PSTRINGSIZE - 1)
        pstring[i++] = *d++;
    pstring[i] = 0;
}

static void gstr()
{
    char q = qualifier();
    char *dest = nullptr;
    bool translated = false;
    if (q == '0') {
        int k = param[1];
        if (k >= 0 && k < NFNKEYS)
            dest = fn[k];
        translated = true;
    } else if (q >= '1' && q - '1' < static_cast<int>(std::size(destination))) {
        dest = destination[q - '1'];
        translated = ctrltype[q - '1'];
    }
    if (dest == nullptr) {
        skipfield();
        return;
    }
    int n = 0;
    if (item() == 'f' && pch(sptr) == '*') {
        const char *name = curcore().filname;
        while (n < STRPARSIZE - 1 && n < NAMESIZE && name[n]) {
            dest[n] = name[n];
            n++;
        }
        dest[n] = 0;
        sptr++;
        skipfield();
        return;
    }
    ctrlmode = 0;
    xlate = 1;
    for (char c; !fieldend(c = pch(sptr)); sptr++) {
        char out[2];
        char *p = out;
        int k = translated ? transchar(c, &p) : (*p++ = c, 1);
        for (int j = 0; j < k && n < STRPARSIZE - 1; j++)
            dest[n++] = out[j];
    }
    dest[n] = 0;
}

// The star block's first or last line, counted from the corefile's header.
static int starline(bool tolast)
{
    const COREFILE &cf = curcore();
    if (cf.starcount == 0)
        return tolast ? LASTLINE : 1;
    locatestars();
    return distance(cf.header, tolast ? last : first);
}

static void gint()
{
    int v = 0;
    if (pch(sptr) == '*') {
        v = starline(qualifier() == 'L');
        sptr++;
        skipfield();
    } else {
        bool neg = false;
        for (char c; !fieldend(c = pch(sptr)); sptr++) {
            if (c == '-')
                neg = true;
            else if (c >= '0' && c <= '9')
                v = v > (INT_MAX - (c - '0')) / 10 ? INT_MAX : v * 10 + (c - '0');
        }
        if (neg)
            v = -v;
    }
    setparam(v);
}

void getparam()
{
    del = 0;
    done = 0;
    sptr = 1;
    tptr = 0;
    pstring[0] = 0;
    pstring[1] = 0;
    if (cmdptr < 0 || cmdptr >= NCMDS) {
        del = 2;
        return;
    }
    disprompt();
    while (del == 0 && !done) {
        cmdcur();
        do
            fetchchar();
        while (type > KRUBOUT || type < KRETURN);
        rmcmdcur();
        char letter = item();
        if (letter < 'c' || letter > 'k')
            letter = 'e';
        optable[letter - 'c'].paramop[keycolumn() - 1]();
    }
    if (del != 0)
        return;

    add_defaults();
    paramcount = 1;
    tptr = 0;
    sptr = 1;
    const char *pt = row().paramtype;
    while (pt[tptr] && pt[tptr + 1]) {
        char c = pch(sptr);
        switch (pt[tptr]) {
        case 'c':
        case 'f':
            gstr();
            break;
        case 'd':
            setparam(fieldend(c) ? 0 : c - '0');
            skipfield();
            break;
        case 'g':
        case 'h':
        case 'i':
        case 'j':
            gint();
            break;
        case 'k':
            setparam(c >= 'A' && c <= 'Z' ? c - 64 : c >= 'a' && c <= 'z' ? c - 96 : 0);
            skipfield();
            break;
        default:
            skipfield();
            break;
        }
        tptr += 2;
        paramcount++;
        if (pch(sptr) != 0)
            sptr++;
    }
}

// ------------------------------------------------------------ brace notation

// Characters written inside braces that stand for something other than a
// control code, and the bytes they store.
struct BRACECHAR {
    char written;
    unsigned char stored;
};
static constexpr BRACECHAR bracechars[] = {
    {'!', '|'}, {'(', '{'}, {')', '}'}, {'`', '~'}, {'/', 127},
    {'$', 0xFE}, {'%', 0xF7}, {'&', 0xD6}, {'-', 0xD9}, {'.', 0xF6}, {':', 0xF5},
    {'<', 0xFB}, {'=', 0xD3}, {'>', 0xFC}, {'?', 0xF1}, {'^', 0xFD},
};

int transchar(char c, char **out)
{
    if (xlate && c == '{') {
        ctrlmode = 1;
        return 0;
    }
    if (xlate && c == '}') {
        ctrlmode = 0;
        return 0;
    }
    if (xlate && ctrlmode) {
        unsigned char s = static_cast<unsigned char>(c) & ctrlmask;
        for (const BRACECHAR &b : bracechars)
            if (b.written == c) {
                s = b.stored;
                break;
            }
        c = static_cast<char>(s);
    }
    *(*out)++ = c;
    return 1;
}

// The character that stands for byte u inside braces, 0 when u is written
// as itself.
static char bracedform(unsigned char u)
{
    for (const BRACECHAR &b : bracechars)
        if (b.stored == u)
            return b.written;
    // 30 plus 64 is '^', which means the loop test; '~' masks to 30 as well.
    if (u == 30)
        return '~';
    if (u >= 1 && u <= 31)
        return static_cast<char>(u + 64);
    return 0;
}

int untranschar(char c, char **out)
{
    char b = bracedform(static_cast<unsigned char>(c));
    int n = 0;
    if (b != 0) {
        if (!ctrlmode) {
            *(*out)++ = '{';
            ctrlmode = 1;
            n++;
        }
        *(*out)++ = b;
        return n + 1;
    }
    if (ctrlmode) {
        *(*out)++ = '}';
        ctrlmode = 0;
        n++;
    }
    if (c != 0) {
        *(*out)++ = c;
        n++;
    }
    return n;
}
