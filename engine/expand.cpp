// Expansion of a syntax tree by the compiled context-free rules: guards,
// choice groups, attribute variables and the attachments of the children;
// lookup slots for the leaves, restriction strings, the preselection list
// and the built-in transformations.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>
#include "engine/engine.h"
#include "commands/commands.h"

int treestate;
int global_barrier, preselect_barrier;
pre_rule *preselect_list;
comp_attr variable_table[NVARIABLES];
pre_rule *globalpre_list;
const char *preselect_pos;
transformation builtIn[2];
int gInMemory;

using uchar = unsigned char;

static uchar at(const char *p) { return static_cast<uchar>(*p); }

static void prefail()
{
    int k = pre_status >= 0 && pre_status <= 6 ? pre_status : 0;
    v_err("Preselection: ", pre_error[k], bad_pst.c_str());
}

// ---------------------------------------------------- walking a compiled text

static bool valuechar(uchar c)
{
    return c > ' ' && c != CVAR && c != '"' && c != ',' && std::strchr("()/;<>[|@", c) == nullptr;
}

static const char *pastquote(const char *p)
{
    const char *q = std::strchr(p + 1, '"');
    return q != nullptr ? q + 1 : p + std::strlen(p);
}

// The values of a restriction: items separated by ",", each a quoted text
// or a run of characters that end no list.
static const char *values(const char *p)
{
    for (;;) {
        if (*p == '"')
            p = pastquote(p);
        else
            while (valuechar(at(p)))
                p++;
        if (*p != ',')
            return p;
        p++;
    }
}

// Past the number that follows a mark; past the mark alone without one.
static const char *pastnumber(const char *p)
{
    const char *q = p + 1;
    readnumber(&q);
    return q;
}

// Past one element of a compiled text: a quoted text, an attribute list, a
// restriction, or a mark with the number or variable byte that follows it.
static const char *skip1(const char *p)
{
    switch (at(p)) {
    case 0:
        return p;
    case '"':
        return pastquote(p);
    case '[': {
        const char *q = std::strchr(p, ']');
        return q != nullptr ? q + 1 : p + std::strlen(p);
    }
    case '/':
        p = pastnumber(p);
        return *p == '=' ? values(p + 1) : p;
    case '@':
    case '(':
        return pastnumber(p);
    case CINHERIT:
    case CCHOOSE:
    case CSELECT:
    case CVAR:
        return p[1] != 0 ? p + 2 : p + 1;
    default:
        return p + 1;
    }
}

// From the first bar of a group, the start of alternative r (from 0).
static const char *alternative(const char *p, int r)
{
    int nesting = 0;
    while (*p) {
        if (nesting == 0 && *p == '|' && r-- == 0)
            return p + 1;
        if (*p == '(')
            nesting++;
        else if (*p == ')' && nesting-- == 0)
            return p;
        p = skip1(p);
    }
    return p;
}

// Past the ")" that closes the group being read.
static const char *closegroup(const char *p)
{
    int nesting = 0;
    while (*p) {
        if (*p == '(')
            nesting++;
        else if (*p == ')' && nesting-- == 0)
            return p + 1;
        p = skip1(p);
    }
    return p;
}

static const char *nextalternative(const char *p)
{
    while (*p && *p != '<' && *p != '>')
        p = skip1(p);
    return p;
}

// The end of a preselection tag that other attachments may follow: a "/"
// after a part starts the next attachment.
static const char *tagend(const char *p)
{
    if (*p == '/')
        p++;
    for (;;) {
        if (at(p) == CVAR && p[1] != 0)
            p += 2;
        else if (identchar(at(p)) || (*p == '.' && (identchar(at(p + 1)) || at(p + 1) == CVAR)))
            p++;
        else
            return p;
    }
}

// ------------------------------------------------------------- lookup slots

void clearslot(t_dict_lookup &slot)
{
    slot.class_.reset();
    slot.dictionary = nullptr;
    purge_attr_list(&slot.attributes);
    slot.preferredchoice.reset();
    slot.error = 0;
    slot.fields.reset();
    slot.pointed_at = 0;
    slot.vf = -1;
    slot.lspseq = nullptr;
}

void terminal_node(t_treenode *node)
{
    if (node == nullptr || node->dictionary != nullptr || d_table_count >= NDICTSLOTS)
        return;
    clearslot(dict_table[d_table_count]);
    node->dictionary = &dict_table[d_table_count];
    node->index = d_table_count++;
}

void fill_word(t_treenode *node)
{
    t_dict_lookup *d = node != nullptr ? node->dictionary : nullptr;
    if (d == nullptr)
        return;
    d->pointed_at = 1;
    if (d->vf == -1)
        d->vf = node->vf;
    if (!d->class_)
        d->class_ = v_strdup(node->name.get());
    combine_attr_list(&d->attributes, node->attributes);
    if (!d->preferredchoice)
        d->preferredchoice = v_strdup(node->preferredchoice.get());
    // The entry must point somewhere under the first indirection's tag: a
    // test of the field's clauses, since its items alone cannot tell a tag
    // ended by "/" or a clause without a tag.
    if (t_indirection ind = indir_list_element(node->indirections, 1)) {
        std::string value(1, POINTERCLAUSE);
        value += ind->tag ? ind->tag.get() : "";
        node->restrictions = insert_restriction(node->restrictions.get(), value.c_str(), ind->fieldnum);
    }
    if (node->restrictions)
        d->fields = d->fields ? merge_restr(d->fields.get(), node->restrictions.get())
                              : v_strdup(node->restrictions.get());
}

// ------------------------------------------------------ restriction strings

static std::vector<std::string_view> segments(const char *s)
{
    std::vector<std::string_view> segs;
    if (s == nullptr)
        return segs;
    while (*s) {
        const char *e = std::strchr(s, '|');
        if (e == nullptr) {
            segs.emplace_back(s);
            break;
        }
        segs.emplace_back(s, static_cast<size_t>(e - s));
        s = e + 1;
    }
    return segs;
}

// A result that would not fit leaves the old string as it was.
static v_text bounded(const std::string &text, const char *old, size_t size)
{
    if (text.size() <= size - 1)
        return v_strdup(text.c_str());
    v_err("Restriction too long: ", text.substr(0, 40).c_str(), "...");
    return v_strdup(old);
}

v_text insert_restriction(const char *old, const char *value, int field)
{
    std::vector<std::string_view> segs = segments(old);
    size_t f = static_cast<size_t>(std::max(field, 1));
    std::string out;
    for (size_t i = 1; i < f; i++) {
        out += i <= segs.size() ? segs[i - 1] : std::string_view("?");
        out += '|';
    }
    if (f <= segs.size() && segs[f - 1] != "?") {
        out += segs[f - 1];
        out += ',';
    }
    out += value;
    out += '|';
    for (size_t i = f; i < segs.size(); i++) {
        out += segs[i];
        out += '|';
    }
    return bounded(out, old, RESTRSIZE);
}

v_text merge_restr(const char *old, const char *add)
{
    std::vector<std::string_view> a = segments(old), b = segments(add);
    std::string out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); i++) {
        if (i >= a.size())
            out += b[i];
        else if (i >= b.size())
            out += a[i];
        else if (a[i] == "?")
            out += b[i];
        else {
            out += a[i];
            if (b[i] != "?") {
                out += ',';
                out += b[i];
            }
        }
        out += '|';
    }
    return bounded(out, old, MERGEDSIZE);
}

// ------------------------------------------------------------- attachments

// The attribute one item of a list gives, or null (a failed preselection is
// reported); p moves past the item and the "," after it.
comp_attr item_attr(const char **p)
{
    const char *start = *p;
    const char *after = analyze_pre(start);
    comp_attr ca = nullptr;
    if (attr_form == 3) {
        ca = comp_attr_register;
        comp_attr_register = nullptr;
    } else if (attr_form == 1) {
        if (pre_status == 6)
            ca = attr_from_pre();
        else
            prefail();
    } else if (pre_status >= 4) {
        ca = dup_decon_comp_attr(pre_match->PST);
    } else {
        prefail();
    }
    *p = nextitem(after > start ? after : start + 1);
    return ca;
}

const char *nextitem(const char *p)
{
    while (*p && *p != ',' && *p != ']')
        p++;
    return *p == ',' ? p + 1 : p;
}

const char *construct_attr_cf(t_treenode *node, const char *list)
{
    const char *p = list;
    while (*p && *p != ']')
        append_attr(&node->attributes, item_attr(&p));
    return p;
}

static void attachtrans(t_treenode *node, const char *name)
{
    const transformation *t = findtrans(name);
    if (t == nullptr) {
        v_err(" - Bad Transformation Name: ", name, "");
        return;
    }
    auto copy = std::make_unique<transformation>();
    copy->name = v_strdup(t->name.get());
    copy->priority = t->priority;
    copy->first = t->first;
    copy->functionPtr = t->functionPtr;
    transformation **end = &node->transformation;
    while (*end != nullptr)
        end = &(*end)->next;
    *end = copy.release();
}

const char *add_attachments(t_treenode *node, const char *text, int kind)
{
    const char *p = text;
    for (;;) {
        switch (at(p)) {
        case '[':
            p = kind == 4 ? construct_attr_tran(node, p + 1) : construct_attr_cf(node, p + 1);
            if (*p == ']')
                p++;
            break;
        case CTRANS: {
            p++;
            v_text name = getident(&p);
            attachtrans(node, name.get());
            break;
        }
        case CPRE: {
            const char *end = tagend(p + 1);
            std::string tag(p, end);
            find_pst(tag.c_str(), 1);
            if (pre_status == 6) {
                node->dictionary = pre_match->RHS->dictionary;
                node->index = pre_match->RHS->index;
            } else {
                prefail();
            }
            p = end;
            break;
        }
        case '"': {
            const char *end = pastquote(p);
            size_t n = static_cast<size_t>(end - p - 1);
            if (n > 0 && end[-1] == '"')
                n--;
            n = std::min(n, static_cast<size_t>(MANDATEDSIZE - 1));
            node->preferredchoice = v_strdup(std::string(p + 1, n).c_str());
            p = end;
            break;
        }
        case '/': {
            p++;
            int field = readnumber(&p);
            if (field == 0)
                return p;
            if (*p == '=')
                p++;
            const char *end = values(p);
            std::string value(p, end);
            node->restrictions = insert_restriction(node->restrictions.get(), value.c_str(), field);
            p = end;
            break;
        }
        case CVF: {
            p++;
            bool minus = *p == '-';
            if (minus)
                p++;
            int n = 0;
            for (; *p >= '0' && *p <= '9'; p++)
                n = std::min(n * 10 + (*p - '0'), 1000000);
            node->vf = minus ? -n : n;
            break;
        }
        case '@': {
            p++;
            int field = readnumber(&p);
            if (field == 0)
                return p;
            t_indirection ind = create_indir_node();
            ind->fieldnum = field;
            if (*p == ':') {
                p++;
                ind->tag = getident(&p);
            }
            if (*p == '[') {
                const char *end = std::strchr(p, ']');
                if (end == nullptr)
                    end = p + std::strlen(p);
                ind->attributes = v_strdup(std::string(p + 1, end).c_str());
                p = *end ? end + 1 : end;
            }
            add_to_indir_list(&node->indirections, ind);
            break;
        }
        default:
            return p;
        }
    }
}

// ---------------------------------------------------------------- expansion

static int highvar;                   // slots above it are empty

static void setvar(int v, comp_attr value)
{
    if (v <= 0 || v >= NVARIABLES) {
        purge_comp_attr(&value);
        return;
    }
    purge_comp_attr(&variable_table[v]);
    variable_table[v] = value;
    highvar = std::max(highvar, v);
}

static void clearvars()
{
    for (int v = 1; v <= highvar; v++)
        purge_comp_attr(&variable_table[v]);
    highvar = 0;
}

static const char *variable(t_treenode *node, const char *p)
{
    uchar kind = at(p);
    int v = at(p + 1);
    if (v == 0)
        return p + 1;
    p += 2;
    if (kind == CSELECT) {
        p = analyze_pre(p);
        if (attr_form == 1 && pre_status == 6)
            setvar(v, attr_from_pre());
        else if (attr_form == 2 && pre_status >= 4)
            setvar(v, dup_decon_comp_attr(pre_match->PST));
        else if (attr_form == 3)
            v_err("No preselection token in SELECT clause", "", "");
        else
            prefail();
        return p;
    }
    const char *after = text_to_comp_array(p, 1);
    comp_attr found = kind == CINHERIT ? find_attr(node->attributes) : nullptr;
    setvar(v, found != nullptr ? dup_decon_comp_attr(found) : make_comp_attr());
    return after > p ? after : skip1(p);
}

static const char *child(t_treenode *node, t_treenode **last, const char *p)
{
    char name[IDENTSIZE];
    size_t n = 0;
    for (p++; identchar(at(p)); p++)
        if (n < sizeof name - 1)
            name[n++] = *p;
    name[n] = 0;
    t_treenode *made = nullptr;
    if (treestate == 1 && root != nullptr && std::strcmp(name, "ROOT") == 0)
        made = copytree(root);
    else
        made = makenode(name);
    if (*last == nullptr)
        node->son = made;
    else
        (*last)->sibling = made;
    *last = made;
    return add_attachments(made, p, 2);
}

void expand_node(t_treenode *node)
{
    const char *name = node->name ? node->name.get() : "";
    if (nodecount > NODELIMIT || stopping()) {
        v_err("cf expansion terminated", name, "");
        terminal_node(node);
        return;
    }
    current_node = node;
    const char *p = getrule(name);
    if (p == nullptr) {
        terminal_node(node);
        return;
    }
    clearvars();
    t_treenode *last = node->son;
    while (last != nullptr && last->sibling != nullptr)
        last = last->sibling;
    bool satisfied = false;
    while (*p) {
        switch (at(p)) {
        case CINHERIT:
        case CCHOOSE:
        case CSELECT:
            p = variable(node, p);
            break;
        case ' ':
            p = child(node, &last, p);
            break;
        case '(': {
            const char *group = p + 1;
            int n = readnumber(&group);
            p = n > 0 ? alternative(group, getrandom(n)) : group;
            break;
        }
        case '|':
            p = closegroup(p + 1);
            break;
        case '<': {
            if (satisfied) {
                p = "";
                break;
            }
            current_node = node;
            bool holds = m_guard(p + 1);
            const char *colon = std::strchr(p + 1, ':');
            p = colon != nullptr ? colon + 1 : p + std::strlen(p);
            if (holds)
                satisfied = true;
            else
                p = nextalternative(p);
            break;
        }
        case '>':
            p = satisfied ? "" : p + 1;
            break;
        default:
            p++;
        }
    }
    if (node->son == nullptr)
        terminal_node(node);
    clearvars();
}

// Depth first with a stack of its own, so that a deep tree costs no
// recursion. A ROOT below a named root is a copy of the expanded ROOT tree.
void expand_tree(t_treenode *top)
{
    static std::vector<t_treenode *> work;
    work.clear();
    if (top != nullptr)
        work.push_back(top);
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        if (treestate == 1 && n->name && std::strcmp(n->name.get(), "ROOT") == 0)
            continue;
        expand_node(n);
        size_t mark = work.size();
        for (t_treenode *c = n->son; c != nullptr; c = c->sibling)
            work.push_back(c);
        std::reverse(work.begin() + static_cast<long>(mark), work.end());
    }
}

// -------------------------------------------------------- the preselections

void construct_preselect(const char *text, int global_status)
{
    int &barrier = global_status ? global_barrier : preselect_barrier;
    const char *p = text != nullptr ? text : "";
    while (*p) {
        preselect_pos = p;
        const char *after = text_to_comp_array(p, 1);
        if (attr_index == 0) {
            v_err("Error in preselection tag", "", "");
            p = std::strchr(p, ';');
            p = p != nullptr ? p + 1 : "";
            continue;
        }
        auto rec = std::make_unique<pre_rule>();
        rec->PST = make_full_comp_attr();
        p = after;
        if (*p == ':') {
            p++;
            if (*p == ' ')
                p++;
            v_text name = getident(&p);
            t_treenode *node = makenode(name.get());
            p = add_attachments(node, p, 7);
            if (*p && *p != ';') {
                v_err("Preselection:", "unexpected token in node attachments", "");
                while (*p && *p != ';')
                    p = skip1(p);
            }
            terminal_node(node);
            fill_word(node);
            rec->node = 1;
            rec->RHS = node;
        }
        t_treenode *node = rec->RHS;
        rec->next = preselect_list;
        preselect_list = rec.release();
        getwords(barrier);
        barrier = d_table_count;
        if (node != nullptr)
            process_indirect_ops(node);
        while (*p && *p != ';')
            p = skip1(p);
        if (*p == ';')
            p++;
    }
    preselect_pos = p;
}

void empty_preselect_list(int from_glob)
{
    pre_rule *stop = from_glob ? nullptr : globalpre_list;
    while (preselect_list != nullptr && preselect_list != stop) {
        std::unique_ptr<pre_rule> r(preselect_list);
        preselect_list = r->next;
        purge_comp_attr(&r->PST);
        purge_tree(r->RHS);
    }
    globalpre_list = preselect_list;
}

void print_preselect_list()
{
    for (const pre_rule *r = preselect_list; r != nullptr; r = r->next) {
        v_line(MSGCORE, 0, print_comp_attr(r->PST));
        const t_dict_lookup *d = r->node && r->RHS ? r->RHS->dictionary : nullptr;
        if (d != nullptr && d->error == 0 && d->dictionary != nullptr)
            v_line(MSGCORE, 0, "    " + showrecord(d->dictionary));
    }
}

// ------------------------------------------------------------- built-ins

void add_built_in()
{
    if (gInMemory)
        return;
    if (!builtIn[0].name) {
        builtIn[0].name = v_strdup("FLATTEN");
        builtIn[0].priority = 10;
        builtIn[0].functionPtr = flatten;
    }
    for (transformation &b : builtIn) {
        if (!b.name)
            break;
        b.next = trans_stack;
        trans_stack = &b;
    }
    gInMemory = 1;
}

void remove_built_in()
{
    for (transformation **t = &trans_stack; *t != nullptr;) {
        bool ours = false;
        for (const transformation &b : builtIn)
            ours = ours || *t == &b;
        if (ours)
            *t = (*t)->next;
        else
            t = &(*t)->next;
    }
    for (transformation &b : builtIn)
        b.next = nullptr;
    gInMemory = 0;
}

void flatten(t_treenode *node)
{
    if (node == nullptr || node->son == nullptr)
        return;
    std::vector<const t_treenode *> work{node->son};
    t_treenode *first = nullptr, **link = &first;
    while (!work.empty()) {
        const t_treenode *n = work.back();
        work.pop_back();
        if (n->sibling != nullptr)
            work.push_back(n->sibling);
        if (n->son != nullptr) {
            work.push_back(n->son);
            continue;
        }
        *link = copy_node(n);
        link = &(*link)->sibling;
    }
    purge_tree2(node->son);
    node->son = first;
}

// ------------------------------------------------------ a node from a text

// A node written as in a rule, to the compiled form: blanks outside quotes
// go; after "/" a number becomes its byte, "$" and "+" the frequency mark.
// Empty when a number does not fit its byte.
std::string convert_nodetext(const char *text)
{
    std::string out;
    bool quoted = false;
    auto numberbyte = [&out](const char *&p) {
        int n = 0;
        for (; *p >= '0' && *p <= '9'; p++)
            n = std::min(n * 10 + (*p - '0'), 1000);
        if (n < 1 || n > MAXFIELDNUM)
            return false;
        out += numbertext(n);
        return true;
    };
    for (const char *p = text; *p;) {
        if (*p == '"')
            quoted = !quoted;
        if (quoted || *p == '"' || (*p != ' ' && *p != '/')) {
            out += *p++;
            continue;
        }
        if (*p++ == ' ')
            continue;
        while (*p == ' ')
            p++;
        if (*p == '$' || *p == '+') {
            out += static_cast<char>(CVF);
            if (*p++ == '$')
                out += '-';
        } else if (*p == '@') {
            out += *p++;
            if (!numberbyte(p))
                return "";
        } else if (*p >= '0' && *p <= '9') {
            out += '/';
            if (!numberbyte(p))
                return "";
        }
    }
    return out;
}

t_treenode *string_to_node(const char *text)
{
    const char *p = text;
    while (identchar(at(p)))
        p++;
    if (p == text)
        return nullptr;
    const char *open = std::strchr(p, '[');
    if (open != nullptr && std::strchr(open, ']') == nullptr)
        return nullptr;
    t_treenode *node = makenode(std::string(text, p).c_str());
    if (*add_attachments(node, p, 2) != 0) {
        purge_node(node);
        return nullptr;
    }
    return node;
}
