// The syntax file reader: context-free rules, transformations and the
// PRESELECT rule compiled into texts in which control bytes mark the parts;
// the rule and transformation stacks with their barriers, and the listings.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include "engine/engine.h"

syn_rule *syntax_stack;
transformation *trans_stack;

static const char BARRIER[] = "%%%%%";

// What the reader is reading decides what an attribute may hold.
enum : int {
    CFGUARD = 1, CFRHS = 2, TRGUARD = 3, TRRHS = 4, INDIRLIST = 5, VARTYPE = 6, PRERHS = 7,
    PRETAG = 8
};

static char rulebuf[RULEBUFSIZE];     // the part being read
static int rulepos;
static char cf_buf[CFBUFSIZE];        // the whole rule, parts appended
static int cfpos;
static char second[RULEBUFSIZE];      // one compound attribute
static int secpos;
static char varnames[NVARIABLES][VARNAMESIZE];  // variables 1..25 of the rule
static int curvar;                    // the next free variable number
static int posstack[NCHOICEDEPTH];    // per open parenthesis: its count byte,
static int cvstack[NCHOICEDEPTH];     // curvar when it opened,
static int altcount[NCHOICEDEPTH];    // alternatives so far
static int nestlevel;
static int context;
static int attachment;                // 1 while a preselection attachment is read
static int errorflag;                 // an error in the current part
static bool skipping;                 // the rule was too long: the rest goes unread
static int firstnewvar;               // variables below it may be named in a SELECT source
static bool rootseen;                 // the file holds a rule named ROOT

// The newest rule of each name, rebuilt after the stack changes.
static std::unordered_map<std::string_view, const syn_rule *> ruleindex;
static bool indexstale = true;

// ------------------------------------------------------------- helpers

// The token level never gives away the rule's end: "%" and the end of the
// file stay for the rule readers to see.
static void next()
{
    int t = v_peep();
    if (t != TPERCENT && t != TEOF)
        v_next();
}

static void skiprule()
{
    while (v_peep() != TPERCENT && v_peep() != TEOF)
        v_next();
}

static void fault(const char *a, const char *b = "", const char *c = "")
{
    if (!skipping)
        v_err(a, b, c);
    errorflag = 1;
}

static void toolong()
{
    fault("Rule too long. ");
    skipping = true;
    skiprule();
}

// Appends n characters to a buffer holding at most `limit` of them.
static void append(char *buf, int &pos, int limit, const char *s, size_t n)
{
    if (skipping)
        return;
    if (pos + static_cast<int>(n) > limit) {
        toolong();
        return;
    }
    std::memcpy(buf + pos, s, n);
    pos += static_cast<int>(n);
    buf[pos] = 0;
}

static void put(int c)
{
    char one = static_cast<char>(c);
    append(rulebuf, rulepos, RULEBUFSIZE - 2, &one, 1);
}

static void putstr(const char *s, size_t n) { append(rulebuf, rulepos, RULEBUFSIZE - 1, s, n); }
static void putstr(const char *s) { putstr(s, std::strlen(s)); }
static void putsecond() { putstr(second, static_cast<size_t>(secpos)); }

static void sput(int c)
{
    char one = static_cast<char>(c);
    append(second, secpos, RULEBUFSIZE - 2, &one, 1);
}

static void cfappend(const char *s, size_t n) { append(cf_buf, cfpos, CFBUFSIZE - 1, s, n); }
static void cfput(char c) { cfappend(&c, 1); }

// The value of an identifier made only of digits, else 0.
static int number(const char *s)
{
    int n = 0;
    if (*s == 0)
        return 0;
    for (; *s; s++) {
        if (*s < '0' || *s > '9')
            return 0;
        if (n < 1000000)
            n = n * 10 + (*s - '0');
    }
    return n;
}

// ---------------------------------------------------------- numbers

std::string numbertext(int n)
{
    n = std::clamp(n, 1, MAXNUMTEXT);
    if (n < NUMESC)
        return std::string(1, static_cast<char>(n));
    int m = n - NUMESC;
    return {static_cast<char>(NUMESC), static_cast<char>(m / NUMESC + 1),
            static_cast<char>(m % NUMESC + 1)};
}

int readnumber(const char **p)
{
    const unsigned char *s = reinterpret_cast<const unsigned char *>(*p);
    if (*s == 0 || *s > NUMESC)
        return 0;
    if (*s < NUMESC) {
        (*p)++;
        return *s;
    }
    if (s[1] == 0 || s[1] > NUMESC || s[2] == 0 || s[2] > NUMESC) {
        (*p)++;                       // a cut number: the escape alone
        return 0;
    }
    *p += 3;
    return NUMESC + (s[1] - 1) * NUMESC + (s[2] - 1);
}

// A number of the compiled text up to `limit`; a larger one is refused.
static bool numberfits(int n, int limit, const char *what, const char *text)
{
    if (n > limit) {
        fault(what, text, "is out of range.");
        return false;
    }
    return true;
}

static void putnumber(int n)
{
    std::string s = numbertext(n);
    putstr(s.data(), s.size());
}

// The count of a closed choice group into its placeholder byte; a count
// written in more bytes moves the group's text up to make room.
static void putcount(int at, int n)
{
    if (skipping)
        return;
    std::string s = numbertext(n);
    int extra = static_cast<int>(s.size()) - 1;
    if (rulepos + extra > RULEBUFSIZE - 2) {
        toolong();
        return;
    }
    std::memmove(rulebuf + at + 1 + extra, rulebuf + at + 1, static_cast<size_t>(rulepos - at));
    std::memcpy(rulebuf + at, s.data(), s.size());
    rulepos += extra;
}

// ------------------------------------------------------------- attributes

static int findvar(const char *name)
{
    int low = context == CFRHS ? 1 : NVARIABLES;
    for (int v = curvar - 1; v >= low; v--)
        if (v < firstnewvar && std::strcmp(varnames[v], name) == 0)
            return v;
    return 0;
}

// One compound attribute into second.
static void compound()
{
    secpos = 0;
    second[0] = 0;
    bool ident = false;               // the last part was an identifier
    bool any = false;
    for (;;) {
        int t = v_peep();
        if (t == TIDENT) {
            if (ident) {
                if (!attachment)
                    fault("Unexpected identifier: ", identbuf, " in attribute");
                break;
            }
            if (int v = findvar(identbuf)) {
                sput(CVAR);
                sput(v);
            } else if (lookup_attr(identbuf)) {
                for (const char *s = identbuf; *s; s++)
                    sput(*s);
            } else {
                fault("Unknown attribute", identbuf, "");
                return;
            }
            ident = any = true;
            next();
        } else if (t == '/' || t == '.') {
            if (ident && attachment && t == '/')
                break;
            if (!ident && !(t == '/' && !any)) {
                fault("Unexpected ", tok2str(t), " in attribute");
                return;
            }
            sput(t);
            ident = false;
            any = true;
            next();
        } else {
            break;
        }
    }
    if (!ident)
        fault("Missing compound attribute.");
}

static void compoundput()
{
    compound();
    putsecond();
}

static void attrlist()
{
    put('[');
    next();
    while (!errorflag) {
        int t = v_peep();
        if (t == TIDENT && context == TRRHS && number(identbuf) > 0) {
            int n = number(identbuf);
            bool fits = numberfits(n, NGUARDREFS - 2, "Guard element", identbuf);
            next();
            if (v_peep() != '!') {
                fault("! missing");
            } else {
                put('!');
                if (fits)
                    putnumber(n);
                next();
                compoundput();
            }
        } else if (t == TIDENT || t == '/') {
            compoundput();
            if (v_peep() == TPRE) {
                put(CPRE);
                next();
                compoundput();
            }
        } else if (t == TPRE) {
            put(CPRE);
            next();
            compoundput();
        } else if (t == '!') {
            if (context == INDIRLIST) {
                put('!');
                next();
                compoundput();
            } else {
                fault("! not permitted in this context.");
                next();
            }
        } else if (t == '-') {
            if (context == TRRHS) {
                put('-');
                next();
                compoundput();
            } else {
                fault("MINUS not permitted in this context.");
                next();
            }
        } else {
            break;
        }
        if (v_peep() == ',') {
            put(',');
            next();
        }
    }
    if (errorflag)
        return;
    if (v_peep() == ']') {
        put(']');
        next();
    } else {
        fault("Expecting close bracket [']'].");
    }
}

// ------------------------------------------------------------ attachments

// A quoted text with its quotes; every character inside is its own token.
static void literal()
{
    put('"');
    v_next();
    for (;;) {
        int t = v_peep();
        if (t == TQUOTE)
            break;
        if (t == TEOF || skipping) {
            fault("Unmatched Quote.");
            return;
        }
        put(t);
        v_next();
    }
    put('"');
    v_next();
}

static bool endsvalues(int t)
{
    return t < ' ' || t == TPERCENT || t == '@' || std::strchr("()/;<>[|", t) != nullptr;
}

static void restriction()
{
    put('/');
    int n = number(identbuf);
    if (n <= 0)
        fault("Missing field number in restriction.", identbuf, "");
    else if (numberfits(n, MAXFIELDNUM, "Field number", identbuf))
        putnumber(n);
    next();
    if (errorflag)
        return;
    if (v_peep() != '=') {
        fault("Expecting equals ['='].");
        return;
    }
    put('=');
    next();
    bool expecting = true;            // a value must come next
    while (!errorflag) {
        int t = v_peep();
        if (t == TIDENT || t == TQUOTE) {
            if (!expecting)
                break;                // the next node, or a mandated word
            if (t == TQUOTE)
                literal();
            else {
                putstr(identbuf);
                next();
            }
            expecting = false;
        } else if (t == ',') {
            if (expecting)
                fault("Spurious comma in restriction.");
            else
                put(',');
            expecting = true;
            next();
        } else if (endsvalues(t)) {
            break;
        } else {
            put(t);
            next();
        }
    }
    if (expecting && !errorflag)
        fault("Unterminated list - extra comma.");
}

static void indirection()
{
    int keep = context;
    context = INDIRLIST;
    put('@');
    next();
    int n = v_peep() == TIDENT ? number(identbuf) : 0;
    if (n <= 0)
        fault("Missing field number in indirection.");
    else if (numberfits(n, MAXFIELDNUM, "Field number", identbuf))
        putnumber(n);
    next();
    if (!errorflag && v_peep() == ':') {
        put(':');
        next();
        if (v_peep() == TIDENT) {
            putstr(identbuf);
            next();
        } else {
            fault("Expecting tag name.");
        }
    }
    if (!errorflag && v_peep() == '[')
        attrlist();
    context = keep;
}

static void frequency(bool minus)
{
    next();
    int t = v_peep();
    if (t != TIDENT || identbuf[0] < '0' || identbuf[0] > '9') {
        v_err("Improper token follows + or $: ", tok2str(t), "");
        if (t == TIDENT)
            next();
        return;
    }
    put(CVF);
    if (minus)
        put('-');
    for (int i = 0; i < 9 && identbuf[i] >= '0' && identbuf[i] <= '9'; i++)
        put(identbuf[i]);
    next();
}

static void attachment1()
{
    int t = v_peep();
    switch (t) {
    case TIDENT:
        restriction();
        break;
    case TPRE:
        put(CPRE);
        next();
        attachment = 1;
        compoundput();
        attachment = 0;
        break;
    case TQUOTE:
        literal();
        break;
    case '+':
    case '$':
        frequency(t == '$');
        break;
    case '@':
        indirection();
        break;
    default:
        fault("Improper token follows / : ", tok2str(t), "");
        next();
    }
}

// The identifier just read, into a name buffer of its size (identbuf's).
static void copyident(char (&name)[IDENTSIZE])
{
    size_t n = strnlen(identbuf, IDENTSIZE - 1);
    std::memcpy(name, identbuf, n);
    name[n] = 0;
}

// A node: its transformation prefixes, its name, its attachments.
static void node()
{
    char name[IDENTSIZE];
    copyident(name);
    std::string prefixes;
    next();
    while (v_peep() == ':') {
        next();
        if (v_peep() != TIDENT) {
            fault("Colon followed by ", tok2str(v_peep()), "");
            break;
        }
        prefixes += static_cast<char>(CTRANS);
        prefixes += name;
        copyident(name);
        next();
    }
    put(' ');
    putstr(name);
    putstr(prefixes.c_str(), prefixes.size());
    if (v_peep() == '[')
        attrlist();
    while (v_peep() == '/' && !errorflag) {
        next();
        attachment1();
    }
}

// ------------------------------------------------------------- variables

static void declare(const char *name)
{
    if (curvar >= NVARIABLES)
        fault("Too many variables active. ", name, "");
    else if (std::strlen(name) >= VARNAMESIZE)
        fault("Variable name too long. ", name, "");
    else
        std::snprintf(varnames[curvar++], VARNAMESIZE, "%s", name);
}

static void choose(int kind)
{
    context = VARTYPE;
    next();
    int first = curvar;
    while (!errorflag) {
        int t = v_peep();
        if (t == TIDENT) {
            declare(identbuf);
            next();
        } else if (t == ',') {
            next();
        } else if (t == ':') {
            next();
            compound();
            for (int v = first; v < curvar; v++) {
                put(kind);
                put(v);
                putsecond();
            }
            first = curvar;
        } else {
            break;
        }
    }
    if (v_peep() == ';')
        next();
    context = CFRHS;
}

static void select()
{
    next();
    int first = curvar;
    for (int t; ((t = v_peep()) == TIDENT || t == ',') && !errorflag;) {
        if (t == TIDENT)
            declare(identbuf);
        next();
    }
    if (errorflag)
        return;
    if (v_peep() != ':') {
        fault("Expecting Colon.");
        return;
    }
    next();
    std::string type;
    if (v_peep() != TPRE) {
        context = VARTYPE;
        compound();
        type.assign(second, static_cast<size_t>(secpos));
        if (errorflag)
            return;
    }
    next();                           // the "_pre_", or what stands for it
    context = CFRHS;
    firstnewvar = first;              // the source names no variable of this clause
    compound();
    firstnewvar = NVARIABLES;
    for (int v = first; v < curvar; v++) {
        put(CSELECT);
        put(v);
        putstr(type.c_str(), type.size());
        put(CPRE);
        putsecond();
    }
    if (v_peep() == ';')
        next();
}

// ------------------------------------------------------------ rule parts

static void rhs()
{
    rulepos = 0;
    rulebuf[0] = 0;
    nestlevel = 0;
    context = CFRHS;
    put(CRHS);
    for (;;) {
        int t = v_peep();
        if (t == TPERCENT || t == '<' || t == '>' || t == TEOF || errorflag)
            break;
        switch (t) {
        case TIDENT:
            node();
            break;
        case TINHERIT:
        case TCHOOSE:
            choose(t);
            break;
        case TSELECT:
            select();
            break;
        case '(':
            if (nestlevel < NCHOICEDEPTH - 1) {
                nestlevel++;
                put('(');
                posstack[nestlevel] = rulepos;
                put(1);
                put('|');
                cvstack[nestlevel] = curvar;
                altcount[nestlevel] = 1;
            } else {
                fault("Choices Nested too deep. ");
            }
            next();
            break;
        case '|':
            if (nestlevel > 0) {
                put('|');
                curvar = cvstack[nestlevel];
                altcount[nestlevel]++;
            } else {
                fault("| appears outside parentheses");
            }
            next();
            break;
        case ')':
            if (nestlevel > 0) {
                put(')');
                if (altcount[nestlevel] > MAXCHOICES)
                    fault("Too many choices in group. ");
                else
                    putcount(posstack[nestlevel], altcount[nestlevel]);
                curvar = cvstack[nestlevel];
                nestlevel--;
            } else {
                fault("Unmatched )");
            }
            next();
            break;
        default:
            fault("Improper token: ", tok2str(t), "");
            next();
        }
    }
    if (nestlevel > 0 && !errorflag)
        fault("There are unmatched ('s");
}

static void cfguard()
{
    rulepos = 0;
    rulebuf[0] = 0;
    context = CFGUARD;
    for (;;) {
        int t = v_peep();
        if (t == TIDENT) {
            compoundput();
        } else if (t == ',' || t == '|' || t == '(' || t == ')') {
            put(t);
            next();
        } else if (t == TPRE || t == TIS) {
            put(t);
            next();
            context = CFRHS;
            compoundput();
            context = CFGUARD;
        } else if (t == ':') {
            put(':');
            next();
            return;
        } else {
            fault("Encountered ", tok2str(t), " instead of colon.");
            return;
        }
        if (errorflag)
            return;
    }
}

// ------------------------------------------------------------- the stacks

static void pushrule(const char *name, const char *text)
{
    auto r = std::make_unique<syn_rule>();
    r->name = v_strdup(name);
    r->rules = v_strdup(text);
    r->next = syntax_stack;
    syntax_stack = r.release();
    indexstale = true;
}

static bool barrier(const syn_rule *r) { return r->rules == nullptr; }

static bool builtin(const transformation *t)
{
    for (const transformation &b : builtIn)
        if (t == &b)
            return true;
    return false;
}

static bool barrier(const transformation *t)
{
    return t->first == nullptr && t->functionPtr == nullptr && t->name &&
           std::strcmp(t->name.get(), BARRIER) == 0;
}

static void purgesubs(sub_trans *s)
{
    while (s != nullptr) {
        std::unique_ptr<sub_trans> owned(s);
        s = owned->next;
    }
}

static void pushtrans(const char *name, int priority, sub_trans *first)
{
    auto t = std::make_unique<transformation>();
    t->name = v_strdup(name);
    t->priority = priority;
    t->first = first;
    t->next = trans_stack;
    trans_stack = t.release();
}

static void add_barrier()
{
    auto r = std::make_unique<syn_rule>();
    r->name = v_strdup(BARRIER);
    r->next = syntax_stack;
    syntax_stack = r.release();
    indexstale = true;
    pushtrans(BARRIER, 5, nullptr);
}

// ------------------------------------------------------------------ rules

static void cfrule(const char *name)
{
    cfpos = 0;
    cf_buf[0] = 0;
    curvar = 1;
    bool guarded = false;
    for (;;) {
        int t = v_peep();
        if (t == TPERCENT || t == TEOF)
            break;
        errorflag = 0;
        if (t == '<') {
            next();
            cfput('<');
            cfguard();
            cfappend(rulebuf, static_cast<size_t>(rulepos));
            guarded = true;
        } else if (t == '>') {
            next();
            cfput('>');
        }
        if (!errorflag) {
            int keep = curvar;
            rhs();
            cfappend(rulebuf, static_cast<size_t>(rulepos));
            if (guarded)
                curvar = keep;
        }
        if (errorflag) {
            skiprule();
            return;
        }
    }
    pushrule(name, cf_buf);
    if (std::strcmp(name, "ROOT") == 0)
        rootseen = true;
}

static void transrule(const char *name)
{
    int priority = 5;
    if (v_peep() == TPRIORITY) {
        next();
        int n = v_peep() == TIDENT ? number(identbuf) : 0;
        if (n <= 0)
            v_err("Expecting Transformation Priority.", "", "");
        else if (n > MAXPRIORITY) {
            fault("Transformation priority", identbuf, "is out of range.");
            skiprule();
            return;
        } else
            priority = n;
        next();
    }
    std::vector<std::unique_ptr<sub_trans>> subs;
    while (v_peep() != TPERCENT && v_peep() != TEOF) {
        errorflag = 0;
        rulepos = 0;
        rulebuf[0] = 0;
        context = TRGUARD;
        while (!errorflag) {
            int t = v_peep();
            if (t == TIDENT) {
                put(' ');
                putstr(identbuf);
                next();
                if (v_peep() == '[')
                    attrlist();
            } else if (t == '*') {
                put('*');
                next();
            } else {
                break;
            }
        }
        if (v_peep() == ':')
            next();
        else if (!errorflag)
            fault("Expecting Colon.");
        if (errorflag) {
            skiprule();
            return;
        }
        auto sub = std::make_unique<sub_trans>();
        sub->guard = v_strdup(rulebuf);
        rulepos = 0;
        rulebuf[0] = 0;
        context = TRRHS;
        while (v_peep() == TIDENT && !errorflag)
            node();
        next();                       // the token that ends the sub-rule
        if (errorflag) {
            skiprule();
            return;
        }
        sub->rule = v_strdup(rulebuf);
        subs.push_back(std::move(sub));
    }
    for (size_t i = 0; i + 1 < subs.size(); i++)
        subs[i]->next = subs[i + 1].get();
    pushtrans(name, priority, subs.empty() ? nullptr : subs.front().get());
    for (auto &s : subs)
        s.release();
}

static void preselectrule()
{
    cfpos = 0;
    cf_buf[0] = 0;
    for (;;) {
        int t = v_peep();
        if (t == TPERCENT || t == TEOF)
            break;
        errorflag = 0;
        if (t == ':') {
            next();
            if (v_peep() != TIDENT)
                continue;             // a clause without a node
            rulepos = 0;
            rulebuf[0] = 0;
            context = PRERHS;
            node();
            if (skipping)
                return;
            if (!errorflag) {
                cfput(':');
                cfappend(rulebuf, static_cast<size_t>(rulepos));
            }
            continue;
        }
        if (t == ';') {
            cfput(';');
            next();
        }
        if (cfpos == 0 || cf_buf[cfpos - 1] == ';') {
            context = PRETAG;
            compound();
            cfappend(second, static_cast<size_t>(secpos));
            if (errorflag) {
                skiprule();
                return;
            }
        } else {
            fault("Improper token: ", tok2str(v_peep()), "");
            skiprule();
            return;
        }
    }
    if (!skipping)
        pushrule("PRESELECT", cf_buf);
}

static void readrules()
{
    for (;;) {
        int t = v_peep();
        if (t == TEOF)
            break;
        if (t != TIDENT) {
            v_err("Encountered ", tok2str(t), " instead of rule name.");
            v_next();
            continue;
        }
        char name[IDENTSIZE];
        copyident(name);
        setposition("%s", name);
        v_next();
        skipping = false;
        errorflag = 0;
        attachment = 0;
        firstnewvar = NVARIABLES;
        if (v_peep() != '=')
            v_err("Rule name must be followed by =. ", "", "");
        else
            v_next();
        if (v_peep() == TTRANSFORM) {
            v_next();
            transrule(name);
        } else if (std::strcmp(name, "PRESELECT") == 0) {
            preselectrule();
        } else {
            cfrule(name);
        }
        v_next();                     // the "%"
    }
}

int read_syntax(const char *filename)
{
    file_operation = "Syntax Input";
    file_position[0] = 0;
    v_stat = 0;
    rootseen = false;
    add_built_in();
    add_barrier();
    if (openfile(filename, 0))
        readrules();
    closeall();                       // later messages are about no file
    file_operation = "";
    file_position[0] = 0;
    if (rootseen)
        v_stat = 2;
    return rootseen ? 2 : 0;
}

int readsyntaxtext(const char *text, size_t len)
{
    int status = 0;
    readthrough(text, len, [&status](const char *name) { status = read_syntax(name); });
    return status;
}

// ------------------------------------------------------------- lookups

const char *getrule(const char *name)
{
    if (name == nullptr)
        return nullptr;
    if (indexstale) {
        ruleindex.clear();
        for (const syn_rule *r = syntax_stack; r != nullptr; r = r->next)
            ruleindex.emplace(r->name.get(), r);
        indexstale = false;
    }
    auto found = ruleindex.find(name);
    return found == ruleindex.end() ? nullptr : found->second->rules.get();
}

v_text getident(const char **p)
{
    const char *start = *p;
    const char *s = start;
    while (identchar(static_cast<unsigned char>(*s)))
        s++;
    *p = s;
    return v_strdup(std::string(start, s).c_str());
}

transformation *findtrans(const char *name)
{
    for (transformation *t = trans_stack; t != nullptr; t = t->next)
        if (t->name && std::strcmp(t->name.get(), name) == 0)
            return t;
    return nullptr;
}

// ---------------------------------------------------------------- unloading

// What one file added: rules down to its barrier, transformations down to
// theirs; the built-ins at the bottom stay.
void dump_syntax()
{
    while (syntax_stack != nullptr) {
        std::unique_ptr<syn_rule> r(syntax_stack);
        syntax_stack = r->next;
        if (barrier(r.get()))
            break;
    }
    while (trans_stack != nullptr && !builtin(trans_stack)) {
        std::unique_ptr<transformation> t(trans_stack);
        trans_stack = t->next;
        purgesubs(t->first);
        if (barrier(t.get()))
            break;
    }
    indexstale = true;
}

void purge_syntax()
{
    while (syntax_stack != nullptr || (trans_stack != nullptr && !builtin(trans_stack)))
        dump_syntax();
}

// ---------------------------------------------------------------- listings

std::string showrule(const char *text)
{
    std::string line;
    if (text == nullptr)
        return line;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++) {
        if (*p == CVAR && p[1] != 0) {
            line += '$';
            line += std::to_string(p[1]);
            p++;
        } else if (*p != CVAR) {
            line += static_cast<char>(*p);
        }
    }
    return line;
}

void print_cf()
{
    for (const syn_rule *r = syntax_stack; r != nullptr; r = r->next) {
        v_line(MSGCORE, 0, r->name.get());
        if (!barrier(r))
            v_line(MSGCORE, 0, " rule: " + showrule(r->rules.get()) + ": ");
    }
}

void print_transf()
{
    for (const transformation *t = trans_stack; t != nullptr; t = t->next) {
        v_line(MSGCORE, 0, t->name ? t->name.get() : "");
        if (!barrier(t) && !builtin(t))
            v_line(MSGCORE, 0, " first RHS: " + showrule(t->first ? t->first->rule.get() : ""));
    }
}
