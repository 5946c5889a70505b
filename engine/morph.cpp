// Morphology rules and tables: reading the two files, finding a rule or a
// table by name, and the listings of both.
#include <cstdlib>
#include <cstring>
#include <string>
#include "engine/engine.h"

constinit std::unique_ptr<MSUBRULE> ruleheader[NMRULES];
int numrules = -1;
std::unique_ptr<TABLE> tablelist;

// The name of each rule read, by number. A rule left without subrules keeps
// its number and its name, so that the rules read after it are still found
// and its name still counts as used.
static std::string rulenames[NMRULES];

// The text being collected: a guard, an expression or a table element, at
// most MBUFSIZE - 1 characters; `mcut` notes that characters were dropped.
static std::string mbuf;
static bool mcut;

static void bufadd(int c)
{
    if (c == 0)
        return;                       // a zero would end the stored text early
    if (mbuf.size() < MBUFSIZE - 1)
        mbuf += static_cast<char>(c);
    else
        mcut = true;
}

static void bufadd(const char *s)
{
    while (*s)
        bufadd(static_cast<unsigned char>(*s++));
}

// Empties the buffer, first reporting a text that was cut.
static void bufclear()
{
    if (mcut)
        v_err("text too long, cut to 999 characters:", mbuf.substr(0, 30).c_str(), "");
    mbuf.clear();
    mcut = false;
}

// A quoted part, the current token being its opening quote mark: copied with
// its quote marks and every character inside.
inline constexpr int QUOTEDTAKE = 64;   // characters of quoted text taken at once
static void quotedpart()
{
    bufadd('"');
    v_next();
    for (int t; (t = v_peep()) != TEOF; v_next()) {
        bufadd(t);
        if (t == TQUOTE) {
            v_next();
            return;
        }
        // The rest of the quoted text comes as one run, its characters each
        // taken as the token it would have been.
        char run[QUOTEDTAKE];
        for (int n; (n = v_quoted(run, QUOTEDTAKE)) > 0;)
            for (int i = 0; i < n; i++)
                bufadd(static_cast<unsigned char>(run[i]));
    }
}

static void skiptorule()
{
    for (int t; (t = v_peep()) != TEOF && t != TRULE;)
        v_next();
}

static v_text owned(const std::string &s) { return v_strdup(s.c_str()); }

// ------------------------------------------------------------------ rules

static int rulebyname(const char *name)
{
    for (int n = 0; n <= numrules; n++)
        if (rulenames[n] == name)
            return n;
    return -1;
}

int findmrule(const char *name)
{
    int n = rulebyname(name);
    if (n >= 0 || *name == 0)
        return n;
    for (const char *p = name; *p; p++)
        if (*p < '0' || *p > '9')
            return -1;
    if (std::strlen(name) > 3)
        return -1;
    n = std::atoi(name);
    return n <= numrules ? n : -1;
}

// The body of rule n, up to the next "RULE" or the end of the file.
static void rulebody(int n)
{
    std::unique_ptr<MSUBRULE> *tail = &ruleheader[n];
    std::string guard;
    bool guarded = false;
    bufclear();
    for (int t; (t = v_peep()) != TEOF && t != TRULE;) {
        switch (t) {
        case TIDENT:
            bufadd(identbuf);
            break;
        case TPERCENT:
            break;
        case TQUOTE:
            quotedpart();
            continue;
        case ':':
            if (guarded) {
                v_err("second COLON in subrule", "", "");
            } else {
                guard = mbuf + ":";
                guarded = true;
            }
            bufclear();
            break;
        case ';':
            if (!guarded) {
                v_err("incomplete subrule", "", "");
            } else {
                auto sub = std::make_unique<MSUBRULE>();
                sub->rulename = owned(rulenames[n]);
                sub->guard = owned(guard);
                sub->mexp = owned(mbuf + "|");
                *tail = std::move(sub);
                tail = &(*tail)->nextsub;
                guarded = false;
            }
            bufclear();
            break;
        default:
            bufadd(t);
            break;
        }
        v_next();
    }
    if (guarded || !mbuf.empty())
        v_err("last subrule incomplete", "", "");
    bufclear();
}

void m_read()
{
    int t = v_peep();
    if (t != TEOF && t != TRULE) {
        v_err("text before first RULE", "", "");
        skiptorule();
    }
    while (v_peep() == TRULE) {
        v_next();
        file_position[0] = 0;
        if (v_peep() != TIDENT) {
            v_err("rule has no name", "", "");
            skiptorule();
            continue;
        }
        std::string name = identbuf;
        v_next();
        setposition("rule %s", name.c_str());
        if (numrules + 1 >= MAXMRULES) {
            v_err("too many rules", "", "");
            while (v_peep() != TEOF)  // read to the end, so the file is reported
                v_next();
            return;
        }
        if (rulebyname(name.c_str()) >= 0) {
            v_err("rule name repeated", "", "");
            skiptorule();
            continue;
        }
        numrules++;
        rulenames[numrules] = name;
        rulebody(numrules);
    }
}

// Opens a description file with line ends off and reads it with `reader`.
static void readwith(const char *filename, const char *operation, void (*reader)())
{
    v_stat = 0;
    file_operation = operation;
    file_position[0] = 0;
    if (!openfile(filename, 0))
        return;
    reader();
    closeall();                       // later messages are about no file
}

void new_readmorph(const char *filename) { readwith(filename, "morphology input", m_read); }

// Frees one chain of subrules link by link.
static void freechain(std::unique_ptr<MSUBRULE> &head)
{
    while (head)
        head = std::move(head->nextsub);
}

void clear_mrules()
{
    // Rules are taken in order, so those after numrules were never written.
    for (int n = 0; n <= numrules && n < NMRULES; n++) {
        freechain(ruleheader[n]);
        std::string().swap(rulenames[n]);
    }
    numrules = -1;
}

void init_mrules() { clear_mrules(); }

// ----------------------------------------------------------------- tables

const TABLE *findtable(const char *name, size_t len)
{
    for (const TABLE *t = tablelist.get(); t != nullptr; t = t->next.get())
        if (std::strlen(t->tablename.get()) == len && std::memcmp(t->tablename.get(), name, len) == 0)
            return t;
    return nullptr;
}

// The elements of one table, its name just read, up to its ")".
static void tableelements(std::unique_ptr<TABLE> *&tail, const std::string &name)
{
    std::string elements;
    int count = 0;
    auto endelement = [&] {
        elements += mbuf;
        elements += '|';
        count++;
        bufclear();
    };
    bufclear();
    for (int t; (t = v_peep()) != TEOF;) {
        switch (t) {
        case TIDENT:
            bufadd(identbuf);
            break;
        case TPERCENT:
        case '(':
            break;
        case TQUOTE:
            quotedpart();
            continue;
        case ',':
            endelement();
            break;
        case ')':
            endelement();
            v_next();
            goto closed;
        default:
            bufadd(t);
            break;
        }
        v_next();
    }
    v_err("table not closed", "", "");
    if (!mbuf.empty())
        endelement();
closed:
    auto table = std::make_unique<TABLE>();
    table->tablename = owned(name);
    table->elements = owned(elements);
    table->count = count;
    *tail = std::move(table);
    tail = &(*tail)->next;
}

void table_read()
{
    std::unique_ptr<TABLE> *tail = &tablelist;
    while (*tail)
        tail = &(*tail)->next;
    for (int t; (t = v_peep()) != TEOF;) {
        if (t == TIDENT) {
            std::string name = identbuf;
            v_next();
            setposition("table %s", name.c_str());
            tableelements(tail, name);
        } else {
            if (t != ',')
                v_err("unexpected outside a table:", tok2str(t), "");
            v_next();
        }
    }
}

void new_readtables(const char *filename) { readwith(filename, "table input", table_read); }

void clear_tables()
{
    while (tablelist)
        tablelist = std::move(tablelist->next);
}

// --------------------------------------------------------------- listings

// A text fit for a corefile line: the byte 255 marks free characters of the
// arena and is shown as "?".
static std::string shown(const char *s)
{
    std::string out = s ? s : "";
    for (char &c : out)
        if (static_cast<unsigned char>(c) == FREECH)
            c = '?';
    return out;
}

void print_mrules()
{
    for (int n = 0; n <= numrules; n++)
        for (const MSUBRULE *s = ruleheader[n].get(); s != nullptr; s = s->nextsub.get())
            v_linef(MSGCORE, "rule: %d name: %s guard: %s mexp: %s", n, shown(s->rulename.get()).c_str(),
                    shown(s->guard.get()).c_str(), shown(s->mexp.get()).c_str());
}

void print_tables()
{
    for (const TABLE *t = tablelist.get(); t != nullptr; t = t->next.get())
        v_linef(MSGCORE, "table %s, %d elements: %s", shown(t->tablename.get()).c_str(), t->count,
                shown(t->elements.get()).c_str());
}

// ------------------------------------------------------------------ fuzzing

// Rules, or with `tables` 1 tables, read from a text held in memory through a
// scratch file: an entry point for fuzzing the two readers. Returns the
// number of rules or tables loaded, -1 when no scratch file could be made.
int readmorphtext(const char *text, size_t len, int tables)
{
    int count = 0;
    bool read = readthrough(text, len, [tables, &count](const char *name) {
        if (tables) {
            clear_tables();
            new_readtables(name);
            for (const TABLE *t = tablelist.get(); t != nullptr; t = t->next.get())
                count++;
        } else {
            clear_mrules();
            new_readmorph(name);
            count = numrules + 1;
        }
    });
    return read ? count : -1;
}
