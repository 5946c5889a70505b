// Morphology at work: the expression evaluator that builds a leaf's word
// form, the guards that choose a rule's subrule, and the passes over a tree.
#include <cstring>
#include "engine/engine.h"

const char *mstack[MSTACKSIZE];
int mstackptr;
int MState;
t_treenode *lspstack[MSTACKSIZE];
int lspstackptr;
char moutput[MOUTSIZE];
int moutptr;
char tablebuffer[TABBUFSIZE];
int tabbufptr;
const char *guardptr;
const char *end_guard;
int current;
int defstack[NGUARDDEPTH];
int defptr;
int gdepth;
t_treenode *offset_node;
t_treenode *current_node;

inline constexpr unsigned char PREMARK = 14;  // "_pre_" or "_in_"
inline constexpr unsigned char ISMARK = 17;   // "_is_"
inline constexpr int MAXDESIGNATOR = 100000;  // leaves a designator may reach

static bool digit(int c) { return c >= '0' && c <= '9'; }

// A number of digits at p, kept below `limit`; p moves past all of them.
static int number(const char *&p, int limit)
{
    int n = 0;
    for (; digit(*p); p++)
        if (n < limit)
            n = n * 10 + (*p - '0');
    return n < limit ? n : limit;
}

t_treenode *traverseleaves(t_treenode *node, int n)
{
    for (; node != nullptr && n > 0; n--)
        node = node->right;
    for (; node != nullptr && n < 0; n++)
        node = node->left;
    return node;
}

static const char *entry(const t_treenode *node)
{
    if (node == nullptr || node->dictionary == nullptr)
        return nullptr;
    return node->dictionary->dictionary;
}

// Field n (from 1) of an entry record, or null when it is empty or missing.
static const char *mfield(const char *record, int n)
{
    if (record == nullptr || n < 1)
        return nullptr;
    const char *s = getfieldptr(record, n);
    return *s ? s : nullptr;
}

// ------------------------------------------------------------- expressions

static int pushes;                    // texts pushed in this evaluation
static t_treenode *startnode;         // the node the evaluation began with

static void mpush(const char *text, t_treenode *node)
{
    if (mstackptr == 0 && pushes > 0)
        return;                       // the evaluation was stopped
    if (++pushes > MAXMPUSHES) {
        v_err("Morph expression too long to evaluate", "", "");
        mstackptr = lspstackptr = 0;
        return;
    }
    if (mstackptr >= MSTACKSIZE) {
        v_err("Morph expressions nested too deeply", "", "");
        return;
    }
    mstack[mstackptr++] = text;
    lspstack[lspstackptr++] = node;
}

static void mpop()
{
    if (mstackptr > 0)
        mstackptr--;
    if (lspstackptr > 0)
        lspstackptr--;
}

static void outch(int c)
{
    if (c == 0 || c == FREECH)
        return;                       // never a free-character mark in a word
    if (moutptr < MOUTSIZE - 1)
        moutput[moutptr++] = static_cast<char>(c);
}

static void tabch(int c)
{
    if (tabbufptr < TABBUFSIZE - 1)
        tablebuffer[tabbufptr++] = static_cast<char>(c);
}

// Element k (from 1) of a table: "|" inside quote marks is part of the text.
static const char *element(const TABLE *t, int k)
{
    const char *p = t->elements.get();
    bool quoted = false;
    for (; k > 1 && *p; p++) {
        if (*p == '"')
            quoted = !quoted;
        else if (*p == '|' && !quoted)
            k--;
    }
    return p;
}

// The table reference in tablebuffer: name "(" arguments ")".
static void m_table()
{
    tablebuffer[tabbufptr] = 0;
    const char *open = std::strchr(tablebuffer, '(');
    size_t len = open ? static_cast<size_t>(open - tablebuffer) : std::strlen(tablebuffer);
    const TABLE *t = findtable(tablebuffer, len);
    if (t == nullptr) {
        std::string name(tablebuffer, len);
        v_err("Table not found", name.c_str(), "");
        return;
    }
    if (open == nullptr)
        return;
    long long total = 0;
    for (const char *a = open + 1;;) {
        int size = 1;
        int index = match_index(current_node, a, &size);
        if (index < 0)
            return;                   // the node cannot give this argument
        if (total <= t->count)        // beyond count stays beyond it
            total = index + static_cast<long long>(size) * total;
        while (*a && *a != ',' && *a != ')')
            a++;
        if (*a != ',')
            break;
        a++;
    }
    total++;
    if (total > t->count) {
        v_err("Table index too high", t->tablename.get(), "");
        return;
    }
    mpush(element(t, static_cast<int>(total)), current_node);
}

static void m_rule(const char *name)
{
    int n = findmrule(name);
    if (n < 0) {
        v_err("Reference to non-existent morph rule", name, "");
        return;
    }
    for (const MSUBRULE *s = ruleheader[n].get(); s != nullptr; s = s->nextsub.get())
        if (m_guard(s->guard.get())) {
            mpush(s->mexp.get(), current_node);
            return;
        }
}

// "#" n, and during a lexical transformation "." k: a field pushed as an
// expression. p is past the "#"; returns the position after the reference.
static const char *fieldref(const char *p, int top)
{
    int n = number(p, 10000);
    int k = 0;
    t_treenode *node = current_node;
    if (MState == 1 && *p == '.' && digit(p[1])) {
        p++;
        k = number(p, 10000);
        node = traverseleaves(startnode, k - 1);
    }
    mstack[top] = p;
    const char *field = mfield(entry(node), n);
    if (field == nullptr)
        v_linef(MSGCORE, "Bad field reference: field %d from lsp %d", n, k);
    else
        mpush(field, node);
    return p;
}

void m_exp(const char *text)
{
    mstackptr = lspstackptr = 0;
    moutptr = tabbufptr = 0;
    pushes = 0;
    startnode = current_node;
    mpush(text ? text : "", current_node);
    while (mstackptr > 0) {
        int top = mstackptr - 1;
        if (MState == 1)
            current_node = lspstack[top];
        const char *p = mstack[top];
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0) {                 // a text without its "|" ends here too
            mpop();
            continue;
        }
        mstack[top] = ++p;
        switch (c) {
        case ' ':
        case '+':
            break;
        case '!':
            if (current_node != nullptr && current_node->morphed_word)
                for (const char *w = current_node->morphed_word.get(); *w; w++)
                    outch(static_cast<unsigned char>(*w));
            break;
        case '"':
            for (; *p && *p != '"'; p++)
                outch(static_cast<unsigned char>(*p));
            mstack[top] = *p ? p + 1 : p;
            break;
        case '#':
            fieldref(p, top);
            break;
        case '$': {
            char name[IDENTSIZE];
            int n = 0;
            for (; identchar(static_cast<unsigned char>(*p)); p++)
                if (n < IDENTSIZE - 1)
                    name[n++] = *p;
            name[n] = 0;
            mstack[top] = p;
            m_rule(name);
            break;
        }
        case '&':
            if (moutptr > 0)
                outch(static_cast<unsigned char>(moutput[moutptr - 1]));
            break;
        case '-':
            if (moutptr > 0)
                moutptr--;
            break;
        case ')':
            tabch(')');
            m_table();
            tabbufptr = 0;
            break;
        case '|':
            mpop();
            break;
        default:
            tabch(c);
            break;
        }
    }
    moutput[moutptr] = 0;
    if (MState == 1)
        current_node = startnode;
    MState = 0;
}

// ------------------------------------------------------------------ guards

static bool g_alt(bool active);

static bool ends(unsigned char c) { return c == 0 || c == ':' || c == ')' || c == '|' || c == ','; }

static bool attrstart(unsigned char c)
{
    return identchar(c) || c == '/' || c == '.' || c == FREECH;
}

static bool termstart(unsigned char c)
{
    return attrstart(c) || c == '(' || c == '"' || c == '<' || c == '*' || c == PREMARK ||
           c == ISMARK;
}

// The attributes a term tests: those of the node, or during a lexical
// transformation those of its lookup record.
static attr_list termattrs(const t_treenode *node)
{
    if (MState == 1)
        return node->dictionary ? node->dictionary->attributes : nullptr;
    return node->attributes;
}

// "<" n ["." k] "=" pattern ">"; p is past the "<".
static bool fieldterm(const char *p, bool active)
{
    int n = number(p, 10000);
    int k = 0;
    if (*p == '.') {
        p++;
        k = number(p, 10000);
    }
    if (*p == '=')
        p++;
    const char *pattern = p;
    while (*p && *p != '>')
        p++;
    guardptr = *p ? p + 1 : p;
    if (!active || offset_node == nullptr || *p == 0)
        return false;
    const t_treenode *node = k > 0 ? traverseleaves(offset_node, k - 1) : offset_node;
    if (node == nullptr || node->dictionary == nullptr || node->dictionary->error != 0)
        return false;
    const char *field = mfield(node->dictionary->dictionary, n);
    return field != nullptr && match_list(pattern, field, '>');
}

static const char *skippre(const char *p)
{
    if (static_cast<unsigned char>(*p) == ISMARK)
        p++;
    if (static_cast<unsigned char>(*p) != PREMARK)
        p = skipcomp(p);
    if (static_cast<unsigned char>(*p) == PREMARK)
        p = skipcomp(p + 1);
    return p;
}

static bool g_term(bool active)
{
    const char *p = guardptr;
    if (digit(*p) || ((*p == '-' || *p == '+') && digit(p[1]))) {
        int sign = *p == '-' ? -1 : 1;
        if (!digit(*p))
            p++;
        current = sign * number(p, MAXDESIGNATOR);
        // The character that follows the number separates it from the term:
        // a "." always, so that "1.<7=x>" and "1.*" read as "1<7=x>" and "1*";
        // any other character that cannot begin a term too.
        auto next = static_cast<unsigned char>(*p);
        if (next == '.' || (!ends(next) && !termstart(next)))
            p++;
    }
    guardptr = p;
    offset_node = traverseleaves(current_node, current);
    // A designator that runs off the leaf chain designates no leaf: every term
    // it governs is false, even one that holds by itself.
    bool designated = current == 0 || offset_node != nullptr;
    unsigned char c = static_cast<unsigned char>(*p);
    if (ends(c))
        return designated;            // an empty term holds
    if (c == '(') {
        if (gdepth >= NGUARDDEPTH) {
            v_err("Guard nested too deeply", "", "");
            guardptr = p + std::strlen(p);
            return false;
        }
        defstack[defptr++] = current;
        gdepth++;
        guardptr = p + 1;
        bool r = g_alt(active);
        if (*guardptr == ')')
            guardptr++;
        gdepth--;
        current = defstack[--defptr];
        return r;
    }
    if (c == '"') {
        const char *close = std::strchr(p + 1, '"');
        guardptr = close ? close + 1 : p + std::strlen(p);
        if (!active || offset_node == nullptr)
            return false;
        const char *word = offset_node->morphed_word ? offset_node->morphed_word.get() : "";
        return match_wild(p + 1, word, '"', 0);
    }
    if (c == '<')
        return fieldterm(p + 1, active);
    if (c == '*') {
        guardptr = p + 1;
        return designated;
    }
    if (c == PREMARK) {
        if (!active) {
            guardptr = skippre(p);
            return false;
        }
        guardptr = find_pst(p, 1);
        if (pre_status < 3)
            v_err("Preselection: ", pre_error[pre_status], bad_pst.c_str());
        return pre_status > 3;
    }
    if (c == ISMARK) {
        if (!active) {
            guardptr = skippre(p);
            return false;
        }
        guardptr = analyze_pre(p);
        if (attr_form == 1 && pre_status == 6)
            return bool_from_pre();
        if (attr_form == 1)
            v_err("Preselection: ", pre_error[pre_status], bad_pst.c_str());
        else
            v_err("Guard following _is_ not in proper form", "", "");
        return false;
    }
    if (attrstart(c)) {
        if (!active || offset_node == nullptr) {
            guardptr = skipcomp(p);
            if (guardptr == p)
                guardptr++;
            return false;
        }
        guardptr = text_to_comp_array(p, 1);
        if (guardptr == p)
            guardptr++;
        return attr_index > 0 && find_attr(termattrs(offset_node)) != nullptr;
    }
    if (active) {
        char s[2] = {static_cast<char>(c), 0};
        v_err("Unexpected character in guard:", s, "");
    }
    guardptr = p + 1;
    return false;
}

// Terms joined by ",": all must hold. Inactive parts are read, not tested.
static bool g_conj(bool active)
{
    bool result = true;
    for (;;) {
        bool r = g_term(active && result);
        if (active && result)
            result = r;
        for (bool told = false; !ends(static_cast<unsigned char>(*guardptr)); guardptr++) {
            if (active && !told)
                v_err("Unexpected character in guard:", guardptr, "");
            told = true;
            result = false;
        }
        if (*guardptr != ',')
            return result;
        guardptr++;
    }
}

// Alternatives joined by "|", up to ":" or the ")" of the group.
static bool g_alt(bool active)
{
    int start = current;
    bool result = false;
    for (;;) {
        bool r = g_conj(active && !result);
        if (active && !result)
            result = r;
        if (*guardptr != '|')
            return result;
        guardptr++;
        current = start;
    }
}

int m_guard(const char *text)
{
    guardptr = text ? text : "";
    current = 0;
    defptr = 0;
    gdepth = 0;
    offset_node = nullptr;
    bool r = g_alt(true);
    end_guard = guardptr;
    return r;
}

// ------------------------------------------------------------------ passes

void morph_word(t_treenode *node, int pass)
{
    if (node == nullptr || node->dictionary == nullptr || node->dictionary->error != 0)
        return;
    const char *field = mfield(node->dictionary->dictionary, pass);
    if (field == nullptr || *field == '|')
        return;
    current_node = node;
    m_exp(field);
    node->morphed_word = v_strdup(moutput);
}

void morph_tree(t_treenode *top, int pass)
{
    for (t_treenode *leaf = top ? top->right : nullptr; leaf != nullptr; leaf = leaf->right)
        morph_word(leaf, pass);
}

void apply_morph_passes(t_treenode *top, int tree)
{
    if (tree < 0 || tree >= NMORPHTREES)
        return;
    for (int k = 1; k < NMORPHPASSES - 1 && morph_passes[tree][k] != 0; k++)
        morph_tree(top, morph_passes[tree][k]);
}
