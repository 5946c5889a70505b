// Tree nodes: making, copying and freeing nodes and trees.
#include <string>
#include "tests/unit/engine/engine_fixture.h"

namespace {

class Nodes : public EngineTest {
protected:
    void TearDown() override
    {
        purge_all_trees();
        EngineTest::TearDown();
    }
    // A leaf with every owned part filled.
    t_treenode *leaf(const char *name, t_dict_lookup *lookup)
    {
        t_treenode *n = makenode(name);
        n->dictionary = lookup;
        n->index = 4;
        n->morphed_word = v_strdup("word");
        n->preferredchoice = v_strdup("w*");
        n->restrictions = v_strdup("|||?|x|");
        n->vf = -2;
        comp_attr ca = nullptr;
        add_comp_attr(&ca, newdelay(1, 1, 1));
        add_attr_to_list(&n->attributes, ca);
        t_indirection ind = create_indir_node();
        ind->fieldnum = 7;
        ind->tag = v_strdup("tag");
        add_to_indir_list(&n->indirections, ind);
        return n;
    }
    // Parent with three children, the middle one with a child of its own.
    t_treenode *tree(t_dict_lookup *lookup)
    {
        t_treenode *top = makenode("S");
        top->son = leaf("A", lookup);
        top->son->sibling = makenode("B");
        top->son->sibling->son = leaf("b", lookup);
        top->son->sibling->sibling = makenode(nullptr);
        return top;
    }
    static std::string shape(const t_treenode *n)
    {
        std::string s;
        for (; n != nullptr; n = n->sibling) {
            s += n->name ? n->name.get() : "-";
            if (n->son != nullptr)
                s += "(" + shape(n->son) + ")";
            if (n->sibling != nullptr)
                s += " ";
        }
        return s;
    }
};

TEST_F(Nodes, MakenodeStartsEmptyAndCounts)
{
    nodecount = 0;
    root = makenode("ROOT");
    EXPECT_STREQ(root->name.get(), "ROOT");
    EXPECT_STREQ(root->morphed_word.get(), "");
    EXPECT_EQ(root->vf, -1);
    EXPECT_EQ(root->dictionary, nullptr);
    EXPECT_EQ(root->preferredchoice, nullptr);
    EXPECT_EQ(root->attributes, nullptr);
    oldroot = makenode(nullptr);
    EXPECT_EQ(oldroot->name, nullptr) << "a node without a name";
    EXPECT_EQ(nodecount, 2);
}

TEST_F(Nodes, CopyNodeSharesTheLookupAndCopiesTheRest)
{
    t_dict_lookup lookup{};
    t_treenode *a = leaf("N", &lookup);
    Transformation first{v_strdup("T1"), 3, nullptr, nullptr, nullptr};
    Transformation second{v_strdup("T2"), 7, nullptr, nullptr, nullptr};
    first.next = &second;
    a->transformation = CopyTrans(&first);
    a->sibling = makenode("other");

    t_treenode *b = copy_node(a);
    EXPECT_EQ(b->dictionary, &lookup);
    EXPECT_EQ(b->index, 4);
    EXPECT_EQ(b->vf, -2);
    EXPECT_STREQ(b->morphed_word.get(), "word");
    EXPECT_NE(b->morphed_word.get(), a->morphed_word.get());
    EXPECT_STREQ(b->restrictions.get(), "|||?|x|");
    EXPECT_EQ(b->sibling, nullptr) << "links are not copied";
    ASSERT_NE(b->attributes, nullptr);
    EXPECT_NE(b->attributes, a->attributes);
    EXPECT_EQ(b->attributes->first->index, a->attributes->first->index);
    ASSERT_NE(b->indirections, nullptr);
    EXPECT_STREQ(b->indirections->indir_node->tag.get(), "tag");
    ASSERT_NE(b->transformation, nullptr);
    EXPECT_NE(b->transformation, a->transformation);
    EXPECT_STREQ(b->transformation->name.get(), "T1");
    ASSERT_NE(b->transformation->next, nullptr);
    EXPECT_EQ(b->transformation->next->priority, 7);
    EXPECT_EQ(b->transformation->next->next, nullptr);
    EXPECT_EQ(copy_node(nullptr), nullptr);

    purge_node(b);
    EXPECT_EQ(a->dictionary, &lookup) << "freeing the copy leaves the lookup";
    purge_tree2(a);
}

TEST_F(Nodes, CopytreeTakesNoSiblingsCopytree2TakesThemAll)
{
    t_dict_lookup lookup{};
    t_treenode *top = tree(&lookup);
    EXPECT_EQ(shape(top), "S(A B(b) -)");
    nodecount = 0;
    t_treenode *b = top->son->sibling;
    t_treenode *one = copytree(b);
    EXPECT_EQ(shape(one), "B(b)");
    EXPECT_EQ(nodecount, 2);
    t_treenode *all = copytree2(top->son);
    EXPECT_EQ(shape(all), "A B(b) -");
    EXPECT_EQ(all->son, nullptr);
    EXPECT_EQ(all->sibling->son->dictionary, &lookup);
    root = copytree(top);
    EXPECT_EQ(shape(root), "S(A B(b) -)");
    EXPECT_EQ(copytree(nullptr), nullptr);

    // Purging a node with siblings through purge_tree leaves the siblings.
    purge_tree(top->son);
    top->son = nullptr;
    EXPECT_EQ(shape(b), "B(b) -");
    purge_tree2(b);
    purge_tree(top);
    purge_tree(one);
    purge_tree2(all);
}

TEST_F(Nodes, PurgeAllTreesClearsEveryHolderOnce)
{
    t_dict_lookup lookup{};
    root = tree(&lookup);
    oldroot = copytree(root);
    rootPtrs[1] = copytree(root);
    rootPtrs[20] = root;               // held twice: freed once
    purge_all_trees();
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(oldroot, nullptr);
    for (t_treenode *t : rootPtrs)
        EXPECT_EQ(t, nullptr);
}

TEST_F(Nodes, DeepAndLongTreesCopyAndFreeWithoutRecursion)
{
    t_treenode *top = makenode("deep");
    t_treenode *at = top;
    for (int i = 0; i < 200000; i++) {
        at->son = makenode("d");
        at = at->son;
        at->sibling = makenode("s");
    }
    t_treenode *copy = copytree(top);
    purge_tree(top);
    purge_tree(copy);
}

} // namespace
