// Indirection: a leaf's word is replaced by one of the words its lexicon
// entry points to. A pointer field holds clauses ended by ";", each a tag and
// pairs of a quoted pointer and an optional word class; the new word gets a
// lookup slot of its own, filled by the lexicon.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "engine/engine.h"

substr_piece substr[NSUBSTR];
int str_index;
char chosen_pointer[POINTERSIZE];
char category[CATEGORYSIZE];

static const char *shown(const char *tag) { return tag != nullptr ? tag : ""; }

// ---------------------------------------------------------- pointer fields

static bool separator(char c) { return c == ',' || c == '/' || c == ':'; }

// A piece without the blanks around it.
static void piece(const char *start, const char *end, bool &cut)
{
    while (start < end && *start == ' ')
        start++;
    while (end > start && end[-1] == ' ')
        end--;
    if (str_index >= NSUBSTR) {
        cut = true;
        return;
    }
    substr[str_index++] = {start, static_cast<int>(end - start)};
}

// Splits one clause into pieces; `cut` is set when some had no room.
static const char *splitclause(const char *position, bool &cut)
{
    str_index = 0;
    const char *p = position;
    while (*p == ' ' || *p == '\t')  // blanks after the ";" before it
        p++;
    const char *start = p;
    if (*p == '"')
        piece(p, p, cut);             // no tag: the first pointer starts here
    bool quoted = false;
    for (; *p && *p != '|' && (quoted || *p != ';'); p++) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && separator(*p)) {
            bool pointer = str_index % 2 == 1;
            piece(start, p, cut);
            if (*p == ',' && pointer)
                piece(p, p, cut);     // a pointer without its class
            start = p + 1;
        }
    }
    piece(start, p, cut);
    if (str_index % 2 == 0) {
        if (str_index < NSUBSTR)
            substr[str_index++] = {p, 0};
        else
            str_index--;              // the pointer whose class had no room goes
    }
    return *p == ';' ? p + 1 : p;
}

const char *locate_strings(const char *position)
{
    bool cut = false;
    const char *after = splitclause(position, cut);
    if (cut)
        v_linef(MSGCORE, "Indirection clause too long: only %d pointers used", (NSUBSTR - 1) / 2);
    return after;
}

// Whether the field has a clause with this tag, the first of which (with
// needpointer) lists a pointer that `findtag` could take: the lexicon's test
// for a leaf reached through an indirection, quiet since it runs on every
// candidate entry.
int pointer_clause(const char *field, const char *tag, size_t taglen, bool needpointer)
{
    bool cut = false;
    for (const char *p = field; *p && *p != '|';) {
        const char *next = splitclause(p, cut);
        if (static_cast<size_t>(substr[0].length) == taglen &&
            std::strncmp(substr[0].start, tag, taglen) == 0) {
            if (!needpointer)
                return 1;
            for (int i = 1; i < str_index; i += 2)
                if (substr[i].length > 2 || (substr[i].length > 0 && *substr[i].start != '"'))
                    return 1;
            return 0;
        }
        p = next > p ? next : p + 1;
    }
    return 0;
}

// A leaf with an indirection takes an entry that points somewhere under the
// tag. When no entry does, the lexicon tries again with the tag alone: the
// word is then kept, and its indirection reports that it found no pointers.
bool widen_clauses(char *fields, bool wide)
{
    bool any = false;
    for (char *p = fields; p != nullptr && *p; p++)
        if (*p == POINTERCLAUSE || *p == TAGCLAUSE) {
            *p = wide ? TAGCLAUSE : POINTERCLAUSE;
            any = true;
        }
    return any;
}

const char *forward_next_tag(const char *position)
{
    const char *p = position;
    bool quoted = false;
    for (; *p && *p != '|'; p++) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (*p == ';' && !quoted) {
            p++;
            while (*p == ' ' || *p == '\t')
                p++;
            if (*p == 0) {
                v_err("[Indirection] Unexpected end of lexical entry", "", "");
                return nullptr;
            }
            return p;
        }
    }
    return p;
}

static bool sametag(const substr_piece &t, const char *tag)
{
    if (tag == nullptr)
        return t.length == 0;
    return std::strlen(tag) == static_cast<size_t>(t.length) &&
           std::strncmp(tag, t.start, static_cast<size_t>(t.length)) == 0;
}

void findtag(const char *entry, int field, const char *tag)
{
    chosen_pointer[0] = 0;
    category[0] = 0;
    std::string record = showrecord(entry);
    const char *p = field >= 1 ? getfieldptr(entry, field) : "";
    if (*p == 0) {
        v_linef(MSGCORE, "Field %d does not exist in %s", field, record.c_str());
        return;
    }
    const char *end = fieldend(p, field);
    for (;;) {
        if (p >= end) {
            v_linef(MSGCORE, "Tag %s not present in field %d of %s", shown(tag), field, record.c_str());
            return;
        }
        const char *next = locate_strings(p);
        if (sametag(substr[0], tag))
            break;
        p = next > p ? next : p + 1;
    }
    int pairs = (str_index - 1) / 2;
    if (pairs <= 0) {
        v_linef(MSGCORE, "No pointers found for tag %s, field %d in %s", shown(tag), field,
                record.c_str());
        return;
    }
    int r = getrandom(pairs);
    substr_piece ptr = substr[1 + 2 * r], cat = substr[2 + 2 * r];
    if (ptr.length > 0 && *ptr.start == '"') {
        ptr.start++;
        ptr.length--;
    }
    if (ptr.length > 0 && ptr.start[ptr.length - 1] == '"')
        ptr.length--;
    if (ptr.length >= POINTERSIZE || cat.length >= CATEGORYSIZE) {
        v_linef(MSGCORE, "Pointer or class too long: tag %s, field %d in %s", shown(tag), field,
                record.c_str());
        return;
    }
    std::memcpy(chosen_pointer, ptr.start, static_cast<size_t>(ptr.length));
    chosen_pointer[ptr.length] = 0;
    std::memcpy(category, cat.start, static_cast<size_t>(cat.length));
    category[cat.length] = 0;
}

// ----------------------------------------------------------- the new word

attr_list construct_attr_indir(t_treenode *node, const char *text)
{
    attr_list out = nullptr;
    const char *p = text != nullptr ? text : "";
    while (*p && *p != ']') {
        if (*p == '!') {
            const char *after = text_to_comp_array(p + 1, 1);
            comp_attr found = attr_index > 0 ? find_attr(node->attributes) : nullptr;
            if (found != nullptr)
                append_attr(&out, dup_decon_comp_attr(found));
            p = nextitem(after > p + 1 ? after : p + 1);
        } else {
            append_attr(&out, item_attr(&p));
        }
    }
    return out;
}

static void emptyslot(t_dict_lookup &slot)
{
    purge_attr_list(&slot.attributes);
    slot = t_dict_lookup{};
    slot.vf = -1;
}

// The word class of an entry: the identifier that starts its field 2.
std::string wordclass(const char *entry)
{
    const char *p = getfieldptr(entry, 2);
    const char *e = p;
    while (identchar(static_cast<unsigned char>(*e)))
        e++;
    return std::string(p, e);
}

// Each indirection works on the entry the one before reached. A failure is
// reported and ends the node's indirections; the node keeps its word and
// its attributes.
void process_indirect_ops(t_treenode *node)
{
    if (node == nullptr)
        return;
    for (indir_list l = node->indirections; l != nullptr; l = l->next) {
        const s_indirection *ind = l->indir_node;
        const t_dict_lookup *old = node->dictionary;
        if (ind == nullptr || old == nullptr)
            return;
        const char *tag = ind->tag.get();
        if (old->dictionary == nullptr) {
            v_linef(MSGCORE, "wrong tag or field number? tag %s in field %d", shown(tag), ind->fieldnum);
            return;
        }
        findtag(old->dictionary, ind->fieldnum, tag);
        if (chosen_pointer[0] == 0) {
            v_linef(MSGCORE, "No proper pointer obtained: tag %s, field %d in %s", shown(tag),
                    ind->fieldnum, showrecord(old->dictionary).c_str());
            return;
        }
        if (d_table_count >= NDICTSLOTS) {
            v_linef(MSGCORE, "No lookup slot left: the word for tag %s, field %d stays %s", shown(tag),
                    ind->fieldnum, showrecord(old->dictionary).c_str());
            return;
        }
        attr_list fresh = ind->attributes ? construct_attr_indir(node, ind->attributes.get())
                                          : nullptr;
        t_dict_lookup &slot = dict_table[d_table_count];
        emptyslot(slot);
        slot.class_ = v_strdup(category[0] ? category : wordclass(old->dictionary).c_str());
        slot.attributes = fresh;
        slot.preferredchoice = v_strdup(chosen_pointer);
        getdictent(&slot);
        if (slot.error != 0 || slot.dictionary == nullptr) {
            v_err("Unable to match indirection pointer", "", "");
            v_linef(MSGCORE, "category: %s, pointer: %s, error number: %d", slot.class_.get(),
                    chosen_pointer, slot.error);
            emptyslot(slot);
            return;
        }
        purge_attr_list(&node->attributes);
        node->attributes = duplicate_attr_list(slot.attributes);
        node->dictionary = &slot;
        node->index = d_table_count++;
    }
}

void process_indirections(t_treenode *tree)
{
    static std::vector<t_treenode *> spare;  // the work list, kept: a walk allocates nothing
    std::vector<t_treenode *> work;
    work.swap(spare);                 // a walk within a walk finds spare empty
    if (tree != nullptr)
        work.push_back(tree);
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        if (n->son == nullptr) {
            process_indirect_ops(n);
            continue;
        }
        size_t mark = work.size();
        for (t_treenode *c = n->son; c != nullptr; c = c->sibling)
            work.push_back(c);
        std::reverse(work.begin() + static_cast<long>(mark), work.end());
    }
    spare.swap(work);
}
