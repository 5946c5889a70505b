// Semantic expressions: a predicate with its arguments, written on a line,
// is matched against the semantic transformations and becomes the text of a
// PRESELECT rule in corefile 14, ready to be saved and loaded as a user
// syntax file so that the next generation uses the words it fixes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "engine/engine.h"

std::vector<Semantic_Trans> sem_trans_list;
int depthStack;
static int reanalyses;                // re-analyses made for the expression in hand

// ---------------------------------------------------------------- reading

static void skiptrans()
{
    for (int tok = v_peep(); tok != TPERCENT && tok != TEOF; tok = v_peep())
        v_next();
    if (v_peep() == TPERCENT)
        v_next();
}

// The text a token stands for when tokens are joined into a name or prototype.
static std::string tokentext(int tok)
{
    if (tok == TIDENT)
        return identbuf;
    if (tok == TQUOTE)
        return "\"";
    for (const tokenelement &k : tokentable)
        if (k.token == static_cast<char>(tok) && k.tokenword[0] != 0)
            return k.tokenword;
    return std::string(1, static_cast<char>(tok));
}

// Tokens joined up to the stop or "%", outside quotes and brackets; that
// token is left unread and returned (TEOF at the end of the file).
static int jointokens(std::string &text, int stop)
{
    bool quoted = false;
    int nesting = 0;
    for (;;) {
        int tok = v_peep();
        if (tok == TEOF)
            return TEOF;
        if (!quoted && nesting == 0 && tok == stop)
            return tok;
        if (tok == TPERCENT && !quoted)
            return TPERCENT;
        if (tok == TQUOTE)
            quoted = !quoted;
        else if (!quoted && tok == '[')
            nesting++;
        else if (!quoted && tok == ']' && nesting > 0)
            nesting--;
        if (text.size() < SEMBUFSIZE)
            text += tokentext(tok);
        v_next();
    }
}

// One transformation after its optional "$"; false when it was dropped.
static bool read_one(Semantic_Trans &t)
{
    int tok = v_peep();
    if (tok != TIDENT) {
        v_err("Encountered ", tok2str(tok), " instead of semantic transformation.");
        return false;
    }
    setposition("%.30s", identbuf);
    if (jointokens(t.name, ':') != ':') {
        v_err("Encountered ", tok2str(v_peep()), " instead of colon.");
        return false;
    }
    if (t.name.size() >= SEMBUFSIZE) {
        v_err("Semantic Transformation name ", echo(t.name.c_str()).c_str(), " is too long");
        return false;
    }
    v_next();
    for (;;) {
        Semantic_Prot p;
        if (v_peep() == '&') {
            p.reanalyse = 1;
            v_next();
        }
        tok = v_peep();
        if (tok != TIDENT && tok != '#' && tok != '@') {
            v_err("Encountered ", tok2str(tok), " instead of preselection prototype.");
            return false;
        }
        tok = jointokens(p.prototype, ',');
        if (p.prototype.size() >= SEMBUFSIZE) {
            v_err("Preselection prototype ", echo(p.prototype.c_str()).c_str(), " is too long");
            return false;
        }
        if (tok == TEOF) {
            v_err("Encountered ", tok2str(tok), " instead of end of semantic transformation.");
            return false;
        }
        t.prots.push_back(std::move(p));
        v_next();
        if (tok == TPERCENT)
            return true;
    }
}

void purge_sem_trans() { std::vector<Semantic_Trans>().swap(sem_trans_list); }

void read_sem_trans(const char *filename)
{
    file_operation = "Semantic Transformation Input";
    file_position[0] = 0;
    v_stat = 0;
    purge_sem_trans();
    if (!openfile(filename, 0))
        return;
    while (v_peep() != TEOF) {
        Semantic_Trans t;
        file_position[0] = 0;
        if (v_peep() == '$') {
            t.form = 2;
            v_next();
        }
        if (read_one(t))
            sem_trans_list.push_back(std::move(t));
        else
            skiptrans();
    }
    std::reverse(sem_trans_list.begin(), sem_trans_list.end());   // newest first
    file_operation = "";
    file_position[0] = 0;
    closeall();                       // later messages are about no file
}

int readsemtext(const char *text, size_t len)
{
    readthrough(text, len, read_sem_trans);
    return static_cast<int>(sem_trans_list.size());
}

// --------------------------------------------------------------- analysis

namespace {

// Why an analysis failed: the lines to show instead of the rule text.
struct semfail {
    std::vector<std::string> lines;
};

struct attrcell {
    int type, value;                  // value -1: the type's name
};

}  // namespace

static const char *const problem = "There was a problem processing the semantic expression";

[[noreturn]] static void fail(std::vector<std::string> lines) { throw semfail{std::move(lines)}; }

// Spaces and ")" dropped, "(" and "," made ".", bracketed parts kept as
// written. A "|" outside brackets would be taken for a field's end: refused.
static bool normalise(const char *text, std::string &out)
{
    out.clear();
    for (const char *p = text; *p; p++) {
        if (*p == '|')
            return false;
        if (*p == '[') {
            const char *end = std::strchr(p, ']');
            if (end == nullptr)
                return false;
            out.append(p, static_cast<size_t>(end - p + 1));
            p = end;
        } else if (*p == '(' || *p == ',') {
            out += '.';
        } else if (*p != ' ' && *p != '\t' && *p != ')') {
            out += *p;
        }
    }
    return true;
}

// The pieces of a text separated by `sep` outside brackets.
static std::vector<std::string> pieces(const std::string &text, char sep)
{
    std::vector<std::string> out(1);
    int nesting = 0;
    for (char c : text) {
        if (c == '[')
            nesting++;
        else if (c == ']' && nesting > 0)
            nesting--;
        if (c == sep && nesting == 0)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// A component without its bracketed part.
static std::string head(const std::string &component)
{
    return component.substr(0, component.find_first_of("[|"));
}

// A component read as a compound attribute of "/"-joined names; false when a
// name is not an attribute.
static bool cells(const std::string &component, std::vector<attrcell> &out)
{
    out.clear();
    std::vector<std::string> names = pieces(head(component), '/');
    for (const std::string &name : names) {
        if (name.empty() || name.size() >= IDENTSIZE || !lookup_attr(name.c_str()))
            return false;
        out.push_back({att_class, att_value});
    }
    return true;
}

// Equal as compound attributes: a type's name in the first matches any value.
static bool sameattr(const std::string &a, const std::string &b)
{
    std::vector<attrcell> x, y;
    if (!cells(a, x) || !cells(b, y) || x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); i++)
        if (x[i].type != y[i].type || (x[i].value != -1 && x[i].value != y[i].value))
            return false;
    return true;
}

// The number of arguments a component takes; -1 when it is no attribute value.
static int valence(const std::string &component)
{
    if (head(component) == "0")
        return 0;
    std::vector<attrcell> c;
    if (!cells(component, c) || c[0].value == -1)
        return -1;
    return attr_table[c[0].type].valence[static_cast<size_t>(c[0].value)];
}

bool top_level(Semantic_Expr &expr, const char *text)
{
    expr.analysed = 0;
    expr.top_level_orig.clear();
    if (!normalise(text, expr.original))
        return false;
    std::vector<std::string> comp = pieces(expr.original, '.');
    if (head(comp[0]).empty())
        return false;
    expr.top_level_orig = comp[0] + "|";
    if (comp.size() > 1) {
        int args = valence(comp[0]);
        size_t next = 1;
        for (int a = 0; args > 0 && a < args; a++) {
            // One argument in prefix order: each component brings its own arguments.
            std::string arg;
            long needed = 1;
            while (needed > 0) {
                int v = next < comp.size() ? valence(comp[next]) : -1;
                if (v < 0 || needed + v > static_cast<long>(comp.size())) {
                    expr.top_level_orig = "Attribute not recognized or invalid valence";
                    return false;
                }
                arg += (arg.empty() ? "" : ".") + comp[next++];
                needed += v - 1;
            }
            expr.top_level_orig += arg + "|";
        }
        if (args <= 0 || next != comp.size()) {
            expr.top_level_orig = "Attribute not recognized or invalid valence";
            return false;
        }
    }
    expr.analysed = 1;
    return true;
}

const Semantic_Trans *sem_match(const Semantic_Expr &expr)
{
    std::vector<std::string> comp = pieces(expr.original, '.');
    for (const Semantic_Trans &t : sem_trans_list) {
        if (t.form == 2) {
            if (sameattr(pieces(t.name, '.')[0], comp[0]))
                return &t;
            continue;
        }
        std::vector<std::string> name = pieces(t.name, '.');
        if (name.size() != comp.size())
            continue;
        bool all = true;
        for (size_t i = 0; all && i < name.size(); i++)
            all = head(name[i]) == "0" || head(comp[i]) == "0" || sameattr(name[i], comp[i]);
        if (all)
            return &t;
    }
    return nullptr;
}

// The number written after "#" or "@" at p, -1 when there is none; p moves past it.
static long fieldnumber(const std::string &text, size_t &p)
{
    long n = 0;
    size_t start = p;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        if (n < static_cast<long>(SEMBUFSIZE))
            n = n * 10 + (text[p] - '0');
        p++;
    }
    return p == start ? -1 : n;
}

static const std::string &field(const std::vector<std::string> &fields, long n,
                                const std::string &prototype)
{
    if (n <= 0 || static_cast<size_t>(n) > fields.size())
        fail({"Prototype refers to a missing field: " + prototype});
    return fields[static_cast<size_t>(n) - 1];
}

static void checklength(const std::string &text)
{
    if (text.size() >= SEMBUFSIZE)
        fail({"Semantic text too long: " + text.substr(0, 60) + "..."});
}

static std::string make_new_substring(const std::string &prototype, const std::vector<std::string> &fields)
{
    std::string out;
    for (size_t p = 0; p < prototype.size();) {
        char c = prototype[p++];
        long n;
        if (c == '#' && (n = fieldnumber(prototype, p)) >= 0)
            out += field(fields, n, prototype);
        else
            out += c;
        checklength(out);
    }
    return out;
}

// The clauses of one prototype, appended to out.
static void write_preselections(const std::string &templ, const std::vector<std::string> &fields,
                         std::vector<std::string> &out)
{
    size_t colon = templ.find(':');
    std::string tag, after, node;
    bool list = false;
    long listfield = 0;
    for (size_t p = 0; p < std::min(colon, templ.size());) {
        char c = templ[p++];
        long n;
        std::string &to = list ? after : tag;
        if (c == '#' && (n = fieldnumber(templ, p)) >= 0) {
            to += head(field(fields, n, templ));
        } else if (c == '@' && !list && (n = fieldnumber(templ, p)) >= 0) {
            field(fields, n, templ);
            list = true;
            listfield = n;
        } else {
            to += c;
        }
    }
    if (colon != std::string::npos) {
        int nesting = 0;
        for (size_t p = colon + 1; p < templ.size();) {
            char c = templ[p++];
            long n;
            if (c == '[')
                nesting++;
            else if (c == ']' && nesting > 0)
                nesting--;
            if (nesting > 0 && c == '#' && (n = fieldnumber(templ, p)) >= 0)
                node += field(fields, n, templ);
            else
                node += c;
        }
        node = ":" + node;
    }
    if (!list) {
        checklength(tag + node);
        out.push_back(tag + node);
        return;
    }
    const std::string &f = fields[static_cast<size_t>(listfield) - 1];
    size_t open = f.find('['), close = f.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return;
    for (std::string item : pieces(f.substr(open + 1, close - open - 1), ',')) {
        item.erase(std::remove(item.begin(), item.end(), ' '), item.end());
        if (item.empty())
            continue;
        checklength(tag + item + after + node);
        if (out.size() >= NSEMCLAUSES)
            fail({"Too many preselection clauses"});
        out.push_back(tag + item + after + node);
    }
}

static void analyse(const char *text, std::vector<std::string> &out);

static void reanalyse_expr(const char *text, std::vector<std::string> &out)
{
    if (depthStack >= NSEMDEPTH || ++reanalyses > NSEMREANALYSES)
        fail({"Semantic expression re-analysed too often: " + std::string(text).substr(0, 60)});
    depthStack++;
    analyse(text, out);
    depthStack--;
}

static void generate_preselections(const Semantic_Expr &expr, const Semantic_Trans &trans,
                            std::vector<std::string> &out)
{
    std::vector<std::string> top = pieces(expr.top_level_orig, '|');
    top.pop_back();                   // after the final "|"
    std::vector<std::string> fields = pieces(expr.original, '.');
    for (const Semantic_Prot &p : trans.prots) {
        if (p.reanalyse)
            reanalyse_expr(make_new_substring(p.prototype, top).c_str(), out);
        else
            write_preselections(p.prototype, fields, out);
        if (out.size() > NSEMCLAUSES)
            fail({"Too many preselection clauses"});
    }
}

static void analyse(const char *text, std::vector<std::string> &out)
{
    Semantic_Expr expr;
    if (!top_level(expr, text)) {
        if (expr.top_level_orig.empty())
            fail({problem});
        fail({expr.top_level_orig, problem});
    }
    const Semantic_Trans *t = sem_match(expr);
    if (t == nullptr)
        fail({"No match found for semantic expression"});
    generate_preselections(expr, *t, out);
}

void analyse_sem_expr(const char *text)
{
    std::vector<std::string> clauses;
    depthStack = 0;
    reanalyses = 0;
    try {
        analyse(text, clauses);
    } catch (const semfail &f) {
        depthStack = 0;
        for (const std::string &line : f.lines)
            v_line(PRESELCORE, 0, line);
        return;
    }
    // Clauses are separated by ";" as the syntax reader wants them.
    v_line(PRESELCORE, 0, "PRESELECT = ");
    for (size_t i = 0; i < clauses.size(); i++)
        v_line(PRESELCORE, 0, i + 1 < clauses.size() ? clauses[i] + ";" : clauses[i]);
    v_line(PRESELCORE, 0, "%");
}
