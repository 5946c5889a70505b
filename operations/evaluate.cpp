// Registers and expressions: an operator-precedence evaluator over a stack
// of doubles and a stack of operators, with its own number reader driven by
// a state table; EVALUATE, and the register keys that combine the number at
// the cursor with the register in numstack[oldindex].
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include "operations/operations.h"
#include "commands/commands.h"
#include "screen/screen.h"

double numstack[NUMSTACKSIZE];
int ni = 1;
int oldindex = 1;
double fp_num;
int fpnumused;
char fpresult[FPRESULTSIZE] = "0";

static char opstack[NUMSTACKSIZE];    // classes of the stacked operators
static int opindex;                   // top of opstack, 0 when empty
static const unsigned char *expptr;   // read position
static const unsigned char *expend;   // end of the given length
static int unary;                     // 1: the next + or - is a sign

// ------------------------------------------------------ character classes

enum {
    CDIGIT = 0, CBLANK = 1, CPOINT = 2, CEXPMARK = 3, CPLUS = 4, CMINUS = 5, CEND = 6,
    CTIMES = 7, CDIVIDE = 8, COPEN = 9, CCLOSE = 10, CNEGATE = 11, CLESS = 12,
    CEQUAL = 13, CGREATER = 14, CAND = 15, COR = 16, CSKIP = 18,
};

// Class of each character from blank to '>'.
static constexpr char typex[31] = {
    /* ' ' */ CBLANK, /* ! */ COR, /* " */ CEND, /* # */ CSKIP, /* $ */ CEND, /* % */ CEND,
    /* & */ CAND, /* ' */ CEXPMARK, /* ( */ COPEN, /* ) */ CCLOSE, /* * */ CTIMES,
    /* + */ CPLUS, /* , */ CEND, /* - */ CMINUS, /* . */ CPOINT, /* / */ CDIVIDE,
    CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT, CDIGIT,
    /* : */ CEND, /* ; */ CEND, /* < */ CLESS, /* = */ CEQUAL, /* > */ CGREATER,
};

// Incoming and stacked priorities by class 4 (plus) to 16 (or).
static constexpr char iprior[17] = {0, 0, 0, 0, 5, 5, 0, 6, 6, 8, 1, 7, 4, 4, 4, 3, 2};
static constexpr char sprior[17] = {0, 0, 0, 0, 5, 5, 0, 6, 6, 0, 0, 6, 4, 4, 4, 3, 2};

// The class of every byte: typex for blank to '>', the end for the rest.
struct classtable {
    char c[256];
};
static constexpr classtable byteclass = [] {
    classtable t{};
    for (int b = 0; b < 256; b++)
        t.c[b] = b >= ' ' && b <= '>' ? typex[b - ' '] : static_cast<char>(CEND);
    return t;
}();

static int classof(const unsigned char *p)
{
    if (p >= expend)
        return CEND;
    return byteclass.c[*p];
}

// ----------------------------------------------------------- number reader

// Reader state: 1 start, 2 after a sign, 3 integer digits, 4 after the
// point, 5 fraction digits, 6 after the exponent mark, 7 after the exponent
// sign, 0 exponent digits.
struct flstate {
    int state;
    long mantissa;
    int flexp;                        // decimal scale of the mantissa
    int exponent;
    int esign;                        // 5: the exponent is negative
    int msign;                        // -1 after a leading minus
    int digit;                        // value of the digit in hand
};

// Actions of the number reader.
enum flaction : unsigned char {
    FINISH,                           // the number ends at this character
    NOOP,
    MAN_10,                           // state 3; an integer digit
    EXP_DC,                           // state 5; a fraction digit
    EXP_10,                           // state 0; an exponent digit
    ST_2, ST_4, ST_6, ST_7,           // to that state
    MINSGN,                           // state 2, negative number
    MINESG,                           // state 7, negative exponent
    MAN_1,                            // state 6 with mantissa 1
};

// Rows: digit, blank, point, exponent mark, plus, minus, other; columns:
// the states 0 to 7.
enum { FLDIGIT, FLBLANK, FLPOINT, FLEXPMARK, FLPLUS, FLMINUS, FLOTHER, NFLROWS };
struct fptab {
    flaction operation[8];
};
static constexpr fptab fltable[NFLROWS] = {
    /* digit */ {{EXP_10, MAN_10, MAN_10, MAN_10, EXP_DC, EXP_DC, EXP_10, EXP_10}},
    /* blank */ {{FINISH, NOOP, NOOP, FINISH, FINISH, FINISH, FINISH, FINISH}},
    /* .     */ {{FINISH, ST_4, ST_4, ST_4, FINISH, FINISH, FINISH, FINISH}},
    /* '     */ {{FINISH, MAN_1, MAN_1, ST_6, FINISH, ST_6, FINISH, FINISH}},
    /* +     */ {{FINISH, ST_2, FINISH, FINISH, FINISH, FINISH, ST_7, FINISH}},
    /* -     */ {{FINISH, MINSGN, FINISH, FINISH, FINISH, FINISH, MINESG, FINISH}},
    /* other */ {{FINISH, FINISH, FINISH, FINISH, FINISH, FINISH, FINISH, FINISH}},
};

// Carries out one action on the digit or mark in hand; false ends the number.
static bool flstep(flaction action, flstate &s)
{
    switch (action) {
    case FINISH:
        return false;
    case NOOP:
        break;
    case MAN_10:
        s.state = 3;
        if (s.mantissa <= 99999999)
            s.mantissa = s.mantissa * 10 + s.digit;
        else
            s.flexp++;
        break;
    case EXP_DC:
        s.state = 5;
        if (s.mantissa <= 99999999) {
            s.mantissa = s.mantissa * 10 + s.digit;
            s.flexp--;
        }
        break;
    case EXP_10:
        s.state = 0;
        if (s.exponent < MAXEXPONENT)
            s.exponent = s.exponent * 10 + s.digit;
        break;
    case ST_2: s.state = 2; break;
    case ST_4: s.state = 4; break;
    case ST_6: s.state = 6; break;
    case ST_7: s.state = 7; break;
    case MINSGN: s.state = 2; s.msign = -1; break;
    case MINESG: s.state = 7; s.esign = 5; break;
    case MAN_1: s.state = 6; s.mantissa = 1; break;
    }
    return true;
}

static int flrow(int cls)
{
    return cls >= CDIGIT && cls <= CMINUS ? cls : FLOTHER;
}

// mantissa x 10^scale, the mantissa first rounded to seven significant
// digits: typed numbers carry what a single-precision number carries, while
// short decimals such as 0.002 keep their exact decimal appearance.
static double scaled(long mantissa, int scale)
{
    static constexpr double exact[] = {
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
    };
    constexpr int last = static_cast<int>(std::size(exact)) - 1;
    int drop = 0;
    for (long m = mantissa; m > 9999999; m /= 10)
        drop++;
    if (drop > 0) {
        long p = static_cast<long>(exact[drop]);
        mantissa = (mantissa + p / 2) / p;
        scale += drop;
    }
    double v = static_cast<double>(mantissa);
    if (v == 0)
        return 0;
    for (; scale > last; scale -= last) {
        v *= exact[last];
        if (!std::isfinite(v))
            return v;
    }
    for (; scale < -last; scale += last) {
        v /= exact[last];
        if (v == 0)
            return 0;
    }
    return scale >= 0 ? v * exact[scale] : v / exact[-scale];
}

double flvalue(const unsigned char *text, int length, int *used)
{
    flstate s{1, 0, 0, 0, 0, 1, 0};
    const unsigned char *start = text;
    const unsigned char *saveend = expend;
    expend = text + (length > 0 ? length : 0);
    const unsigned char *p = text;
    for (; ; p++) {
        int cls = classof(p);
        if (cls == CDIGIT)
            s.digit = *p - '0';
        if (!flstep(fltable[flrow(cls)].operation[s.state], s))
            break;
    }
    expend = saveend;
    if (used != nullptr)
        *used = static_cast<int>(p - start);
    int scale = (s.esign == 5 ? -s.exponent : s.exponent) + s.flexp;
    return s.msign * scaled(s.mantissa, scale);
}

// ------------------------------------------------------------- evaluation

static bool pushnum(double v)
{
    if (ni + 1 >= NUMSTACKSIZE) {
        fperror = 1;
        return false;
    }
    numstack[++ni] = v;
    if (!std::isfinite(v))
        fperror = 2;
    return true;
}

static void flread()
{
    int used = 0;
    double v = flvalue(expptr, static_cast<int>(expend - expptr), &used);
    expptr += used;
    pushnum(v);
}

static double apply(int op, double a, double b)
{
    switch (op) {
    case CPLUS: return a + b;
    case CMINUS: return a - b;
    case CTIMES: return a * b;
    case CDIVIDE: return a / b;
    case CLESS: return a < b ? 1 : 0;
    case CGREATER: return a > b ? 1 : 0;
    case CEQUAL: {
        double larger = std::fmax(std::fabs(a), std::fabs(b));
        return std::fabs(a - b) <= 1e-8 * larger ? 1 : 0;
    }
    case CAND: return a * b >= 1e-12 ? 1 : 0;
    case COR: return a + b >= 1e-12 ? 1 : 0;
    default: return 0;
    }
}

// Applies the stacked operators whose stacked priority is at least `prior`.
// An open parenthesis is only reached by the end of the expression.
static void unstack(int prior)
{
    while (fperror == 0 && opindex > 0 && sprior[static_cast<int>(opstack[opindex])] >= prior) {
        int op = opstack[opindex--];
        if (op == COPEN) {
            fperror = 1;
            return;
        }
        if (op == CNEGATE) {
            if (ni <= oldindex) {
                fperror = 1;
                return;
            }
            numstack[ni] = -numstack[ni];
            continue;
        }
        if (ni <= oldindex + 1) {
            fperror = 1;
            return;
        }
        double r = apply(op, numstack[ni - 1], numstack[ni]);
        ni--;
        numstack[ni] = r;
        if (!std::isfinite(r))
            fperror = 2;
    }
}

static void pushop(int op)
{
    if (opindex + 1 >= NUMSTACKSIZE) {
        fperror = 1;
        return;
    }
    opstack[++opindex] = static_cast<char>(op);
}

int dijkstra(const unsigned char *text, int length)
{
    fperror = 0;
    fpnumused = 0;
    fpfault = 0;
    fparmed = 1;
    if (ni < oldindex)
        ni = oldindex;
    int base = ni;
    opindex = 0;
    expptr = text;
    expend = text + (length > 0 ? length : 0);
    unary = 1;
    while (classof(expptr) == CBLANK)
        expptr++;
    bool ended = false;
    while (fperror == 0 && !ended) {
        int cls = classof(expptr);
        switch (cls) {
        case CDIGIT: case CPOINT: case CEXPMARK:
            flread();
            unary = 0;
            break;
        case CPLUS: case CMINUS:
            if (unary) {
                expptr++;
                if (cls == CMINUS)
                    pushop(CNEGATE);
                break;
            }
            [[fallthrough]];
        case CTIMES: case CDIVIDE: case COPEN: case CLESS: case CEQUAL: case CGREATER:
        case CAND: case COR:
            expptr++;
            unstack(iprior[cls]);
            pushop(cls);
            unary = 1;
            break;
        case CCLOSE:
            expptr++;
            unstack(iprior[CCLOSE]);
            if (fperror == 0 && (opindex == 0 || opstack[opindex] != COPEN))
                fperror = 1;
            else
                opindex--;
            unary = 0;
            break;
        case CSKIP:
            expptr++;
            break;
        default:                      // blank, end of the notation or of the length
            unstack(0);
            ended = true;
            break;
        }
        if (fpfault)
            fperror = 2;
    }
    fparmed = 0;
    if (fperror == 0 && ni != base + 1)
        fperror = 1;
    opindex = 0;
    if (fperror != 0) {
        ni = base;
        return 0;
    }
    fp_num = numstack[ni];
    fpnumused = static_cast<int>(expptr - text);
    return fpnumused;
}

int dijkstra(const char *text, int length)
{
    return dijkstra(reinterpret_cast<const unsigned char *>(text), length);
}

// --------------------------------------------------------------- registers

void initregisters()
{
    std::memset(numstack, 0, sizeof numstack);
    ni = oldindex = 1;
    fp_num = 0;
    fpnumused = 0;
    std::snprintf(fpresult, sizeof fpresult, "0");
    fpresultvalue = 0;
    opindex = 0;
}

// Formats the register into fpresult and has the display send it.
void showregister()
{
    fpresultvalue = numstack[oldindex];
    std::snprintf(fpresult, sizeof fpresult, "%.8g", fpresultvalue);
    for (char *p = fpresult; *p; p++)
        if (*p == 'e')
            *p = '\'';
    redisplay = RFLOAT;
}

// A new register value, unless it is no finite number: then the register
// keeps its value and the overflow is shown.
static void setregister(double v)
{
    if (std::isfinite(v))
        numstack[oldindex] = v;
    else
        fperror = 2;
}

void evaluate()
{
    dijkstra(mathstring, static_cast<int>(std::strlen(mathstring)));
    if (fperror != 0) {
        diserr(fperror == 2 ? "Overflow Error" : "Syntax Error");
        fperror = 0;
        del = 2;
        return;
    }
    char text[GWMSGSIZE];
    std::snprintf(text, sizeof text, "$CL = %.8g", fp_num);
    gwtransmit(text);
    int len = shadow_ptr < 0 ? 0 : (shadow_ptr > SHADOWSIZE ? SHADOWSIZE : shadow_ptr);
    int n = std::snprintf(shadow_cmdline + len, static_cast<size_t>(SHADOWSIZE + 1 - len), "%s", text + 3);
    shadow_ptr = len + (n < SHADOWSIZE - len ? n : SHADOWSIZE - len);
    ni = oldindex;
    gcr();
}

// Escape # + - * /: the expression from the cursor to the end of the line
// set, raises, lowers, multiplies or divides the register.
void compute0()
{
    const COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    int left = line->length - c.curcol + 1;
    if (line->object == 2 || c.curcol < 1 || left < 0)
        left = 0;
    dijkstra(textbase + (left > 0 ? curptr() : 0), left);
    if (fperror == 0) {
        double reg = numstack[oldindex], r = fp_num;
        ni = oldindex;
        switch (type) {
        case 42: setregister(r); break;
        case 43: setregister(reg + r); break;
        case 44: setregister(reg - r); break;
        case 45: setregister(reg * r); break;
        case 46: setregister(reg / r); break;
        default: break;
        }
    }
    showregister();
}

void reginc()
{
    setregister(numstack[oldindex] + 1);
    showregister();
}

void regclear()
{
    numstack[oldindex] = 0;
    showregister();
}

void typestring(const char *s, editop enter)
{
    unsigned char keep = holdch;
    for (; *s; s++) {
        holdch = static_cast<unsigned char>(*s);
        enter();
    }
    holdch = keep;
}

// Types the register as last shown at the cursor, through the view's entry.
void regdis()
{
    typestring(fpresult, curcore().viewtype == 0 ? bldtxt : bldrec);
    redisplay = RFIELD;
}

void regshow()
{
    double r = std::trunc(numstack[oldindex]);
    int v = r >= 2147483647.0 ? 2147483647 : r <= -2147483648.0 ? -2147483647 - 1 : static_cast<int>(r);
    if (loopdepth >= 0 && loopdepth < NLOOPS)
        vl_result[loopdepth] = v;
}
