// Lexical transformations: rules of search patterns over the lexicon with a
// template for a new lexicon line, their reading, their execution by a
// depth-first search that can be interrupted and resumed, and the inline
// sequences that a lexicon entry carries after "_ilt_".
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "engine/engine.h"
#include "screen/screen.h"
#include "commands/commands.h"

// Control bytes of stored texts.
inline constexpr unsigned char LTVARBYTE = 15;   // a rule variable in a right-hand side
inline constexpr unsigned char LSPBYTE = 9;      // "_lsp_" in a lexicon entry
inline constexpr unsigned char RHSBYTE = 11;     // "_rhs_" in a lexicon entry

// ---------------------------------------------------------------- records

namespace {

struct lt_var_list {
    std::string name;
    int index;                        // its lt_delayed entry
};

// A search pattern: a node whose own lookup record holds the pattern.
struct lspnode {
    t_dict_lookup look{};
    t_treenode *node = nullptr;
    ~lspnode()
    {
        purge_attr_list(&look.attributes);
        if (node != nullptr) {
            node->dictionary = nullptr;
            node->left = node->right = nullptr;
            purge_node(node);
        }
    }
};

struct LTRULE {
    std::vector<std::unique_ptr<lspnode>> lsps;   // chained through right
    std::vector<lt_var_list> rule_vars;
    std::string rhs;
    t_treenode *lsp1() const { return lsps.empty() ? nullptr : lsps[0]->node; }
};

struct t_stacknode {
    t_treenode *lsp;
    recnode *DictionaryPtr;           // next entry to try
    std::vector<int> fixedvars;       // variables bound by the entry in hand
    int term_ind;                     // class scanned for "?", -1 when done or named
};

}  // namespace

static constinit std::unique_ptr<LTRULE> ltruleheader[NLTRULES];
static bool anyloaded;
int lt_rule_num = -1;
static std::vector<t_stacknode> ltstack;
static bool InProgress;
static int numwords;
char lt_result[LTRESULTSIZE];
static int resptr;
static bool resoverflow;
static const std::vector<lt_var_list> *applyvars;  // variables of the rule being applied

// Inline sequences and their results, kept until their slot is used again.
static constinit std::vector<std::unique_ptr<lspnode>> iltnodes[NDICTSLOTS];
static constinit v_text iltstore[NDICTSLOTS];

static const unsigned char *ub(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

// ---------------------------------------------------------------- reading

static bool iskeyword(int tok)
{
    switch (tok) {
    case TINHERIT: case TCHOOSE: case TRULE: case TTRANSFORM: case TPRIORITY: case TMAKES:
    case TILT: case TPRE: case TSELECT: case TIS:
        return true;
    default:
        return false;
    }
}

static std::string expected(const std::vector<int> &terms)
{
    std::string s;
    for (int t : terms) {
        if (!s.empty())
            s += ' ';
        s += t == '|' ? "|" : t == TPRIORITY ? "_lsp_" : t == TMAKES ? "_rhs_" : tok2str(t);
    }
    return s;
}

static void skiprule()
{
    for (int tok = v_peep(); tok != TPERCENT && tok != TEOF; tok = v_peep())
        v_next();
    if (v_peep() == TPERCENT)
        v_next();
}

// Tokens appended to result up to one of the terminators, which is consumed
// and returned; -1 after a reported error.
static int gen_read_field(std::string &result, const std::vector<int> &terminators, size_t maximum)
{
    bool literal = false;
    for (;;) {
        int tok = v_peep();
        if (!literal && std::find(terminators.begin(), terminators.end(), tok) != terminators.end()) {
            v_next();
            return tok;
        }
        if (tok == TEOF) {
            v_err("   Unexpected end of file.", "", "");
            return -1;
        }
        if (literal) {
            if (tok == TIDENT) {
                v_err("   Software: identifier token seen in literal input state.", "", "");
                return -1;
            }
            if (iskeyword(tok)) {
                v_err("   Software: keyword token seen in literal input state.", "", "");
                return -1;
            }
            if (tok == TQUOTE)
                literal = false;
            result += static_cast<char>(tok);
        } else if (tok == TPERCENT) {
            v_err("   Unexpected end of rule token encountered.  Expected one of the following: ",
                  expected(terminators).c_str(), "");
            return -1;
        } else if (iskeyword(tok)) {
            v_err("   Unexpected reserved word encountered.  Expected one of the following: ",
                  expected(terminators).c_str(), "");
            return -1;
        } else if (tok == TIDENT) {
            result += identbuf;
        } else {
            if (tok == TQUOTE)
                literal = true;
            result += static_cast<char>(tok);
        }
        if (result.size() >= maximum) {
            v_err("   Buffer overflow.  Expected one of the following: ",
                  expected(terminators).c_str(), "");
            return -1;
        }
        v_next();
    }
}

// A free entry of the LT delay table, -1 when every one is used.
static int ltdelay(int cls, int choice, int fixed)
{
    if (lt_delayptr >= NDELAY - 1)
        return -1;
    return lt_newdelay(cls, choice, fixed);
}

static const lt_var_list *findvar(const LTRULE &rule, const char *name)
{
    for (const lt_var_list &v : rule.rule_vars)
        if (v.name == name)
            return &v;
    return nullptr;
}

// "(" name ":" type, ... ")"
static bool read_vars(LTRULE &rule)
{
    v_next();
    for (;;) {
        if (v_peep() != TIDENT) {
            v_err("   Syntax Error.", "", "");
            return false;
        }
        std::string name = identbuf;
        v_next();
        if (v_peep() != ':') {
            v_err("   Syntax Error.", "", "");
            return false;
        }
        v_next();
        if (v_peep() != TIDENT) {
            v_err("   Syntax Error.", "", "");
            return false;
        }
        if (!lookup_attr(identbuf) || att_value != -1) {
            v_err("   Attribute type unknown:", identbuf, "");
            return false;
        }
        if (rule.rule_vars.size() >= NLTVARS) {
            v_err("   Syntax Error.", "", "");
            return false;
        }
        int index = ltdelay(att_class, -1, 0);
        if (index < 0) {
            v_err("   Ran out of table space for attributes", "", "");
            return false;
        }
        rule.rule_vars.push_back({name, index});
        v_next();
        int tok = v_peep();
        v_next();
        if (tok == ')')
            return true;
        if (tok != ',') {
            v_err("   Syntax Error.", "", "");
            return false;
        }
    }
}

// Field 3 of a pattern: "?" or compound attributes of values and variables.
static bool read_field3(LTRULE &rule, t_dict_lookup &look, std::string &text)
{
    if (v_peep() == '?') {
        v_next();
        if (v_peep() != '|') {
            v_err("   Syntax Error.", "", "");
            return false;
        }
        v_next();
        text += '?';
        return true;
    }
    comp_attr ca = nullptr;
    for (;;) {
        int tok = v_peep();
        if (tok == '?') {
            purge_comp_attr(&ca);
            v_err("   Syntax Error.", "", "");
            return false;
        }
        if (tok != TIDENT) {
            purge_comp_attr(&ca);
            v_err("   Error in field 3 of LSP", "", "");
            return false;
        }
        int index;
        if (const lt_var_list *v = findvar(rule, identbuf)) {
            index = v->index;
        } else if (!lookup_attr(identbuf)) {
            purge_comp_attr(&ca);
            v_err("   Attribute unknown:", identbuf, "");
            return false;
        } else if (att_value == -1) {
            purge_comp_attr(&ca);
            v_err("   Attribute classes not legal in LSPs: ", identbuf, "");
            return false;
        } else if ((index = ltdelay(att_class, att_value, 1)) < 0) {
            purge_comp_attr(&ca);
            v_err("   Ran out of table space for attributes", "", "");
            return false;
        }
        add_comp_attr(&ca, index);
        text += identbuf;
        v_next();
        tok = v_peep();
        v_next();
        if (tok == '.') {
            text += '.';
            continue;
        }
        if (tok != ',' && tok != '|') {
            purge_comp_attr(&ca);
            v_err("   Error in field 3 of LSP", "", "");
            return false;
        }
        add_attr_to_list(&look.attributes, ca);
        ca = nullptr;
        if (tok == '|')
            return true;
        text += ',';
    }
}

// One pattern; *end gets the token that ended it ("_lsp_" or "_rhs_").
static bool read_lsp(LTRULE &rule, int *end)
{
    auto lsp = std::make_unique<lspnode>();
    t_dict_lookup &look = lsp->look;
    look.vf = -1;
    std::string f1, f2, f3, rest;
    int tok = gen_read_field(f1, {'|', TPRIORITY, TMAKES}, LTFIELDSIZE - 1);
    if (tok < 0)
        return false;
    size_t n = f1.size();
    if (f1 == "?") {
    } else if (n >= 2 && f1[0] == '"' && f1[n - 1] == '"') {
        look.preferredchoice = v_strdup(f1.substr(1, n - 2).c_str());
    } else {
        v_err("   Error in field 1 of LSP", f1.c_str(), "");
        return false;
    }
    if (tok == '|') {
        if (gen_read_field(f2, {'|'}, LTFIELDSIZE - 1) < 0)
            return false;
        if (f2.empty() || (f2 != "?" && !std::all_of(f2.begin(), f2.end(), identchar))) {
            v_err("   Error in field 2 of LSP", f2.c_str(), "");
            return false;
        }
        if (!read_field3(rule, look, f3))
            return false;
        tok = gen_read_field(rest, {TPRIORITY, TMAKES}, LTRESTSIZE - 1);
        if (tok < 0) {
            v_err("   Error after field 3 of LSP", "", "");
            return false;
        }
    } else {
        f2.assign(1, '?');  // assign, not "= \"?\"": GCC 12 warns wrongly of an overlap
        f3 = f2;
    }
    std::string text = f1 + "|" + f2 + "|" + f3 + "|";
    if (text.size() >= LTPATTSIZE) {
        v_err("   Buffer overflow.  Expected one of the following: ", "|", "");
        return false;
    }
    look.class_ = v_strdup(f2.c_str());
    look.fields = v_strdup((text + rest).c_str());
    lsp->node = makenode(f2.c_str());
    lsp->node->dictionary = &look;
    if (!rule.lsps.empty()) {
        t_treenode *last = rule.lsps.back()->node;
        last->right = lsp->node;
        lsp->node->left = last;
    }
    rule.lsps.push_back(std::move(lsp));
    *end = tok;
    return true;
}

// The right-hand side up to "%": quoted text as it is, identifiers and other
// tokens run together, a variable as its byte and number. Quote marks stay
// in the text: a template copies what they enclose without them.
static bool read_rhs(LTRULE &rule)
{
    bool literal = false;
    for (;;) {
        int tok = v_peep();
        if (tok == TEOF) {
            v_err("   Unexpected end of file.", "", "");
            return false;
        }
        if (tok == TPERCENT && !literal) {
            v_next();
            return true;
        }
        if (tok == TQUOTE) {
            literal = !literal;
            rule.rhs += '"';
        } else if (tok == TIDENT) {
            if (const lt_var_list *v = findvar(rule, identbuf)) {
                rule.rhs += static_cast<char>(LTVARBYTE);
                rule.rhs += static_cast<char>(v - rule.rule_vars.data() + 1);
            } else {
                rule.rhs += identbuf;
            }
        } else if (tok != LTVARBYTE) {
            rule.rhs += static_cast<char>(tok);
        }
        if (rule.rhs.size() > LTRHSSIZE - 1) {
            v_err("   Buffer overflow.  Expected one of the following: ", "%", "");
            return false;
        }
        v_next();
    }
}

static void read_lt_rule()
{
    if (v_peep() != TIDENT) {
        v_err("Unable to get rule number", "", "");
        skiprule();
        return;
    }
    char *end = nullptr;
    long n = std::strtol(identbuf, &end, 10);
    bool garbled = *end != 0;
    std::string number = identbuf;
    v_next();
    if (garbled || n < 1 || n >= NLTRULES) {
        v_err("Rule number out of range or garbled", number.c_str(), "");
        skiprule();
        return;
    }
    setposition("rule %ld", n);
    if (ltruleheader[n]) {
        v_err("Rule discarded -- duplicate rule ", number.c_str(), "");
        skiprule();
        return;
    }
    auto rule = std::make_unique<LTRULE>();
    bool ok = true;
    if (v_peep() == '(' && !read_vars(*rule)) {
        v_err("   Error reading common attribute clause", "", "");
        ok = false;
    }
    int tok = TPRIORITY;
    while (ok && tok == TPRIORITY) {
        if (rule->lsps.size() >= NLTPIECES) {
            v_err("   Error reading Lexical Search Pattern", "too many patterns", "");
            ok = false;
        } else if (!read_lsp(*rule, &tok)) {
            v_err("   Error reading Lexical Search Pattern", "", "");
            ok = false;
        }
    }
    if (ok && !read_rhs(*rule)) {
        v_err("   Error reading right hand side", "", "");
        ok = false;
    }
    if (!ok) {
        v_err("Failed to load rule", number.c_str(), "");
        skiprule();
        return;
    }
    ltruleheader[n] = std::move(rule);
}

static void read_lt_rules()
{
    bool skipping = false;
    for (;;) {
        int tok = v_peep();
        if (tok == TEOF)
            return;
        v_next();
        if (tok == TRULE) {
            skipping = false;
            read_lt_rule();
            continue;
        }
        if (!skipping)
            v_err("Warning -- characters ignored", "", "");
        skipping = true;
    }
}

void readlextrans(const char *filename)
{
    file_operation = "LT Rules";
    file_position[0] = 0;
    v_stat = 0;
    if (!openfile(filename, 0))
        return;
    anyloaded = true;
    read_lt_rules();
    file_position[0] = 0;
    closeall();                       // later messages are about no file
}

int readlttext(const char *text, size_t len)
{
    readthrough(text, len, readlextrans);
    int n = 0;
    for (const auto &r : ltruleheader)
        n += r != nullptr;
    return n;
}

// ---------------------------------------------------------------- state

void lt_cleanup(int reset)
{
    for (t_stacknode &s : ltstack)
        for (int v : s.fixedvars)
            lt_delayed[v].choice = -1;
    ltstack.clear();
    InProgress = false;
    if (reset)
        lt_rule_num = -1;
}

void initialize_lt_rules()
{
    lt_cleanup(1);
    anyloaded = false;
}

void purge_lt_rules()
{
    lt_cleanup(1);
    for (auto &r : ltruleheader)
        r.reset();
    anyloaded = false;
    lt_delayptr = 0;                  // the rules held every entry in use
}

void inittrans(int n)
{
    file_operation = "Init LT Rule";
    file_position[0] = 0;
    lt_cleanup(1);
    char number[16];
    std::snprintf(number, sizeof number, "%d", n);
    if (n < 1 || n >= NLTRULES) {
        v_err("Rule number out of range: ", number, "");
        v_stat = 1;
        return;
    }
    if (!anyloaded || !ltruleheader[n]) {
        v_err("Rule has not been loaded yet - ", number, "");
        v_stat = 1;
        return;
    }
    lt_rule_num = n;
    v_linef(MSGCORE, "LT rule selected: %d.", n);
}

t_treenode *lt_getlspptr(int n)
{
    if (lt_rule_num < 0 || !ltruleheader[lt_rule_num]) {
        v_err("   Rule has not been selected yet ", "", "");
        return nullptr;
    }
    t_treenode *node = traverseleaves(ltruleheader[lt_rule_num]->lsp1(), n - 1);
    if (n < 1 || node == nullptr) {
        v_err("      Bad LSP number", "", "");
        return nullptr;
    }
    return node;
}

// ---------------------------------------------------------------- templates

static void out(int c)
{
    if (c == 255)
        c = '?';                      // never into a corefile line
    if (resptr >= LTRESULTSIZE - 1) {
        resoverflow = true;
        return;
    }
    lt_result[resptr++] = static_cast<char>(c);
    lt_result[resptr] = 0;
}

static void outs(const char *s)
{
    for (; *s; s++)
        out(static_cast<unsigned char>(*s));
}

// The last character written since `from`, and taking it back.
static unsigned char lastout(int from) { return resptr > from ? ub(lt_result)[resptr - 1] : 0; }

static void unout(int from)
{
    if (resptr > from)
        lt_result[--resptr] = 0;
}

struct removal {
    int type, value;                  // value -1: every value of the type
};

// Field n of a record (stored attributes by name); field 3 with its blanks
// as "," and the listed values left out.
static void outfield(const char *record, int n, const std::vector<removal> &drop)
{
    const unsigned char *p = ub(getfieldptr(record, n));
    const unsigned char *e = ub(fieldend(reinterpret_cast<const char *>(p), n));
    bool skipspace = false;
    const int start = resptr;         // what the template wrote before stays
    while (p < e) {
        if (*p == ATTRMARK && p + 2 < e + 1 && p[1] && p[2]) {
            int atype = p[1], value = p[2] == TYPEONLY ? -1 : p[2];
            bool gone = std::any_of(drop.begin(), drop.end(), [&](const removal &r) {
                return r.type == atype && (r.value == -1 || r.value == value);
            });
            p += 3;
            if (!gone) {
                outs(att_get_name(atype, value));
                continue;
            }
            if (lastout(start) == '<' || lastout(start) == '>')
                unout(start);
            if (lastout(start) == ',' || lastout(start) == '.')
                unout(start);
            else if (p < e && (*p == ' ' || *p == '.'))
                skipspace = true;
            continue;
        }
        if (skipspace && (*p == ' ' || *p == '.')) {
            skipspace = false;
            p++;
            continue;
        }
        skipspace = false;
        if (n == 3 && *p == ' ') {
            if (p + 1 < e && resptr > start && lastout(start) != ',')
                out(',');
        } else {
            out(*p);
        }
        p++;
    }
}

static int digits(const char **p)
{
    int n = 0;
    for (; **p >= '0' && **p <= '9'; (*p)++)
        n = std::min(n * 10 + (**p - '0'), 100000);
    return n;
}

int lt_apply_rule(const char *rhs, t_treenode *lsp, int morph_state)
{
    resptr = 0;
    resoverflow = false;
    lt_result[0] = 0;
    if (rhs == nullptr || *rhs == 0) {
        v_err("   Right hand side of rule is null", "", "");
        return 0;
    }
    const char *p = rhs;
    while (*p) {
        unsigned char c = static_cast<unsigned char>(*p++);
        if (c == '"') {
            for (; *p && *p != '"'; p++)
                out(static_cast<unsigned char>(*p));
            if (*p)
                p++;
        } else if (c == LTVARBYTE && *p) {
            int v = static_cast<unsigned char>(*p++) - 1;
            if (applyvars != nullptr && v >= 0 && v < static_cast<int>(applyvars->size())) {
                const t_delay &d = lt_delayed[(*applyvars)[static_cast<size_t>(v)].index];
                outs(att_get_name(d.class_, d.choice));
            }
        } else if (c == '!') {
            if (!(*p >= '0' && *p <= '9')) {
                v_err("   Syntax error near '!' in right hand side of rule ", "", "");
                return 0;
            }
            int n = digits(&p);
            int m = 1;
            if (*p == '.' && p[1] >= '0' && p[1] <= '9') {
                p++;
                m = digits(&p);
            }
            std::vector<removal> drop;
            while (n == 3 && *p == '-') {
                p++;
                char name[IDENTSIZE];
                int k = 0;
                for (; identchar(static_cast<unsigned char>(*p)); p++)
                    if (k < IDENTSIZE - 1)
                        name[k++] = *p;
                name[k] = 0;
                if (!lookup_attr(name)) {
                    v_err("   Attribute unknown:", name, "");
                    return 0;
                }
                drop.push_back({att_class, att_value});
            }
            t_treenode *node = m >= 1 ? traverseleaves(lsp, m - 1) : nullptr;
            const char *record = node && node->dictionary ? node->dictionary->dictionary : nullptr;
            if (record == nullptr || n < 1 || *getfieldptr(record, n) == 0 ||
                (n > 1 && getfieldptr(record, n) == getfieldptr(record, n - 1))) {
                char where[64];
                std::snprintf(where, sizeof where, "field %d from lsp %d", n, m);
                v_err("   Bad LSP field reference -- ", where, "");
                return 0;
            }
            outfield(record, n, drop);
        } else if (c == '[') {
            std::string expr;
            while (*p && *p != ']')
                expr += *p++;
            if (*p != ']') {
                v_err("   Expecting closing brace for morphology expression ", "", "");
                return 0;
            }
            p++;
            if (expr.size() >= LTMORPHSIZE) {
                v_err("   Morphology string too long ", "", "");
                return 0;
            }
            expr += '|';
            t_treenode *keep = current_node;
            current_node = lsp;
            MState = morph_state;
            m_exp(expr.c_str());
            MState = 0;
            current_node = keep;
            out('"');
            outs(moutput);
            out('"');
        } else {
            out(c);
        }
    }
    return 1;
}

// ---------------------------------------------------------------- execution

static void unbind(t_stacknode &s)
{
    for (int v : s.fixedvars)
        lt_delayed[v].choice = -1;
    s.fixedvars.clear();
}

// The record tested against the node's pattern; variables bound on success
// are noted on the node, on failure they are freed at once.
static bool testentry(t_stacknode &s, const char *record)
{
    const t_dict_lookup &look = *s.lsp->dictionary;
    std::vector<int> open;
    for (const lt_var_list &v : *applyvars)
        if (lt_delayed[v.index].choice == -1)
            open.push_back(v.index);
    newM = 1;
    bool ok = match_attr(record, look.attributes) &&
              (look.preferredchoice == nullptr ||
               match_wild(look.preferredchoice.get(), record + 1, 0, '"')) &&
              match_lsp(look.fields.get(), record);
    newM = 0;
    for (int v : open)
        if (lt_delayed[v].choice != -1) {
            if (ok)
                s.fixedvars.push_back(v);
            else
                lt_delayed[v].choice = -1;
        }
    return ok;
}

// The next entry for the node: 1 found, 0 none left, -1 unknown class.
static int lt_getdictent(t_stacknode &s)
{
    unbind(s);
    for (;;) {
        while (s.DictionaryPtr == nullptr) {
            if (s.term_ind < 0 || ++s.term_ind >= dictterm) {
                s.term_ind = -1;
                return 0;
            }
            s.DictionaryPtr = dictionary[s.term_ind];
        }
        recnode *r = s.DictionaryPtr;
        s.DictionaryPtr = r->previous;
        if (testentry(s, r->recordptr.get())) {
            s.lsp->dictionary->dictionary = r->recordptr.get();
            return 1;
        }
    }
}

static bool pushnode(t_treenode *lsp)
{
    const char *cls = lsp->dictionary->class_.get();
    t_stacknode s{lsp, nullptr, {}, -1};
    if (std::strcmp(cls, "?") == 0) {
        if (dictionary && dictterm > 0) {
            s.term_ind = 0;
            s.DictionaryPtr = dictionary[0];
        }
    } else {
        int t = lookup_terminal(cls);
        if (t < 0 || t >= dictterm || !dictionary) {
            v_err("Terminal class not recognized - ", cls, "");
            return false;
        }
        s.DictionaryPtr = dictionary[t];
    }
    lsp->dictionary->dictionary = nullptr;
    ltstack.push_back(std::move(s));
    return true;
}

void exectrans()
{
    file_operation = "Exec LT Rule";
    file_position[0] = 0;
    if (lt_rule_num < 0 || !ltruleheader[lt_rule_num]) {
        v_err("No Rule has been initialized", "", "");
        return;
    }
    const LTRULE &rule = *ltruleheader[lt_rule_num];
    applyvars = &rule.rule_vars;
    if (!InProgress) {
        numwords = 0;
        InProgress = true;
        if (!pushnode(rule.lsp1())) {
            lt_cleanup(0);
            return;
        }
    }
    while (!ltstack.empty()) {
        if (takeinterrupt() || endreq != 0) {
            v_linef(MSGCORE, "Abort -- %d words generated", numwords);
            v_stat = 2;
            return;
        }
        t_stacknode &top = ltstack.back();
        if (!lt_getdictent(top)) {
            ltstack.pop_back();
            continue;
        }
        if (top.lsp->right != nullptr) {
            if (!pushnode(top.lsp->right)) {
                lt_cleanup(0);
                return;
            }
            continue;
        }
        if (++numwords % 100 == 0) {
            char msg[ENGLINESIZE];
            std::snprintf(msg, sizeof msg, "%d words generated", numwords);
            progress(msg);
        }
        if (!lt_apply_rule(rule.rhs.c_str(), rule.lsp1(), 1) || resoverflow) {
            if (resoverflow)
                v_err("   Result of LT rule too long ", "", "");
            lt_cleanup(0);
            return;
        }
        v_line(corenum, 1, lt_result);
    }
    InProgress = false;
    v_linef(MSGCORE, "Total Words Generated: %d.", numwords);
    clearhelp();
}

// ------------------------------------------------------------ inline sequences

// One pattern of a lexicon entry: word, class, attributes, further fields.
static std::unique_ptr<lspnode> make_lsp(const std::string &text)
{
    auto lsp = std::make_unique<lspnode>();
    std::vector<std::string> part(3);
    size_t at = 0;
    for (int i = 0; i < 3; i++) {
        size_t bar = text.find('|', at);
        part[static_cast<size_t>(i)] = text.substr(at, bar == std::string::npos ? bar : bar - at);
        at = bar == std::string::npos ? text.size() : bar + 1;
    }
    std::string word = part[0];
    word.erase(std::remove(word.begin(), word.end(), ' '), word.end());
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);
    std::string cls = part[1];
    cls.erase(std::remove(cls.begin(), cls.end(), ' '), cls.end());
    t_treenode *node = makenode(cls.c_str());
    lsp->node = node;
    if (!word.empty() && word != "?")
        node->preferredchoice = v_strdup(word.c_str());
    const char *a = part[2].c_str();
    while (*a) {
        while (*a == ' ' || *a == ',')
            a++;
        if (!*a || *a == '?')
            break;
        const char *next = text_to_comp_array(a, 0);
        if (attr_index > 0)
            add_attr_to_list(&node->attributes, make_comp_attr());
        a = next == a ? a + 1 : next;
    }
    std::string rest = text.substr(at);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '|'))
        rest.pop_back();
    if (!rest.empty())
        node->restrictions = v_strdup(("|||" + rest).c_str());
    return lsp;
}

t_treenode *ilt_create_lsps(const char *record)
{
    if (record == nullptr || ub(record)[0] != TILT || d_table_count >= NDICTSLOTS)
        return nullptr;
    int owner = -1;
    for (int i = 0; i < d_table_count; i++)
        if (dict_table[i].dictionary == record)
            owner = i;
    std::vector<std::unique_ptr<lspnode>> chain;
    const char *p = std::strchr(record, LSPBYTE);
    while (p != nullptr && chain.size() < NLTPIECES && d_table_count < NDICTSLOTS) {
        p++;
        size_t len = std::strcspn(p, "\x09\x0b");
        auto lsp = make_lsp(std::string(p, len));
        terminal_node(lsp->node);
        fill_word(lsp->node);
        if (!chain.empty()) {
            chain.back()->node->right = lsp->node;
            lsp->node->left = chain.back()->node;
        }
        chain.push_back(std::move(lsp));
        p += len;
        p = ub(p)[0] == LSPBYTE ? p : nullptr;
    }
    if (chain.empty())
        return nullptr;
    t_treenode *first = chain[0]->node;
    size_t k = owner >= 0 ? static_cast<size_t>(owner) : static_cast<size_t>(d_table_count - 1);
    iltnodes[k] = std::move(chain);
    return first;
}

void scan_ilts()
{
    int low = std::max(preselect_barrier, 0);
    for (int i = std::min(d_table_count, NDICTSLOTS) - 1; i >= low; i--) {
        t_dict_lookup &slot = dict_table[i];
        if (slot.lspseq == nullptr || slot.dictionary == nullptr || ub(slot.dictionary)[0] != TILT)
            continue;
        const char *rhs = std::strchr(slot.dictionary, RHSBYTE);
        applyvars = nullptr;
        if (rhs == nullptr || !lt_apply_rule(rhs + 1, slot.lspseq, 2) || resoverflow)
            continue;
        iltstore[i] = v_strdup(lt_result);
        slot.dictionary = iltstore[i].get();
    }
}

int lt_rule_count()
{
    int n = 0;
    for (const auto &rule : ltruleheader)
        n += rule != nullptr;
    return n;
}
