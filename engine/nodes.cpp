// Syntax tree nodes: making, copying and freeing nodes and trees. A tree owns
// its nodes through the son and sibling links; a node owns its texts, its
// attribute and indirection lists and its copies of transformations, but not
// its lexicon lookup record.
#include <algorithm>
#include <utility>
#include <vector>
#include "engine/engine.h"

int nodecount;
t_treenode *root, *oldroot;
t_treenode *rootPtrs[NROOTS];

t_treenode *makenode(const char *name)
{
    auto node = std::make_unique<treenode>();
    node->name = v_strdup(name);
    node->morphed_word = v_strdup("");
    node->vf = -1;
    nodecount++;
    return node.release();
}

Transformation *CopyTrans(const Transformation *chain)
{
    Transformation *copy = nullptr;
    Transformation **at = &copy;
    for (; chain != nullptr; chain = chain->next) {
        auto t = std::make_unique<transformation>();
        t->name = v_strdup(chain->name.get());
        t->priority = chain->priority;
        t->first = chain->first;
        t->functionPtr = chain->functionPtr;
        *at = t.release();
        at = &(*at)->next;
    }
    return copy;
}

void purge_trans(Transformation **chain)
{
    while (*chain != nullptr) {
        std::unique_ptr<transformation> t(*chain);
        *chain = t->next;
    }
}

t_treenode *copy_node(const t_treenode *node)
{
    if (node == nullptr)
        return nullptr;
    t_treenode *copy = makenode(node->name.get());
    copy->morphed_word = v_strdup(node->morphed_word.get());
    copy->preferredchoice = v_strdup(node->preferredchoice.get());
    copy->restrictions = v_strdup(node->restrictions.get());
    copy->dictionary = node->dictionary;
    copy->index = node->index;
    copy->vf = node->vf;
    copy->transformation = CopyTrans(node->transformation);
    copy->attributes = duplicate_attr_list(node->attributes);
    copy->indirections = duplicate_indir_list(node->indirections);
    return copy;
}

// Copies with an explicit stack, so that a deep or long tree costs no
// recursion: each entry is a node to copy and the link its copy goes into.
static t_treenode *copywalk(const t_treenode *node, bool siblings)
{
    t_treenode *top = nullptr;
    std::vector<std::pair<const t_treenode *, t_treenode **>> work;
    if (node != nullptr)
        work.emplace_back(node, &top);
    while (!work.empty()) {
        auto [from, into] = work.back();
        work.pop_back();
        t_treenode *copy = copy_node(from);
        *into = copy;
        if (from->sibling != nullptr && (siblings || from != node))
            work.emplace_back(from->sibling, &copy->sibling);
        if (from->son != nullptr)
            work.emplace_back(from->son, &copy->son);
    }
    return top;
}

t_treenode *copytree(const t_treenode *node) { return copywalk(node, false); }
t_treenode *copytree2(const t_treenode *node) { return copywalk(node, true); }

void purge_node(t_treenode *node)
{
    if (node == nullptr)
        return;
    std::unique_ptr<treenode> owned(node);
    purge_trans(&owned->transformation);
    purge_attr_list(&owned->attributes);
    indir_purge_list(&owned->indirections);
    purge_morphvar(&owned->mvar);
}

static void purgewalk(t_treenode *node, bool siblings)
{
    static std::vector<t_treenode *> spare;  // the work list, kept: a walk allocates nothing
    std::vector<t_treenode *> work;
    work.swap(spare);                 // a walk within a walk finds spare empty
    if (node != nullptr)
        work.push_back(node);
    while (!work.empty()) {
        t_treenode *n = work.back();
        work.pop_back();
        if (n->sibling != nullptr && (siblings || n != node))
            work.push_back(n->sibling);
        if (n->son != nullptr)
            work.push_back(n->son);
        purge_node(n);
    }
    spare.swap(work);
}

void purge_tree(t_treenode *node) { purgewalk(node, false); }
void purge_tree2(t_treenode *node) { purgewalk(node, true); }

void purge_all_trees()
{
    std::vector<t_treenode *> freed;
    auto purge = [&freed](t_treenode *&tree) {
        if (tree != nullptr && std::find(freed.begin(), freed.end(), tree) == freed.end()) {
            freed.push_back(tree);
            purge_tree(tree);
        }
        tree = nullptr;
    };
    purge(root);
    purge(oldroot);
    for (t_treenode *&tree : rootPtrs)
        purge(tree);
}
