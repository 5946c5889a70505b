// Morphological variants of an expected word: the morph-error file tells, per
// terminal class, which attribute types and values a learner may get wrong;
// every combination of them is inflected into a variant of each leaf, and a
// response word is matched against those variants with the smallest
// differences in attributes that explain it. Also the ESC L listing.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "analysis/analysis.h"
#include "engine/engine.h"
#include "screen/screen.h"

int mrdata[NTERMINALS][MRDATASIZE];
int mrmod[NTERMINALS][VARTYPES + 1][VARVALUES + 1];
// Rows of mrdata and mrmod below this may hold something; those from it on
// are all zero. Clearing and mrmodify stop there, so that an engine that
// never read a morph-error file does not bring the tables into memory.
static int mrrows = 0;
int comb[VARTYPES + 1];
int hitype;
int term;

// The delay entries the last mrmodify made (from mrbase, their pairs in
// mrmade). The next one uses them again when it needs the same pairs and
// nothing was taken after them, so that repeated analyses of one
// generation do not fill the delay table.
static int mrbase = -1;
static std::vector<std::pair<int, int>> mrmade;

// -------------------------------------------------------- morph-error file

static int pairs(const int *row)
{
    int n = 0;
    while (n < MRNAMES && row[2 * n] != 0)
        n++;
    return n;
}

// One class's pairs sorted by type, then value, a whole type (-1) first;
// repeated pairs and values covered by their whole type removed.
static void normalise(int *row)
{
    int n = pairs(row);
    std::vector<std::pair<int, int>> p;
    for (int i = 0; i < n; i++)
        p.emplace_back(row[2 * i], row[2 * i + 1]);
    std::sort(p.begin(), p.end());
    p.erase(std::unique(p.begin(), p.end()), p.end());
    std::vector<std::pair<int, int>> kept;
    for (const auto &[type, value] : p)
        if (value == -1 || kept.empty() || kept.back() != std::pair{type, -1})
            kept.emplace_back(type, value);
    std::fill(row, row + MRDATASIZE, 0);
    for (size_t i = 0; i < kept.size(); i++) {
        row[2 * i] = kept[i].first;
        row[2 * i + 1] = kept[i].second;
    }
}

// Values a whole type varies over: 1 .. entries - 1.
static int typevalues(int type)
{
    return type > 0 && type < total_types ? attr_table[type].entries - 1 : 0;
}

// Keeps a class within the limits of mrmod: at most VARTYPES types and
// VARVALUES values per type; what is beyond them is reported and dropped.
static void bound(int c)
{
    int *row = mrdata[c];
    int n = pairs(row), types = 0, values = 0, lasttype = 0, out = 0;
    const char *cls = terminal_table[c].c_str();
    for (int i = 0; i < n; i++) {
        int type = row[2 * i], value = row[2 * i + 1];
        if (type != lasttype) {
            lasttype = type;
            values = 0;
            if (++types > VARTYPES)
                v_err("Maximum varied types for a terminal:", cls, att_get_name(type, -1));
        }
        if (types > VARTYPES)
            continue;
        if (value == -1) {
            if (typevalues(type) > VARVALUES)
                v_err("Maximum values of a varied type, only 20 used:", cls,
                      att_get_name(type, -1));
            values = VARVALUES;
        } else if (++values > VARVALUES) {
            v_err("Maximum values of a varied type:", cls, att_get_name(type, value));
            continue;
        }
        row[2 * out] = type;
        row[2 * out + 1] = value;
        out++;
    }
    std::fill(row + 2 * out, row + MRDATASIZE, 0);
}

// Skips a quoted text, the current token being its opening quote mark.
static std::string skipquoted()
{
    std::string text;
    v_next();
    for (int t; (t = v_peep()) != TEOF; v_next()) {
        if (t == TQUOTE) {
            v_next();
            break;
        }
        text += static_cast<char>(t);
    }
    return text;
}

// One group: a class name (the current token), attribute names, ")".
static void mrgroup()
{
    std::string cls = identbuf;
    setposition("%s", cls.c_str());
    int c = lookup_terminal(cls.c_str());
    v_next();
    if (c < 0)
        v_err("Terminal not in terminal list", cls.c_str(), "");
    for (int t; (t = v_peep()) != TEOF && t != ')';) {
        if (t == TQUOTE) {
            v_err("unexpected in a group:", "quoted text", skipquoted().c_str());
            continue;
        }
        if (t != TIDENT) {
            if (t != '(' && t != ',' && t != TPERCENT)
                v_err("unexpected in a group:", tok2str(t), "");
        } else if (c < 0) {
            // the names of an unknown class are passed over
        } else if (!lookup_attr(identbuf)) {
            v_err("Attribute not in attribute list", identbuf, "");
        } else if (int n = pairs(mrdata[c]); n >= MRNAMES) {
            v_err("Maximum allowable types/values for a terminal", identbuf, "");
        } else {
            mrdata[c][2 * n] = att_class;
            mrdata[c][2 * n + 1] = att_value;
            mrrows = std::max(mrrows, c + 1);
        }
        v_next();
    }
    if (c >= 0) {
        normalise(mrdata[c]);
        bound(c);
    }
    if (v_peep() == ')')
        v_next();
}

static void mrfile()
{
    for (int t; (t = v_peep()) != TEOF;) {
        if (t == TIDENT) {
            mrgroup();
        } else if (t == TQUOTE) {
            v_err("unexpected outside a group:", "quoted text", skipquoted().c_str());
        } else {
            if (t != TPERCENT)
                v_err("unexpected outside a group:", tok2str(t), "");
            v_next();
        }
    }
}

void readvariantfile(const char *filename, const char *operation, void (*body)())
{
    varstamp++;
    v_stat = 0;
    file_operation = operation;
    file_position[0] = 0;
    openfile(filename, 0);            // a file not opened gives the end at once
    body();
    closeall();                       // later messages are about no file
    file_operation = "";
    file_position[0] = 0;
}

void merror_readtables(const char *filename)
{
    readvariantfile(filename, "morph error input", mrfile);
}

void clear_mrdata()
{
    varstamp++;
    for (int c = 0; c < mrrows; c++) {
        std::fill(std::begin(mrdata[c]), std::end(mrdata[c]), 0);
        for (auto &type : mrmod[c])
            std::fill(std::begin(type), std::end(type), 0);
    }
    mrrows = 0;
    hitype = term = 0;
    mrbase = -1;
    mrmade.clear();
}

void print_merror_tables()
{
    for (int c = 0; c < terminal_count && c < NTERMINALS; c++) {
        v_line(MSGCORE, 0, terminal_table[c]);
        for (int i = 0; i < 2 * pairs(mrdata[c]); i++)
            v_linef(MSGCORE, "%i", mrdata[c][i]);
    }
}

// ------------------------------------------------------------------ mrmod

// The values one varied type of a class stands for, at most VARVALUES.
static std::vector<int> typerun(const int *row, int &i)
{
    std::vector<int> values;
    int type = row[2 * i];
    for (; i < MRNAMES && row[2 * i] == type; i++) {
        int value = row[2 * i + 1];
        int first = value == -1 ? 1 : value, last = value == -1 ? typevalues(type) : value;
        for (int v = first; v <= last && values.size() < VARVALUES; v++)
            values.push_back(v);
    }
    return values;
}

void mrmodify()
{
    // The pairs needed, in order of first use, each given one delay entry.
    std::vector<std::pair<int, int>> need;
    std::map<std::pair<int, int>, int> slot;
    for (int c = 0; c < mrrows; c++) {
        const int *row = mrdata[c];
        for (int i = 0; i < MRNAMES && row[2 * i] != 0;) {
            int type = row[2 * i];
            for (int v : typerun(row, i))
                if (slot.emplace(std::pair{type, v}, static_cast<int>(need.size())).second)
                    need.emplace_back(type, v);
        }
    }
    bool same = mrbase >= 0 && need == mrmade &&
                mrbase + static_cast<int>(mrmade.size()) == delayptr;
    for (size_t n = 0; same && n < mrmade.size(); n++) {
        const t_delay &e = delayed[mrbase + static_cast<int>(n)];
        same = e.class_ == mrmade[n].first && e.choice == mrmade[n].second && e.fixed == 1;
    }
    if (!same) {
        varstamp++;
        mrmade.clear();
        mrbase = delayptr;
        for (const auto &[type, value] : need) {
            if (delayptr >= NDELAY - 1) {
                v_line(MSGCORE, 0, "Delay table exceeded: some morphological variants not made");
                break;
            }
            newdelay(type, value, 1);
            mrmade.emplace_back(type, value);
        }
    }
    for (int c = 0; c < mrrows; c++) {     // rows from mrrows on stay zero
        auto &mod = mrmod[c];
        for (auto &type : mod)
            std::fill(std::begin(type), std::end(type), 0);
        const int *row = mrdata[c];
        int k = 0;
        for (int i = 0; i < MRNAMES && row[2 * i] != 0 && k < VARTYPES;) {
            int type = row[2 * i];
            int count = 0;
            for (int v : typerun(row, i)) {
                int n = slot[{type, v}];
                if (n < static_cast<int>(mrmade.size()))
                    mod[k + 1][++count] = mrbase + n;
            }
            if (count > 0)
                mod[++k][0] = count;
        }
        mod[0][0] = k;
    }
}

// --------------------------------------------------------------- variants

void purge_morphvar(morphvar **mv)
{
    while (*mv != nullptr) {
        std::unique_ptr<morphvar> v(*mv);
        *mv = v->next;
    }
}

unsigned varstamp = 1;

morphvar *findmark(t_treenode *leaf, int kind)
{
    for (morphvar *v = leaf ? leaf->mvar : nullptr; v != nullptr && v->kind != MVVARIANT;
         v = v->next) {
        if (v->kind == kind)
            return v->attrcomb[0] == static_cast<int>(varstamp) ? v : nullptr;
        if (v->kind == MVMADE)
            break;
    }
    return nullptr;
}

// Puts a block in front of the leaf's list, after dropping a stale block of
// the same mark.
void keepblock(t_treenode *leaf, std::vector<std::unique_ptr<morphvar>> &block)
{
    if (leaf == nullptr || block.empty())
        return;
    int kind = block.front()->kind;
    for (morphvar **at = &leaf->mvar; *at != nullptr && (*at)->kind != MVVARIANT;) {
        if ((*at)->kind == MVMADE)
            break;
        if ((*at)->kind != kind) {
            at = &(*at)->next;
            continue;
        }
        do {                          // the mark and the words of its block
            std::unique_ptr<morphvar> old(*at);
            *at = old->next;
        } while (*at != nullptr && (*at)->kind > 0);
        break;
    }
    block.front()->attrcomb[0] = static_cast<int>(varstamp);
    for (size_t i = block.size(); i-- > 0;) {
        block[i]->next = leaf->mvar;
        leaf->mvar = block[i].release();
    }
    block.clear();
}

void init_comb()
{
    std::fill(std::begin(comb), std::end(comb), 0);
}

// The next combination: the last type varies fastest; a type's number runs
// from 0 to its count, then wraps and carries into the type before it.
bool incr_comb()
{
    for (int k = hitype; k >= 1; k--) {
        if (++comb[k] <= mrmod[term][k][0])
            return true;
        comb[k] = 0;
    }
    return false;
}

static int leafclass(const t_treenode *leaf)
{
    if (leaf == nullptr || leaf->dictionary == nullptr || leaf->dictionary->error != 0 ||
        leaf->dictionary->dictionary == nullptr)
        return -1;
    const char *name = leaf->dictionary->class_ ? leaf->dictionary->class_.get()
                                                : leaf->name.get();
    return lookup_terminal(name);
}

// Sets the value of type `type` in a list to delay entry d, or adds it.
static void setvalue(attr_list *list, int d)
{
    int type = delayed[d].class_;
    bool found = false;
    for (attr_list l = *list; l != nullptr; l = l->next)
        for (comp_attr ca = l->first; ca != nullptr; ca = ca->another)
            if (ca->index >= 0 && ca->index < NDELAY && delayed[ca->index].class_ == type) {
                ca->index = d;
                found = true;
            }
    if (!found) {
        comp_attr ca = nullptr;
        add_comp_attr(&ca, d);
        add_attr_to_list(list, ca);
    }
}

// The word of a leaf copy inflected from nothing by fields 5 and 6 of its
// entry; the copy sees the leaf's left neighbour and `right` after it.
static std::string inflect(t_treenode *copy, const t_treenode *leaf, t_treenode *right)
{
    t_treenode *keep = current_node;
    copy->left = leaf->left;
    copy->right = right;
    copy->morphed_word = v_strdup("");
    morph_word(copy, 5);
    morph_word(copy, 6);
    current_node = keep;
    return copy->morphed_word ? copy->morphed_word.get() : "";
}

std::string inflect_alone(t_treenode *leaf)
{
    if (leaf == nullptr)
        return "";
    t_treenode *copy = copy_node(leaf);
    std::string word = inflect(copy, leaf, nullptr);
    purge_node(copy);
    return word;
}

void make_variants(t_treenode *leaf)
{
    if (leaf == nullptr)
        return;
    purge_morphvar(&leaf->mvar);
    term = leafclass(leaf);
    hitype = term >= 0 && term < NTERMINALS ? std::clamp(mrmod[term][0][0], 0, VARTYPES) : 0;
    if (hitype == 0)
        term = 0;
    init_comb();
    int made = 0;
    while (incr_comb()) {
        if (made == MAXVARIANTS) {
            v_linef(MSGCORE, "Too many morphological variants of %s: only %d made",
                    leaf->morphed_word ? leaf->morphed_word.get() : "", MAXVARIANTS);
            break;
        }
        auto v = std::make_unique<morphvar>();
        t_treenode *copy = copy_node(leaf);
        for (int k = 1; k <= hitype; k++)
            if (comb[k] != 0) {
                int d = mrmod[term][k][comb[k]];
                setvalue(&copy->attributes, d);
                v->attrcomb[++v->attrcomb[0]] = d;
            }
        v->variant = inflect(copy, leaf, leaf->right);
        purge_node(copy);
        v->next = leaf->mvar;
        leaf->mvar = v.release();
        made++;
    }
    std::vector<std::unique_ptr<morphvar>> mark;
    mark.push_back(std::make_unique<morphvar>());
    mark.front()->kind = MVMADE;
    keepblock(leaf, mark);
}

// Leaves whose variants were made since the data last changed keep them,
// with the words kept for them, so that responses compared one after the
// other with one generation share the work.
void all_variants(t_treenode *tree)
{
    for (t_treenode *leaf = tree ? tree->right : nullptr; leaf != nullptr; leaf = leaf->right)
        if (findmark(leaf, MVMADE) == nullptr)
            make_variants(leaf);
}

// ------------------------------------------------------------- comparison

static bool delayok(int d) { return d >= 0 && d < NDELAY; }

// The (type, value) pairs of a difference's left side, ascending.
static std::vector<std::pair<int, int>> leftpairs(const difference &d)
{
    std::vector<std::pair<int, int>> p;
    for (int i = 0; i < d.ltind && i < VARTYPES; i++)
        if (delayok(d.left[i]))
            p.emplace_back(delayed[d.left[i]].class_, delayed[d.left[i]].choice);
    std::sort(p.begin(), p.end());
    return p;
}

// Bit 1: a holds a pair b lacks; bit 2: b holds a pair a lacks.
int contains(const difference &a, const difference &b)
{
    auto pa = leftpairs(a), pb = leftpairs(b);
    int r = 0;
    size_t i = 0, j = 0;
    while (i < pa.size() || j < pb.size()) {
        if (j == pb.size() || (i < pa.size() && pa[i] < pb[j])) {
            r |= 1;
            i++;
        } else if (i == pa.size() || pb[j] < pa[i]) {
            r |= 2;
            j++;
        } else {
            i++;
            j++;
        }
    }
    return r;
}

static std::string names(const int *entries, int n)
{
    std::string s;
    for (int i = 0; i < n && i < VARTYPES; i++) {
        if (!delayok(entries[i]))
            continue;
        if (!s.empty())
            s += ", ";
        s += att_get_name(delayed[entries[i]].class_, delayed[entries[i]].choice);
    }
    return s;
}

// The expected word's attributes, then the variant's.
std::string print_difference(const difference &d)
{
    return names(d.right, d.rtind) + "/" + names(d.left, d.ltind);
}

// The leaf's own delay entry of a type, or -1.
static int ownvalue(const t_treenode *leaf, int type)
{
    for (attr_list l = leaf->attributes; l != nullptr; l = l->next)
        for (comp_attr ca = l->first; ca != nullptr; ca = ca->another)
            if (delayok(ca->index) && delayed[ca->index].class_ == type)
                return ca->index;
    return -1;
}

static difference differ(const morphvar *v, const t_treenode *leaf)
{
    difference d{};
    for (int i = 1; i <= v->attrcomb[0] && i <= VARTYPES; i++) {
        int e = v->attrcomb[i];
        if (!delayok(e))
            continue;
        int own = ownvalue(leaf, delayed[e].class_);
        if (own >= 0 && delayed[own].choice == delayed[e].choice)
            continue;
        if (own >= 0)
            d.right[d.rtind++] = own;
        d.left[d.ltind++] = e;
    }
    return d;
}

int compare_var(const char *response_word, t_treenode *leaf, std::string *breakup)
{
    if (response_word == nullptr || leaf == nullptr)
        return 0;
    if (breakup != nullptr)
        for (int i = 0; i < BREAKUPS; i++)
            breakup[i].clear();
    const morphvar *first = leaf->mvar;
    while (first != nullptr &&
           (first->kind != MVVARIANT || !shown_as(first->variant.c_str(), response_word)))
        first = first->next;
    if (first == nullptr)
        return 0;
    std::vector<difference> kept;
    bool matched = false, cut = false;
    for (const morphvar *v = first; v != nullptr; v = v->next) {
        if (v->kind != MVVARIANT || !shown_as(v->variant.c_str(), response_word))
            continue;
        matched = true;
        difference fresh = differ(v, leaf);
        bool keep = true;
        for (size_t i = 0; i < kept.size();) {
            int c = contains(kept[i], fresh);
            if (c == 0 || c == 2) {   // the same, or the kept one is smaller
                keep = false;
                break;
            }
            if (c == 1)               // the new one is smaller
                kept.erase(kept.begin() + static_cast<long>(i));
            else
                i++;
        }
        if (!keep)
            continue;
        if (kept.size() < MAXDIFFS)
            kept.push_back(fresh);
        else
            cut = true;
    }
    if (breakup != nullptr)
        for (size_t i = 0; i < kept.size() && i < BREAKUPS; i++)
            breakup[i] = print_difference(kept[i]);
    if (cut)
        v_linef(MSGCORE, "More than %d minimal differences for %s: only %d kept", MAXDIFFS,
                response_word, MAXDIFFS);
    return matched ? 1 : 0;
}

// ----------------------------------------------------------- enumerations

void generate_enumerations()
{
    progress("Beginning enumerations");
    if (root == nullptr) {
        diserr("Error: ROOT tree does not exist");
        return;
    }
    mrmodify();
    all_variants(root);
    for (t_treenode *leaf = root->right; leaf != nullptr; leaf = leaf->right) {
        const char *word = leaf->morphed_word ? leaf->morphed_word.get() : "";
        if (*word == 0)
            continue;
        v_line(MSGCORE, 0, "");
        v_linef(MSGCORE, "ORIGINAL WORD: %s", word);
        v_line(MSGCORE, 0, "");
        v_line(MSGCORE, 0, "Morphological variations:     Attribute list:");
        for (const morphvar *v = leaf->mvar; v != nullptr; v = v->next)
            if (v->kind == MVVARIANT)
                v_linef(MSGCORE, "%s;%s", names(v->attrcomb + 1, v->attrcomb[0]).c_str(),
                        v->variant.c_str());
        v_line(MSGCORE, 0, "");
    }
}

// ------------------------------------------------------------------ fuzzing

// One of the three files read from a text held in memory: kind 0 the
// morph-error file, 1 the tags file, 2 the phonology tables. Returns what
// was loaded (pairs, tags or tables), -1 when no scratch file could be made.
int readvarianttext(const char *text, size_t len, int kind)
{
    int count = 0;
    auto reader = [&](const char *name) {
        switch (kind) {
        case 0:
            clear_mrdata();
            merror_readtables(name);
            for (const auto &row : mrdata)
                count += pairs(row);
            break;
        case 1:
            clear_tag_tables();
            tag_readtables(name);
            count = static_cast<int>(taglist.size());
            break;
        default:
            clear_phon_tables();
            phon_readtables(name);
            for (const TABLE *t = phontablelist.get(); t != nullptr; t = t->next.get())
                count++;
            break;
        }
    };
    return readthrough(text, len, reader) ? count : -1;
}
