// One generation from start to finish: the preselections, the ROOT tree and
// the named roots, one draw of the open attribute values, the lexicon's
// words, morphology and the post-morphology spelling marks; the sentences
// kept for display and comparison; the global preselection.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "engine/engine.h"
#include "commands/commands.h"
#include "screen/screen.h"

const tree_root_row tree_roots[NROOTS] = {
    {"!%!%!", "DUMMY    "}, {"QUESTION", "Question "}, {"ANSWER", "Answer   "},
    {"R_3", "R_3      "},   {"R_4", "R_4      "},       {"R_5", "R_5      "},
    {"R_6", "R_6      "},   {"R_7", "R_7      "},       {"R_8", "R_8      "},
    {"R_9", "R_9      "},   {"R_10", "R_10     "},      {"R_11", "R_11     "},
    {"R_12", "R_12     "},  {"R_13", "R_13     "},      {"R_14", "R_14     "},
    {"R_15", "R_15     "},  {"R_16", "R_16     "},      {"R_17", "R_17     "},
    {"R_18", "R_18     "},  {"R_19", "R_19     "},      {"R_20", "R_20     "},
};

constinit v_text genSentences[NROOTS];
int global_delayptr;
char sentbuf[SENTSIZE], sentbuf2[SENTSIZE];
t_treenode *treeroot, *previous_leaf;
int firstleaf;

// Set while a global preselection is in force: the per-generation clauses of
// the same PRESELECT rule are then not made, so that they cannot hide the
// global choices.
static bool globalpre_made;

// ------------------------------------------------------------ clearing

void purgelookups(int barrier)
{
    barrier = std::clamp(barrier, 0, NDICTSLOTS);
    for (int i = std::min(d_table_count, NDICTSLOTS) - 1; i >= barrier; i--)
        clearslot(dict_table[i]);
    d_table_count = std::min(d_table_count, barrier);
}

void clear_SE_PRE(int global_status)
{
    purge_all_trees();
    for (v_text &s : genSentences)
        s.reset();
    clearrecoveredlexicon();
    empty_preselect_list(global_status);
    if (global_status) {
        purgelookups(0);
        delayptr = 0;
        global_barrier = global_delayptr = 0;
        globalpre_made = false;
    } else {
        purgelookups(global_barrier);
        delayptr = global_delayptr;
    }
}

void clear_GP() { clear_SE_PRE(1); }

// ------------------------------------------------------------- choices

// An open choice is drawn when it is first needed: values from 1, never 0.
void make_choice(int i)
{
    if (i < 0 || i >= NDELAY || delayed[i].fixed)
        return;
    int cls = delayed[i].class_;
    int n = cls > 0 && cls < total_types ? attr_table[cls].entries : 0;
    delayed[i].fixed = 1;
    delayed[i].choice = 1 + getrandom(n - 1);
}

void make_all_choices()
{
    for (int i = 0; i < delayptr && i < NDELAY; i++)
        make_choice(i);
}

// --------------------------------------------------------- the leaf chain

// Depth first, children before the next sibling, with a stack of its own.
// The root itself is never one of its leaves, so a root without children
// has an empty chain.
void thread(t_treenode *node)
{
    treeroot = node;
    previous_leaf = nullptr;
    firstleaf = 1;
    if (node == nullptr)
        return;
    node->right = nullptr;
    static std::vector<t_treenode *> work;   // kept: threading allocates nothing
    work.clear();
    if (node->son != nullptr)
        work.push_back(node->son);
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        if (n->sibling != nullptr)
            work.push_back(n->sibling);
        if (n->son != nullptr) {
            work.push_back(n->son);
            continue;
        }
        n->right = nullptr;
        if (firstleaf) {
            treeroot->right = n;
            n->left = nullptr;
            firstleaf = 0;
        } else {
            previous_leaf->right = n;
            n->left = previous_leaf;
        }
        previous_leaf = n;
    }
}

void fill_all_words(t_treenode *node, int p_index)
{
    if (node == nullptr)
        return;
    t_treenode *leaf = node;
    while (leaf->son != nullptr)
        leaf = leaf->son;
    for (; leaf != nullptr; leaf = leaf->right)
        if (leaf->dictionary != nullptr && leaf->index >= p_index)
            fill_word(leaf);
}

// ------------------------------------------------------------- the sentence

// The words are joined up to the buffer's size; a longer sentence is cut.
void new_extract_sentence(t_treenode *node)
{
    size_t n = 0;
    sentbuf[0] = 0;
    for (t_treenode *leaf = node ? node->right : nullptr; leaf != nullptr; leaf = leaf->right) {
        const char *word = leaf->morphed_word ? leaf->morphed_word.get() : "";
        if (*word == 0)
            continue;
        if (n > 0 && n < SENTSIZE - 1)
            sentbuf[n++] = ' ';
        size_t k = std::min(std::strlen(word), SENTSIZE - 1 - n);
        std::memcpy(sentbuf + n, word, k);
        n += k;
        sentbuf[n] = 0;
    }
}

unsigned char capitalised(unsigned char c)
{
    bool lower = (c >= 'a' && c <= 'z') || (c >= 224 && c <= 254 && c != 247);
    return lower ? c - 32 : c;
}

void postmorph()
{
    bool capital = false, join = false;
    size_t n = 0;
    for (const char *p = sentbuf; *p && n < SENTSIZE - 1; p++) {
        auto c = static_cast<unsigned char>(*p);
        if (c == '`') {
            capital = true;
        } else if (c == '^') {
            while (n > 0 && sentbuf2[n - 1] == ' ')
                n--;
            join = true;
        } else if (c == ' ') {
            if (!capital && !join)
                sentbuf2[n++] = ' ';
        } else {
            sentbuf2[n++] = static_cast<char>(capital ? capitalised(c) : c);
            capital = join = false;
        }
    }
    sentbuf2[n] = 0;
}

void finish(t_treenode *tree, int rootnumber, const char *tag)
{
    progress("Processing Indirections");
    process_indirections(tree);
    apply_morph_passes(tree, rootnumber);
    new_extract_sentence(tree);
    progress("Post Morphology");
    postmorph();
    v_linef(MSGCORE, "%s : %s", tag, sentbuf2);
}

// ------------------------------------------------------------- generation

void interpret()
{
    preselect_barrier = global_barrier;
    clear_SE_PRE(0);
    if (!globalpre_made)
        if (const char *pre = getrule("PRESELECT")) {
            construct_preselect(pre, 0);
            make_all_choices();
            preselect_barrier = d_table_count;
        }
    progress("Expanding Root");
    v_line(MSGCORE, 0, "Generation results:");

    nodecount = 0;
    treestate = 0;
    root = makenode("ROOT");
    expand_tree(root);
    abortreq = 0;

    bool named = false;
    for (int i = 1; i < NROOTS; i++) {
        if (getrule(tree_roots[i].name) == nullptr)
            continue;
        named = true;
        progress(tree_roots[i].message);
        nodecount = 0;
        treestate = 1;
        rootPtrs[i] = makenode(tree_roots[i].name);
        expand_tree(rootPtrs[i]);
        abortreq = 0;
        transform(rootPtrs[i]);
        thread(rootPtrs[i]);
    }
    treestate = 0;

    if (!named) {
        oldroot = copytree(root);
        thread(oldroot);
        progress("Transforming Root");
        transform(root);
        thread(root);
        make_all_choices();
        fill_all_words(root, preselect_barrier);
        getwords(preselect_barrier);
        finish(root, 0, "Transformed Sentence");
        genSentences[0] = v_strdup(sentbuf2);
    } else {
        make_all_choices();
        for (int i = 1; i < NROOTS; i++)
            fill_all_words(rootPtrs[i], preselect_barrier);
        getwords(preselect_barrier);
        for (int i = 1; i < NROOTS; i++)
            if (rootPtrs[i] != nullptr) {
                finish(rootPtrs[i], i, tree_roots[i].message);
                genSentences[i] = v_strdup(sentbuf2);
            }
    }
    v_line(MSGCORE, 0, "  ******");
    progress("");
}

void global_preselect()
{
    clear_GP();
    if (const char *pre = getrule("PRESELECT")) {
        construct_preselect(pre, 1);
        make_all_choices();
        globalpre_made = true;
    }
    globalpre_list = preselect_list;
    global_barrier = d_table_count;
    global_delayptr = delayptr;
    v_line(MSGCORE, 0, "Global preselection complete");
}

// ------------------------------------------------------- kept sentences

void sentence_to_core(int n, int corefile)
{
    if (n < 0 || n >= NROOTS || !genSentences[n]) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "sentence %i does not exist", n);
        diserr(msg);
        return;
    }
    v_line(corefile, 0, genSentences[n].get());
}

int gen_comp()
{
    for (int i = 1; i < NROOTS; i++)
        if (genSentences[i] && match_wild(genSentences[i].get(), response, 0, 0))
            return i;
    return 0;
}
