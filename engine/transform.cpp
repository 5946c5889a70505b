// Transformations: after expansion, each node's attached transformations
// rewrite its children in ascending order of priority. A sub-rule's guard is
// a pattern over the whole child list; its right-hand side builds the new
// list from copies of what the guard elements matched, copies of the ROOT
// tree and new terminal nodes, each with its attachments.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "engine/engine.h"

Trans_Node_Ref guard_array[NGUARDREFS];

using uchar = unsigned char;

void clear_guard_array()
{
    for (Trans_Node_Ref &r : guard_array)
        r = {nullptr, nullptr};
}

// ------------------------------------------------------------ priorities

Transformation *find_low_priority(t_treenode *node)
{
    Transformation *low = nullptr;
    for (Transformation *t = node->transformation; t != nullptr; t = t->next)
        if (low == nullptr || t->priority < low->priority)
            low = t;
    return low;
}

// The record itself is taken out: records of one name are copies of the
// same rule, so this is the first of its name that is still waiting.
void removeTrans(t_treenode *node, Transformation *T)
{
    for (Transformation **at = &node->transformation; *at != nullptr; at = &(*at)->next)
        if (*at == T) {
            std::unique_ptr<transformation> owned(T);
            *at = T->next;
            return;
        }
}

// ---------------------------------------------------------------- guards

int match_guard_attr(t_treenode *node, const char **guard)
{
    const char *p = *guard;
    if (*p != '[')
        return 1;
    p++;
    bool all = true;
    while (*p && *p != ']') {
        const char *after = text_to_comp_array(p, 1);
        if (all && (attr_index == 0 || find_attr(node->attributes) == nullptr))
            all = false;
        p = nextitem(after > p ? after : p + 1);
    }
    *guard = *p == ']' ? p + 1 : p;
    return all ? 1 : 0;
}

// Compares the name element at g with one child; g moves past the element.
static bool element(const char **g, t_treenode *child)
{
    const char *p = *g + 1;
    const char *start = p;
    while (identchar(static_cast<uchar>(*p)))
        p++;
    const char *name = child->name ? child->name.get() : "";
    bool same = std::strlen(name) == static_cast<size_t>(p - start) &&
                std::strncmp(name, start, static_cast<size_t>(p - start)) == 0;
    bool attrs = true;
    if (*p == '[' && same) {
        attrs = match_guard_attr(child, &p) != 0;
    } else if (*p == '[') {
        const char *close = std::strchr(p, ']');
        p = close != nullptr ? close + 1 : p + std::strlen(p);
    }
    *g = p;
    return same && attrs;
}

// The elements are matched against the children left to right and must
// cover them all. A "*" takes as few children as the next element allows;
// when a later element fails, the most recent "*" takes one child more.
int match_guard(t_treenode *first_child, const char *guard)
{
    const char *g = guard != nullptr ? guard : "";
    t_treenode *child = first_child;
    int k = 1;
    bool wild = false;
    const char *star = nullptr;       // just after the most recent "*"
    int stark = 0;
    t_treenode *lastwild = nullptr;   // the last child matched after a "*"
    for (;;) {
        if (k >= NGUARDREFS)
            return 0;                 // more elements than the array holds
        guard_array[k].first = child;
        if (*g == '*') {
            g++;
            k++;
            wild = true;
            star = g;
            stark = k;
            continue;
        }
        if (*g == 0 && child == nullptr)
            return 1;
        if (*g != 0 && child == nullptr)
            return 0;                 // elements left over and no child for them
        if (*g == ' ') {
            const char *next = g;
            if (element(&next, child)) {
                g = next;
                k++;
                if (wild) {
                    wild = false;
                    lastwild = child;
                }
                child = child->sibling;
                continue;
            }
        } else if (*g != 0) {
            return 0;                 // not a guard text
        }
        // The element failed, or children are left after the last element.
        if (wild) {
            child = child->sibling;
            continue;
        }
        if (star == nullptr || lastwild == nullptr)
            return 0;
        g = star;
        k = stark;
        child = lastwild->sibling;
        wild = true;
    }
}

// ----------------------------------------------------- the new child list

static void appendchild(t_treenode **first, t_treenode **last, t_treenode *n)
{
    if (*last == nullptr)
        *first = n;
    else
        (*last)->sibling = n;
    *last = n;
}

// A guard element's number: a name of digits only, else 0; numbers past the
// array come out as its size, which names no element.
static int elementnumber(const char *name)
{
    size_t n = std::strlen(name);
    if (n == 0 || std::strspn(name, "0123456789") != n)
        return 0;
    return n > 3 ? NGUARDREFS : std::min(std::atoi(name), NGUARDREFS);
}

// Whether the children of guard element n may be moved into the new list
// rather than copied: when no other element takes them and no "!" item reads
// its attributes, a copy would differ from them only in costing more, since
// the old children are freed right after.
static bool movable(const char *rhs, int n)
{
    int uses = 0;
    for (const char *p = rhs; *p; p++) {
        const char *q = p + 1;
        if (*p == '!' && readnumber(&q) == n)
            return false;
        if (*p == ' ') {
            const char *e = p + 1;
            while (identchar(static_cast<uchar>(*e)))
                e++;
            if (elementnumber(std::string(p + 1, e).c_str()) == n)
                uses++;
        }
    }
    return uses == 1;
}

// A subtree taken over as it stands, looking like a fresh copy: no next
// sibling, no leaf chain, and counted in `nodecount` as its copy would be.
static t_treenode *takeover(t_treenode *c)
{
    c->sibling = nullptr;
    std::vector<t_treenode *> work{c};
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        nodecount++;
        n->left = n->right = nullptr;
        for (t_treenode *k = n->son; k != nullptr; k = k->sibling)
            work.push_back(k);
    }
    return c;
}

void apply_rule(t_treenode *node, const char *rhs)
{
    if (rhs == nullptr || *rhs == 0)
        return;
    t_treenode *first = nullptr, *last = nullptr;
    std::vector<t_treenode *> old, moved;  // links change as nodes are moved
    for (t_treenode *c = node->son; c != nullptr; c = c->sibling)
        old.push_back(c);
    const char *p = rhs;
    while (*p) {
        if (*p != ' ') {
            p++;
            continue;
        }
        p++;
        v_text name = getident(&p);
        t_treenode *target = nullptr;
        int n = elementnumber(name.get());
        if (n > 0) {
            if (n < NGUARDREFS - 1) {
                bool move = movable(rhs, n);
                for (t_treenode *c = guard_array[n].first, *next = nullptr;
                     c != nullptr && c != guard_array[n + 1].first; c = next) {
                    next = c->sibling;
                    if (move) {
                        moved.push_back(c);
                        target = takeover(c);
                    } else {
                        target = copytree(c);
                    }
                    appendchild(&first, &last, target);
                }
            }
        } else if (std::strcmp(name.get(), "ROOT") == 0) {
            if (const t_treenode *src = treestate == 0 ? oldroot : root) {
                target = copytree(src);
                appendchild(&first, &last, target);
            }
        } else {
            target = makenode(name.get());
            terminal_node(target);
            appendchild(&first, &last, target);
        }
        // Attachments of an element that gave no node go nowhere.
        if (target != nullptr) {
            p = add_attachments(target, p, 4);
        } else {
            t_treenode *scratch = makenode("");
            p = add_attachments(scratch, p, 4);
            purge_node(scratch);
        }
    }
    for (t_treenode *c : old)
        if (std::find(moved.begin(), moved.end(), c) == moved.end())
            purge_tree(c);
    node->son = first;
}

// ------------------------------------------------------------ attributes

void change_attr(t_treenode *node, int old, int new_, int top)
{
    std::vector<t_treenode *> work;
    if (node == nullptr)
        return;
    if (top != 1)
        work.push_back(node);
    else if (node->son != nullptr)
        work.push_back(node->son);
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        for (attr_list l = n->attributes; l != nullptr; l = l->next)
            for (comp_attr c = l->first; c != nullptr; c = c->another)
                if (c->index == old)
                    c->index = new_;
        if (n->son != nullptr)
            work.push_back(n->son);
        if (n->sibling != nullptr && n != node)
            work.push_back(n->sibling);
    }
}

// An attribute of one part replaces the node's attribute of its type, and
// the nodes below that shared the old value take the new one.
static void addattr(t_treenode *node, comp_attr ca)
{
    if (ca == nullptr)
        return;
    if (attr_seg_count(ca) == 1)
        if (comp_attr old = find_type_in_attr(ca->index, node->attributes)) {
            int was = old->index;
            new_attr_remove(&node->attributes, old);
            if (was != ca->index)
                change_attr(node, was, ca->index, 1);
        }
    append_attr(&node->attributes, ca);
}

const char *construct_attr_tran(t_treenode *node, const char *list)
{
    const char *p = list;
    while (*p && *p != ']') {
        if (*p == '!' && p[1] != 0) {
            const char *rest = p + 1;
            int n = readnumber(&rest);
            const char *after = text_to_comp_array(rest, 1);
            t_treenode *from = n > 0 && n < NGUARDREFS ? guard_array[n].first : nullptr;
            comp_attr found =
                from != nullptr && attr_index > 0 ? find_attr(from->attributes) : nullptr;
            comp_attr ca = found != nullptr ? dup_decon_comp_attr(found) : nullptr;
            p = nextitem(after > rest ? after : rest);
            addattr(node, ca);
        } else if (*p == '-') {
            const char *after = text_to_comp_array(p + 1, 1);
            if (attr_index > 0)
                if (comp_attr found = find_attr(node->attributes))
                    new_attr_remove(&node->attributes, found);
            p = nextitem(after > p + 1 ? after : p + 1);
        } else {
            addattr(node, item_attr(&p));
        }
    }
    return p;
}

// -------------------------------------------------------------- transform

void do_transform(t_treenode *node, Transformation *T)
{
    for (const Sub_Trans *s = T->first; s != nullptr; s = s->next) {
        clear_guard_array();
        if (match_guard(node->son, s->guard.get())) {
            apply_rule(node, s->rule.get());
            clear_guard_array();      // it pointed at the children just freed
            return;
        }
    }
}

// Each attached transformation is tried once, lowest priority first; then
// the children as they now are, depth first. Copies of the ROOT tree may
// bring transformations that copy it again: past the node limit the rest are
// dropped unapplied, with one report.
void transform(t_treenode *node)
{
    std::vector<t_treenode *> work;
    if (node != nullptr)
        work.push_back(node);
    bool reported = false;
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        while (Transformation *T = find_low_priority(n)) {
            if (nodecount > TRANSNODELIMIT) {
                if (!reported)
                    v_err("transformation terminated", n->name ? n->name.get() : "", "");
                reported = true;
                purge_trans(&n->transformation);
                break;
            }
            if (T->functionPtr != nullptr) {
                void (*routine)(t_treenode *) = T->functionPtr;
                removeTrans(n, T);
                routine(n);
            } else {
                do_transform(n, T);
                removeTrans(n, T);
            }
        }
        size_t mark = work.size();
        for (t_treenode *c = n->son; c != nullptr; c = c->sibling)
            work.push_back(c);
        std::reverse(work.begin() + static_cast<long>(mark), work.end());
    }
}
