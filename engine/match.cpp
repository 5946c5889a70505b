// Matching for the engine: wildcard patterns, lexicon field restrictions,
// attribute texts against nodes, table indexes from attribute values, and
// the lookups that tie a rule to the preselection clauses.
#include <cstring>
#include "engine/engine.h"

int pre_status;
const char *const pre_error[7] = {
    "",
    "No preselection rule",
    "Attribute error in PST",
    "No matching PST: ",
    "Matching PST has no right-hand side: ",
    "PST has no lexical entry: ",
    "All is well!",
};
pre_rule *pre_match;
std::string bad_pst;
int attr_form;

// ------------------------------------------------------------- wildcards

// Pattern [p, pe) against text [t, te); "*" backtracks to the latest star only.
static int wild(const char *p, const char *pe, const char *t, const char *te)
{
    const char *star = nullptr;       // pattern position after the latest "*"
    const char *retry = nullptr;      // text position that "*" will take next
    for (;;) {
        if (p < pe && *p == '*') {
            while (p < pe && *p == '*')
                p++;
            if (p == pe)
                return 1;             // a final "*" takes the rest
            star = p;
            retry = t;
            continue;
        }
        if (p == pe && t == te)
            return 1;
        if (p < pe && t < te && *p == *t) {
            p++;
            t++;
            continue;
        }
        if (star == nullptr || retry >= te)
            return 0;
        p = star;
        t = ++retry;
    }
}

// The end of a text: its first character `end`, or its terminating zero.
static const char *endof(const char *s, int end)
{
    const char *e = s;
    while (*e && static_cast<unsigned char>(*e) != static_cast<unsigned char>(end))
        e++;
    return e;
}

// As wild, with each text ended by its first character `end` or its zero, so
// that the ends are found while comparing rather than before.
int match_wild(const char *pattern, const char *text, int pend, int tend)
{
    if (pattern == nullptr || text == nullptr)
        return 0;
    const auto pe = static_cast<unsigned char>(pend), te = static_cast<unsigned char>(tend);
    auto pdone = [pe](const char *p) { return *p == 0 || static_cast<unsigned char>(*p) == pe; };
    auto tdone = [te](const char *t) { return *t == 0 || static_cast<unsigned char>(*t) == te; };
    const char *p = pattern, *t = text;
    const char *star = nullptr;       // pattern position after the latest "*"
    const char *retry = nullptr;      // text position that "*" will take next
    for (;;) {
        if (!pdone(p) && *p == '*') {
            while (!pdone(p) && *p == '*')
                p++;
            if (pdone(p))
                return 1;             // a final "*" takes the rest
            star = p;
            retry = t;
            continue;
        }
        bool pover = pdone(p), tover = tdone(t);
        if (pover && tover)
            return 1;
        if (!pover && !tover && *p == *t) {
            p++;
            t++;
            continue;
        }
        if (star == nullptr || tdone(retry))
            return 0;
        p = star;
        t = ++retry;
    }
}

// The end of one item of a list: the next separator outside quote marks.
static const char *itemend(const char *s, const char *seps, const char *limit)
{
    bool quoted = false;
    for (; s < limit; s++) {
        if (*s == '"')
            quoted = !quoted;
        else if (!quoted && std::strchr(seps, *s) != nullptr)
            break;
    }
    return s;
}

static int listmatch(const char *p, const char *pe, const char *list, const char *le)
{
    for (const char *item = list;;) {
        const char *end = itemend(item, ",:;", le);
        if (wild(p, pe, item, end))
            return 1;
        if (end >= le)
            return 0;
        item = end + 1;
    }
}

int match_list(const char *pattern, const char *list, int pend)
{
    if (pattern == nullptr || list == nullptr)
        return 0;
    return listmatch(pattern, endof(pattern, pend), list, endof(list, '|'));
}

static int pattlist(const char *patterns, const char *pe, const char *text, const char *te)
{
    for (const char *p = patterns;;) {
        const char *end = itemend(p, ",", pe);
        if (p < end && (*p == POINTERCLAUSE || *p == TAGCLAUSE)) {
            if (!pointer_clause(text, p + 1, static_cast<size_t>(end - p - 1), *p == POINTERCLAUSE))
                return 0;
        } else if (!listmatch(p, end, text, te)) {
            return 0;
        }
        if (end >= pe)
            return 1;
        p = end + 1;
    }
}

int match_pattlist(const char *patterns, const char *text)
{
    if (patterns == nullptr || text == nullptr)
        return 0;
    return pattlist(patterns, endof(patterns, '|'), text, endof(text, '|'));
}

// ------------------------------------------------------ field restrictions

// The end of the field that starts at s (its "|" or the text's end). In the
// third field the two bytes after each byte 25 are type and value numbers.
const char *fieldend(const char *s, int field)
{
    while (*s && *s != '|') {
        if (field == 3 && *s == 25) {
            for (int i = 0; i < 2 && s[1]; i++)
                s++;
        }
        s++;
    }
    return s;
}

int match_lsp(const char *restrictions, const char *record)
{
    if (restrictions == nullptr)
        return 1;
    if (record == nullptr)
        record = "";
    const char *r = getfieldptr(restrictions, 4);
    const char *d = getfieldptr(record, 4);
    while (*r) {
        if (*d == 0)
            return 0;
        const char *re = fieldend(r, 4);
        const char *de = fieldend(d, 4);
        bool any = re - r == 1 && *r == '?';
        if (re == r) {
            if (de != d)
                return 0;
        } else if (!any && !pattlist(r, re, d, de)) {
            return 0;
        }
        r = *re ? re + 1 : re;
        d = *de ? de + 1 : de;
    }
    return 1;
}

// ------------------------------------------------------ attribute tests

int testformatch(attr_list list, const char *text)
{
    text_to_comp_array(text, 1);
    return find_attr(list) != nullptr;
}

static int valuecount(int type)
{
    return type > 0 && type < total_types ? attr_table[type].entries - 1 : 0;
}

int match_index(const t_treenode *node, const char *text, int *size)
{
    text_to_comp_array(text, 1);
    if (attr_index == 0)
        return -1;
    int index = 0;
    int n = 1;
    if (all_values) {
        for (int i = 0; i < attr_index; i++) {
            int k = valuecount(attr[i].type);
            if (k <= 0)
                return -1;
            index = index * k + (attr[i].value - 1);
            n *= k;
        }
        *size = n;
        return index;
    }
    attr_list list = nullptr;
    if (node != nullptr)
        list = MState == 1 ? (node->dictionary ? node->dictionary->attributes : nullptr)
                           : node->attributes;
    comp_attr ca = find_attr(list);
    if (ca == nullptr) {
        v_err("Table index attribute type not present in node", "", "");
        return -1;
    }
    const t_delay *table = MState == 1 ? lt_delayed : delayed;
    for (int i = 0; ca != nullptr; ca = ca->another, i++) {
        if (i < attr_index && attr[i].decon)
            continue;
        if (ca->index < 0 || ca->index >= NDELAY)
            return -1;
        const t_delay &e = table[ca->index];
        int k = valuecount(e.class_);
        if (k <= 0)
            return -1;
        index = index * k + (e.choice - 1);
        n *= k;
    }
    *size = n;
    return index;
}

// ------------------------------------------------------ preselection

inline constexpr unsigned char PREBYTE = 14;  // "_pre_" or "_in_"
inline constexpr unsigned char ISBYTE = 17;   // "_is_"

static t_dict_lookup *matchlookup()
{
    if (pre_match == nullptr || pre_match->RHS == nullptr)
        return nullptr;
    return pre_match->RHS->dictionary;
}

const char *find_pst(const char *text, int decon_allowed)
{
    bad_pst.clear();
    pre_match = nullptr;
    if (static_cast<unsigned char>(*text) == PREBYTE)
        text++;
    const char *after = text_to_comp_array(text, decon_allowed);
    if (preselect_list == nullptr) {
        pre_status = 1;
        return after;
    }
    if (attr_index == 0) {
        pre_status = 2;
        return after;
    }
    comp_attr tag = make_full_comp_attr();
    bad_pst = print_comp_attr(tag);
    pre_match = look_for_attr(tag, preselect_list);
    purge_comp_attr(&tag);
    if (pre_match == nullptr)
        pre_status = 3;
    else if (!pre_match->node || pre_match->RHS == nullptr)
        pre_status = 4;
    else if (matchlookup() == nullptr || matchlookup()->error != 0)
        pre_status = 5;
    else
        pre_status = 6;
    return after;
}

const char *analyze_pre(const char *text)
{
    if (static_cast<unsigned char>(*text) == ISBYTE)
        text++;
    if (static_cast<unsigned char>(*text) == PREBYTE) {
        attr_form = 2;
        return find_pst(text, 1);
    }
    const char *tag = skipcomp(text);
    const char *after = tag;
    if (static_cast<unsigned char>(*tag) == PREBYTE) {
        attr_form = 1;
        after = find_pst(tag, 1);
    } else {
        attr_form = 3;
    }
    text_to_comp_struct(text, 1);
    text_to_comp_array(text, 1);
    return after;
}

comp_attr attr_from_pre()
{
    t_dict_lookup *lookup = matchlookup();
    if (lookup == nullptr)
        return nullptr;
    if (comp_attr found = find_attr(lookup->attributes))
        return dup_decon_comp_attr(found);
    if (!take_single_attr(lookup->dictionary)) {
        v_err("Preselection: ", "requested attribute not present in lexical entry for: ",
              bad_pst.c_str());
        return nullptr;
    }
    for (int i = 0; i < attr_index; i++)
        if (attr[i].value == -1 && valuecount(attr[i].type) > 0)
            attr[i].value = 1 + getrandom(valuecount(attr[i].type));
    comp_attr ca = make_comp_attr();
    add_attr_to_list(&lookup->attributes, duplicate_comp_attr(ca));
    return ca;
}

int bool_from_pre()
{
    t_dict_lookup *lookup = matchlookup();
    return lookup != nullptr && match_single_attr(lookup->dictionary);
}
