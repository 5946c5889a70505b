// Attributes: the attribute file with its types, values, order and lookup
// table; the delay table of attribute choices; compound attributes,
// attribute lists and indirection lists; parsing, matching and printing.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include "engine/engine.h"

constinit attr_table_entry attr_table[NATTRTYPES];
int total_types = 1;
std::unique_ptr<attr_qlookup[]> q_att_table;
int q_att_size;
int att_class, att_value;
t_delay delayed[NDELAY];
int delayptr;
t_delay lt_delayed[NDELAY];
int lt_delayptr;
attr_row attr[NATTRROWS];
int attr_index;
int all_values = 1, all_decon = 1;
comp_attr comp_attr_register;

// Each text of q_att_table and the entry that a binary search of the table
// finds for it (of equal texts, always the same one).
static std::unordered_map<std::string_view, int> q_att_index;

// Order relations read so far for the type being declared: row a, column b
// set when a comes before b. Starts as the identity.
static unsigned char scratch[NATTRVALUES][NATTRVALUES];

// ------------------------------------------------------------ type table

static void cleartrans()
{
    std::memset(scratch, 0, sizeof scratch);
    for (int i = 0; i < NATTRVALUES; i++)
        scratch[i][i] = 1;
}

static void emptytype(attr_table_entry &t)
{
    t.type[0] = 0;
    t.list.assign(1, std::string());
    t.valence.assign(1, 0);
    t.entries = 1;
    t.partial = 0;
    t.trans.reset();
}

void clearattributes()
{
    // Types are emptied again as addtype takes them; what is released here
    // is their memory, so that an engine never loaded costs nothing. Only
    // addtype takes an entry, so those from total_types on were never
    // written and are left untouched (a start does not page them in).
    for (int i = 0; i < std::min(total_types, NATTRTYPES); i++)
        attr_table[i] = attr_table_entry{};
    emptytype(attr_table[0]);
    total_types = 1;
    q_att_table.reset();
    q_att_size = 0;
    q_att_index.clear();
    dropchoices();                    // agreement of the kept candidates may change
}

int addtype(const char *name)
{
    if (total_types >= NATTRTYPES) {
        v_err("Table full", name, "");
        return 0;
    }
    attr_table_entry &t = attr_table[total_types];
    emptytype(t);
    size_t n = strnlen(name, sizeof t.type - 1);   // longer names are cut
    std::memcpy(t.type, name, n);
    t.type[n] = 0;
    return total_types++;
}

int addvalue(const char *name, int type, int valence)
{
    if (type <= 0 || type >= total_types)
        return -1;
    attr_table_entry &t = attr_table[type];
    if (t.entries >= NATTRVALUES) {
        v_err("Table full", t.type, "");
        return -1;
    }
    t.list.emplace_back(name);
    t.valence.push_back(valence);
    return t.entries++;
}

int alreadyexists(const char *name, int type)
{
    if (type <= 0 || type >= total_types)
        return -1;
    const attr_table_entry &t = attr_table[type];
    for (int v = 1; v < t.entries; v++)
        if (t.list[v] == name)
            return v;
    return -1;
}

const char *att_get_name(int type, int value)
{
    if (type < 0 || type >= total_types)
        return "IllegalClass";
    const attr_table_entry &t = attr_table[type];
    if (value == -1)
        return t.type;
    if (value < -1 || value >= t.entries)
        return "IllegalValue";
    return t.list[value].c_str();
}

int valid(int sign, int type, int dict_choice, int match_choice)
{
    if (type <= 0 || type >= total_types)
        return dict_choice == match_choice;
    const attr_table_entry &t = attr_table[type];
    int n = t.entries;
    bool inside = dict_choice >= 0 && dict_choice < n && match_choice >= 0 && match_choice < n;
    if (!t.partial || !t.trans || !inside || (sign != '<' && sign != '>'))
        return dict_choice == match_choice;
    if (sign == '<')
        return t.trans[match_choice * n + dict_choice];
    return t.trans[dict_choice * n + match_choice];
}

// The closed order of a type, from the scratch relations (Warshall).
static void transclose(attr_table_entry &t)
{
    int n = t.entries;
    t.trans = std::make_unique<int[]>(static_cast<size_t>(n) * n);
    int *m = t.trans.get();
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++)
            m[i * n + j] = scratch[i][j];
    for (int k = 1; k < n; k++)
        for (int i = 1; i < n; i++)
            if (m[i * n + k])
                for (int j = 1; j < n; j++)
                    if (m[k * n + j])
                        m[i * n + j] = 1;
}

// -------------------------------------------------------------- lookup

static int qsearch(const char *name)
{
    int lo = 0, hi = q_att_size - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = std::strcmp(name, q_att_table[mid].text);
        if (c == 0)
            return mid;
        if (c < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return -1;
}

int lookup_attr(const char *name)
{
    auto found = q_att_index.find(name);
    if (found == q_att_index.end())
        return 0;
    att_class = q_att_table[found->second].type;
    att_value = q_att_table[found->second].number;
    return 1;
}

static void buildlookup()
{
    int n = 0;
    for (int t = 1; t < total_types; t++)
        n += attr_table[t].entries;   // the name and every value
    q_att_table = std::make_unique<attr_qlookup[]>(static_cast<size_t>(n));
    q_att_size = 0;
    for (int t = 1; t < total_types; t++) {
        const attr_table_entry &e = attr_table[t];
        q_att_table[q_att_size++] = {e.type, t, -1};
        for (int v = 1; v < e.entries; v++)
            q_att_table[q_att_size++] = {e.list[v].c_str(), t, v};
    }
    std::stable_sort(q_att_table.get(), q_att_table.get() + q_att_size,
                     [](const attr_qlookup &a, const attr_qlookup &b) {
                         return std::strcmp(a.text, b.text) < 0;
                     });
    for (int i = 1; i < q_att_size; i++)
        if (std::strcmp(q_att_table[i - 1].text, q_att_table[i].text) == 0)
            v_err("Warning: attribute value ", q_att_table[i].text, " duplicated");
    q_att_index.clear();
    q_att_index.reserve(static_cast<size_t>(q_att_size));
    for (int i = 0; i < q_att_size; i++)
        q_att_index.try_emplace(q_att_table[i].text, qsearch(q_att_table[i].text));
}

// ------------------------------------------------------- attribute file

int tok2bits(int token)
{
    switch (token) {
    case TIDENT: return 2;
    case '<': return 4;
    case '(': return 8;
    case ',': return 16;
    case ')': return 32;
    case TPERCENT: return 64;
    case TEOF: return 256;
    default: return 128;
    }
}

static void gettypes()
{
    int expect = 1 | 2;
    int type = 0;
    int previous = 0;                 // the value read last in this type
    int valence = 0;
    bool afterless = false;
    for (;;) {
        int tok = v_peep();
        int bits = tok2bits(tok);
        if (!(bits & expect))
            v_err("Inappropriate", tok2str(tok), "");
        bool less = false;
        if (bits == 2 && (expect & 1)) {
            type = addtype(identbuf);
            previous = 0;
            expect = 8;
        } else if (bits == 2 && identbuf[0] >= '0' && identbuf[0] <= '9') {
            valence = std::atoi(identbuf);
            expect = 2;
        } else if (bits == 2) {
            int v = alreadyexists(identbuf, type);
            if (v < 0 && type > 0) {
                v = addvalue(identbuf, type, valence);
                valence = 0;
            }
            if (afterless && v > 0 && previous > 0) {
                attr_table[type].partial = 1;
                scratch[previous][v] = 1;
            }
            if (v > 0)
                previous = v;
            expect = 4 | 16 | 32;
        } else if (bits == 4) {
            less = true;
            expect = 2;
        } else if (bits == 8 || bits == 16) {
            expect = 2;
        } else if (bits == 32) {
            if (type > 0 && attr_table[type].partial)
                transclose(attr_table[type]);
            cleartrans();
            expect = 64 | 2 | 1;
        } else if (bits == 64 || bits == 256) {
            break;
        }
        afterless = less;
        v_next();
    }
    while (v_peep() != TEOF)          // the rest of the file is not read
        v_next();
}

void readattr(const char *filename)
{
    file_operation = "attribute input";
    file_position[0] = 0;
    cleartrans();
    dropchoices();
    v_stat = 0;                       // before the first token, which may include a file
    if (!openfile(filename, 0))
        return;
    gettypes();
    buildlookup();
    closeall();                       // later messages are about no file
}

// ---------------------------------------------------------- delay table

static int takedelay(t_delay *table, int *ptr, int cls, int choice, int fixed)
{
    int i = *ptr;
    if (i < 0)
        i = 0;
    if (i >= NDELAY - 1) {
        i = NDELAY - 1;
        v_line(MSGCORE, 0, "Delay table exceeded");
    } else {
        *ptr = i + 1;
    }
    table[i] = {cls, choice, fixed};
    return i;
}

int newdelay(int cls, int choice, int fixed)
{
    return takedelay(delayed, &delayptr, cls, choice, fixed);
}

int lt_newdelay(int cls, int choice, int fixed)
{
    return takedelay(lt_delayed, &lt_delayptr, cls, choice, fixed);
}

static const t_delay &entry(int index, bool lt)
{
    static const t_delay none{0, -1, 0};
    if (index < 0 || index >= NDELAY)
        return none;
    return lt ? lt_delayed[index] : delayed[index];
}

// --------------------------------------------------- compound attributes

comp_attr create_comp_attr() { return new s_comp_attr{0, nullptr}; }

void add_comp_attr(comp_attr *ca, int index)
{
    comp_attr *at = ca;
    while (*at != nullptr)
        at = &(*at)->another;
    *at = create_comp_attr();
    (*at)->index = index;
}

int attr_seg_count(comp_attr ca)
{
    int n = 0;
    for (; ca != nullptr; ca = ca->another)
        n++;
    return n;
}

int comp_attr_element(comp_attr ca, int n)
{
    for (int i = 1; ca != nullptr; ca = ca->another, i++)
        if (i == n)
            return ca->index;
    return -1;
}

comp_attr duplicate_comp_attr(comp_attr ca)
{
    comp_attr copy = nullptr;
    comp_attr *at = &copy;
    for (; ca != nullptr; ca = ca->another) {
        *at = create_comp_attr();
        (*at)->index = ca->index;
        at = &(*at)->another;
    }
    return copy;
}

void purge_comp_attr(comp_attr *ca)
{
    while (*ca != nullptr) {
        comp_attr next = (*ca)->another;
        delete *ca;
        *ca = next;
    }
}

// Attribute lists and indirection lists are both singly linked through
// `next`: one walk to the end, one count and one walk to the nth cell
// serve both.
template <class L> static L *endcell(L *list)
{
    while (*list != nullptr)
        list = &(*list)->next;
    return list;
}

template <class L> static int countcells(L list)
{
    int n = 0;
    for (; list != nullptr; list = list->next)
        n++;
    return n;
}

template <class L> static L nthcell(L list, int n)
{
    for (int i = 1; list != nullptr; list = list->next, i++)
        if (i == n)
            return list;
    return nullptr;
}

// -------------------------------------------------------- attribute lists

attr_list create_attr_list() { return new s_attr_list{0, nullptr, nullptr}; }

void add_attr_to_list(attr_list *list, comp_attr ca)
{
    attr_list *at = endcell(list);
    *at = create_attr_list();
    (*at)->first = ca;
    (*at)->attr_count = attr_seg_count(ca);
}

int attr_list_count(attr_list list) { return countcells(list); }

comp_attr attr_list_element(attr_list list, int n)
{
    attr_list cell = nthcell(list, n);
    return cell != nullptr ? cell->first : nullptr;
}

attr_list duplicate_attr_list(attr_list list)
{
    attr_list copy = nullptr;
    attr_list *at = &copy;
    for (; list != nullptr; list = list->next) {
        *at = create_attr_list();
        (*at)->first = duplicate_comp_attr(list->first);
        (*at)->attr_count = list->attr_count;
        at = &(*at)->next;
    }
    return copy;
}

void new_attr_remove(attr_list *list, comp_attr ca)
{
    for (attr_list *at = list; *at != nullptr; at = &(*at)->next)
        if ((*at)->first == ca) {
            attr_list cell = *at;
            *at = cell->next;
            purge_comp_attr(&cell->first);
            delete cell;
            return;
        }
}

static bool sameindices(comp_attr a, comp_attr b)
{
    for (; a != nullptr && b != nullptr; a = a->another, b = b->another)
        if (a->index != b->index)
            return false;
    return a == nullptr && b == nullptr;
}

int present_compound(attr_list list, comp_attr ca)
{
    int n = attr_seg_count(ca);
    for (; list != nullptr; list = list->next)
        if (list->attr_count == n && sameindices(list->first, ca))
            return 1;
    return 0;
}

void append_attr(attr_list *list, comp_attr ca)
{
    if (ca == nullptr)
        return;
    if (present_compound(*list, ca))
        purge_comp_attr(&ca);
    else
        add_attr_to_list(list, ca);
}

void combine_attr_list(attr_list *list, attr_list other)
{
    for (; other != nullptr; other = other->next)
        if (!present_compound(*list, other->first))
            add_attr_to_list(list, duplicate_comp_attr(other->first));
}

void purge_attr_list(attr_list *list)
{
    while (*list != nullptr) {
        attr_list next = (*list)->next;
        purge_comp_attr(&(*list)->first);
        delete *list;
        *list = next;
    }
}

// ------------------------------------------------------ indirection lists

t_indirection create_indir_node() { return new s_indirection{0, nullptr, nullptr}; }

void add_to_indir_list(indir_list *list, t_indirection ind)
{
    *endcell(list) = new s_indir_list{ind, nullptr};
}

int indirect_count(indir_list list) { return countcells(list); }

t_indirection indir_list_element(indir_list list, int n)
{
    indir_list cell = nthcell(list, n);
    return cell != nullptr ? cell->indir_node : nullptr;
}

t_indirection duplicate_indirection_node(t_indirection ind)
{
    if (ind == nullptr)
        return nullptr;
    t_indirection copy = create_indir_node();
    copy->fieldnum = ind->fieldnum;
    copy->tag = v_strdup(ind->tag.get());
    copy->attributes = v_strdup(ind->attributes.get());
    return copy;
}

indir_list duplicate_indir_list(indir_list list)
{
    indir_list copy = nullptr;
    for (; list != nullptr; list = list->next)
        add_to_indir_list(&copy, duplicate_indirection_node(list->indir_node));
    return copy;
}

void purge_indirection_node(t_indirection ind) { delete ind; }

void indir_purge_list(indir_list *list)
{
    while (*list != nullptr) {
        indir_list next = (*list)->next;
        purge_indirection_node((*list)->indir_node);
        delete *list;
        *list = next;
    }
}

// ------------------------------------------------ compound attribute text

inline constexpr unsigned char VARMARK = 255;  // followed by the variable's number

static comp_attr variable(unsigned char k)
{
    return k < NVARIABLES ? variable_table[k] : nullptr;
}

const char *skipcomp(const char *text)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    for (;;) {
        if (*p == VARMARK && p[1] != 0)
            p += 2;
        else if (identchar(*p) || *p == '.' || *p == '/')
            p++;
        else
            break;
    }
    return reinterpret_cast<const char *>(p);
}

// One segment's name, cut to the lookup's limit; p moves past all of it.
static void segname(const unsigned char *&p, char (&name)[IDENTSIZE])
{
    int n = 0;
    while (identchar(*p)) {
        if (n < IDENTSIZE - 1)
            name[n++] = static_cast<char>(*p);
        p++;
    }
    name[n] = 0;
}

static void addrow(int type, int value, int decon)
{
    if (attr_index >= NATTRROWS)
        return;                       // segments beyond the rows are dropped
    attr[attr_index++] = {type, value, decon, -1, 0};
}

const char *text_to_comp_array(const char *text, int decon_allowed)
{
    attr_index = 0;
    all_values = 1;
    all_decon = 1;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    for (;;) {
        int decon = 0;
        const unsigned char *q = p;
        if (*q == '.')
            q++;
        else if (*q == '/' && decon_allowed) {
            decon = 1;
            q++;
        }
        if (*q == VARMARK && q[1] != 0) {
            for (comp_attr c = variable(q[1]); c != nullptr; c = c->another) {
                const t_delay &e = entry(c->index, false);
                addrow(e.class_, e.choice, decon);
            }
            p = q + 2;
        } else if (identchar(*q)) {
            const unsigned char *start = q;
            char name[IDENTSIZE];
            segname(q, name);
            if (!lookup_attr(name)) {
                v_err("Unknown attribute", name, "");
                attr_index = 0;
                return skipcomp(reinterpret_cast<const char *>(start));
            }
            addrow(att_class, att_value, decon);
            p = q;
        } else {
            p = q;
            break;
        }
    }
    for (int i = 0; i < attr_index; i++) {
        if (attr[i].value == -1)
            all_values = 0;
        if (!attr[i].decon)
            all_decon = 0;
    }
    return reinterpret_cast<const char *>(p);
}

const char *text_to_comp_struct(const char *text, int decon_allowed)
{
    purge_comp_attr(&comp_attr_register);
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    for (;;) {
        bool decon = false;
        const unsigned char *q = p;
        if (*q == '.')
            q++;
        else if (*q == '/' && decon_allowed) {
            decon = true;
            q++;
        }
        if (*q == VARMARK && q[1] != 0) {
            if (!decon)
                for (comp_attr c = variable(q[1]); c != nullptr; c = c->another)
                    add_comp_attr(&comp_attr_register, c->index);
            p = q + 2;
        } else if (identchar(*q)) {
            const unsigned char *start = q;
            char name[IDENTSIZE];
            segname(q, name);
            if (!lookup_attr(name)) {
                purge_comp_attr(&comp_attr_register);
                return skipcomp(reinterpret_cast<const char *>(start));
            }
            if (!decon)
                add_comp_attr(&comp_attr_register,
                              newdelay(att_class, att_value, att_value == -1 ? 0 : 1));
            p = q;
        } else {
            p = q;
            break;
        }
    }
    return reinterpret_cast<const char *>(p);
}

static comp_attr rowsattr(bool all)
{
    comp_attr ca = nullptr;
    for (int i = 0; i < attr_index; i++)
        if (all || !attr[i].decon)
            add_comp_attr(&ca, newdelay(attr[i].type, attr[i].value, attr[i].value == -1 ? 0 : 1));
    return ca;
}

comp_attr make_comp_attr() { return rowsattr(false); }
comp_attr make_full_comp_attr() { return rowsattr(true); }

comp_attr dup_decon_comp_attr(comp_attr ca)
{
    comp_attr copy = nullptr;
    for (int i = 0; ca != nullptr; ca = ca->another, i++)
        if (!(i < attr_index && attr[i].decon))
            add_comp_attr(&copy, ca->index);
    return copy;
}

static void decompose(comp_attr ca, bool lt)
{
    attr_index = 0;
    for (; ca != nullptr && attr_index < NATTRROWS; ca = ca->another) {
        const t_delay &e = entry(ca->index, lt);
        attr[attr_index++] = {e.class_, e.choice, 0, lt ? ca->index : -1, 0};
    }
}

void decompose_comp_attr(comp_attr ca) { decompose(ca, false); }
void lt_decompose_comp_attr(comp_attr ca) { decompose(ca, true); }

// ------------------------------------------------------------- matching

static bool cellsmatch(comp_attr ca)
{
    bool lt = MState == 1;
    for (int i = 0; ca != nullptr; ca = ca->another, i++) {
        if (ca->index < 0 || ca->index >= NDELAY)
            return false;
        const t_delay &e = lt ? lt_delayed[ca->index] : delayed[ca->index];
        if (e.class_ != attr[i].type)
            return false;
        if (attr[i].value == -1)
            continue;
        if (!lt && e.choice == -1)
            make_choice(ca->index);
        if (e.choice != attr[i].value)
            return false;
    }
    return true;
}

comp_attr find_attr(attr_list list)
{
    for (; list != nullptr; list = list->next)
        if (attr_seg_count(list->first) == attr_index && cellsmatch(list->first))
            return list->first;
    return nullptr;
}

int compare_comp_attr(comp_attr a, comp_attr b)
{
    for (; a != nullptr && b != nullptr; a = a->another, b = b->another) {
        const t_delay &x = entry(a->index, false);
        const t_delay &y = entry(b->index, false);
        if (x.class_ != y.class_)
            return 0;
        if (x.fixed && x.choice != y.choice)
            return 0;
    }
    return a == nullptr && b == nullptr;
}

comp_attr find_attr_in_list(attr_list list, comp_attr ca)
{
    int n = attr_seg_count(ca);
    for (; list != nullptr; list = list->next)
        if (attr_seg_count(list->first) == n && compare_comp_attr(ca, list->first))
            return list->first;
    return nullptr;
}

pre_rule *look_for_attr(comp_attr ca, pre_rule *pre_list)
{
    for (; pre_list != nullptr; pre_list = pre_list->next)
        if (compare_comp_attr(ca, pre_list->PST))
            return pre_list;
    return nullptr;
}

comp_attr find_type_in_attr(int index, attr_list list)
{
    int cls = entry(index, false).class_;
    for (; list != nullptr; list = list->next)
        if (list->first != nullptr && list->first->another == nullptr &&
            entry(list->first->index, false).class_ == cls)
            return list->first;
    return nullptr;
}

// ------------------------------------------------------------- printing

std::string print_comp_attr(comp_attr ca)
{
    std::string text;
    for (; ca != nullptr; ca = ca->another) {
        const t_delay &e = entry(ca->index, false);
        if (!text.empty())
            text += '.';
        text += att_get_name(e.class_, e.choice);
    }
    if (text.size() > PRINTATTRSIZE - 1)
        text.resize(PRINTATTRSIZE - 1);
    return text;
}

std::string print_attr_list(attr_list list)
{
    std::string text;
    for (; list != nullptr; list = list->next) {
        if (!text.empty())
            text += ", ";
        text += print_comp_attr(list->first);
    }
    return text;
}
