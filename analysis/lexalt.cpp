// Lexical alternatives of an expected word: the tags file names, for each
// tag, the lexicon field whose clause of that tag lists related words; each
// related word is inflected like the leaf and compared with the response.
#include <cstring>
#include <string>
#include <vector>
#include "analysis/analysis.h"
#include "engine/engine.h"

std::vector<TAG_TABLE> taglist;

synalt::synalt() : node(nullptr) {}
synalt::~synalt()
{
    purge_node(node);
    if (slot)
        clearslot(*slot);
}

// --------------------------------------------------------------- tags file

static bool number(const char *s, int &n)
{
    n = 0;
    if (*s == 0)
        return false;
    for (; *s; s++) {
        if (*s < '0' || *s > '9' || n > 9999)
            return false;
        n = n * 10 + (*s - '0');
    }
    return true;
}

// One entry: the tag name (the current token), "(", the field, ")".
static void tagentry()
{
    std::string tag = identbuf;
    setposition("tag %s", tag.c_str());
    v_next();
    int field = 0;
    bool open = v_peep() == '(';
    if (open)
        v_next();
    bool ok = open && v_peep() == TIDENT && number(identbuf, field) && field >= 1;
    if (ok)
        v_next();
    ok = ok && v_peep() == ')';
    if (!ok)
        v_err("tag without a field number:", tag.c_str(), "");
    if (open) {
        for (int t; (t = v_peep()) != TEOF && t != ')';)  // the rest of a faulty entry
            v_next();
        if (v_peep() == ')')
            v_next();
    }
    if (!ok)
        return;
    int n = taglist.empty() ? 5 : taglist.back().tag_int + 1;
    taglist.push_back({tag, n, field});
}

static void tagfile()
{
    for (int t; (t = v_peep()) != TEOF;) {
        if (t == TIDENT)
            tagentry();
        else
            v_next();
    }
}

void tag_readtables(const char *filename)
{
    readvariantfile(filename, "tag info input", tagfile);
}

void clear_tag_tables()
{
    varstamp++;
    std::vector<TAG_TABLE>().swap(taglist);
}

const TAG_TABLE *err_get_tag_name(int n)
{
    for (const TAG_TABLE &t : taglist)
        if (t.tag_int == n)
            return &t;
    return nullptr;
}

// ------------------------------------------------------------ the clauses

static bool blank(char c) { return c == ' ' || c == '\t'; }

// The clause of `tag` (null or "" for the clause without a tag) in the field
// that starts at `field`: the position of its first word, or null.
const char *err_findtag(const char *field, const char *tag)
{
    bool untagged = tag == nullptr || *tag == 0;
    const char *p = field;
    while (p != nullptr) {
        while (blank(*p))
            p++;
        if (*p == 0 || *p == '|')
            return nullptr;
        if (*p == '"') {
            if (untagged)
                return p;
        } else {
            std::string name;
            const char *q = p;
            for (; *q && *q != ':' && *q != '|'; q++)
                if (!blank(*q))
                    name += *q;
            if (*q == '|') {
                v_err("Indirection not found", "", "");
                return nullptr;
            }
            if (*q == 0) {
                v_err("[Indirection] Unexpected end of lexical entry", "", "");
                return nullptr;
            }
            if (!untagged && name == tag)
                return q + 1;
        }
        p = forward_next_tag(p);
    }
    return nullptr;
}

std::vector<word_choice> err_get_word_choices(const char *clause)
{
    std::vector<word_choice> out;
    const char *p = clause != nullptr ? clause : "";
    while (*p && *p != ';' && *p != '|') {
        if (*p != '"') {
            p++;
            continue;
        }
        const char *end = std::strchr(p + 1, '"');
        if (end == nullptr)
            break;
        word_choice w;
        w.word.assign(p + 1, end);
        p = end + 1;
        while (blank(*p))
            p++;
        if (*p == '/') {
            p++;
            while (blank(*p))
                p++;
            for (; identchar(static_cast<unsigned char>(*p)); p++)
                w.wordclass += *p;
        }
        out.push_back(std::move(w));
    }
    return out;
}

void err_kill_syn(synlist &list) { list.clear(); }

synlist err_process_indir(t_treenode *leaf, const char *tag, int field)
{
    synlist out;
    if (leaf == nullptr || leaf->dictionary == nullptr || leaf->dictionary->error != 0 ||
        leaf->dictionary->dictionary == nullptr || field < 1)
        return out;
    const char *record = leaf->dictionary->dictionary;
    const char *start = getfieldptr(record, field);
    if (*start == 0)
        return out;
    const char *clause = err_findtag(start, tag);
    if (clause == nullptr)
        return out;
    for (const word_choice &w : err_get_word_choices(clause)) {
        std::string cls = w.wordclass.empty() ? wordclass(record) : w.wordclass;
        int t = lookup_terminal(cls.c_str());
        const char *found = nullptr;
        if (t >= 0 && t < dictterm && dictionary)
            found = exactword(("\"" + w.word + "\"").c_str(), dictionary[t]);
        if (found == nullptr) {
            v_err("Indirection not found", w.word.c_str(), cls.c_str());
            err_kill_syn(out);
            return out;
        }
        auto alt = std::make_unique<synalt>();
        alt->node = copy_node(leaf);
        alt->node->morphed_word = v_strdup("");
        alt->slot = std::make_unique<t_dict_lookup>();
        t_dict_lookup &slot = *alt->slot;
        slot.class_ = v_strdup(cls.c_str());
        slot.dictionary = found;
        slot.attributes = duplicate_attr_list(leaf->attributes);
        slot.vf = -1;
        alt->node->dictionary = &slot;
        out.push_back(std::move(alt));
    }
    return out;
}

std::vector<std::string> err_gen_syn(t_treenode *leaf, const char *tag, int field)
{
    std::vector<std::string> words;
    synlist alts = err_process_indir(leaf, tag, field);
    t_treenode *keep = current_node;
    for (auto &alt : alts) {
        t_treenode *n = alt->node;
        n->left = leaf->left;
        n->right = leaf->right;
        morph_word(n, 5);
        morph_word(n, 6);
        words.emplace_back(n->morphed_word ? n->morphed_word.get() : "");
    }
    current_node = keep;
    return words;
}

// The alternatives of every tag are made once for a leaf and kept with its
// variants, in tag order.
void err_match_syn(const char *response_word, t_treenode *leaf, lexdiff *cell)
{
    if (response_word == nullptr || leaf == nullptr || cell == nullptr)
        return;
    morphvar *mark = findmark(leaf, MVSYN);
    if (mark == nullptr) {
        std::vector<std::unique_ptr<morphvar>> block;
        block.push_back(std::make_unique<morphvar>());
        block.front()->kind = MVSYN;
        for (const TAG_TABLE &t : taglist)
            for (std::string &w : err_gen_syn(leaf, t.tag.c_str(), t.field)) {
                auto alt = std::make_unique<morphvar>();
                alt->kind = t.tag_int;
                alt->variant = std::move(w);
                block.push_back(std::move(alt));
            }
        keepblock(leaf, block);
        mark = findmark(leaf, MVSYN);
    }
    for (const morphvar *v = mark ? mark->next : nullptr; v != nullptr && v->kind > 0; v = v->next)
        if (shown_as(v->variant.c_str(), response_word)) {
            cell->matchclass = v->kind;
            return;
        }
}
