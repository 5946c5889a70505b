// Transformations of expanded trees: priority order, guards with "*" that
// must cover every child, children reordered, copied, dropped and inserted,
// ROOT copies, attribute items with "!" and "-", FLATTEN, and the bound on
// trees that keep copying themselves.
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Transform : public TreeTest {
protected:
    void syntax(const std::string &text)
    {
        readsyntaxtext(text.data(), text.size());
        lines said = newlines();
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].substr(0, 17), "Finished reading ") << text;
    }
    t_treenode *changed(const char *name)
    {
        t_treenode *top = grow(name);
        transform(top);
        return top;
    }
    static const t_treenode *child(const t_treenode *n, int k)
    {
        const t_treenode *c = n->son;
        while (c != nullptr && --k > 0)
            c = c->sibling;
        return c;
    }
    // The one-part attribute of a type on a node: its delay entry, or -1.
    static int cell(const t_treenode *n, const char *type)
    {
        text_to_comp_array(type, 0);
        comp_attr ca = find_attr(n->attributes);
        return ca != nullptr ? ca->index : -1;
    }
};

TEST_F(Transform, AttachedTransformationsRunInPriorityOrder)
{
    syntax("T7 = TRANSFORMATION PRIORITY 7 * : 1 X7 ; %\n"
           "T3 = TRANSFORMATION PRIORITY 3 * : 1 X3 ; %\n"
           "T5 = TRANSFORMATION * : 1 X5 ; %\n"
           "U5 = TRANSFORMATION PRIORITY 5 * : 1 Y5 ; %\n"
           "R = T7:T5:T3:U5:S %\nS = A %\n");
    t_treenode *r = changed("R");
    EXPECT_EQ(shape(r), "R(S(A X3 X5 Y5 X7))");
    EXPECT_EQ(r->son->transformation, nullptr) << "each tried once and dropped";
}

TEST_F(Transform, GuardsCoverTheWholeChildList)
{
    syntax("Swap = TRANSFORMATION * NP VP : 3 2 1 ; %\n"
           "Tail = TRANSFORMATION NP : Z ; NP * : 2 1 ; %\n"
           "Last = TRANSFORMATION * A : 2 1 ; %\n"
           "Empty = TRANSFORMATION : X ; %\n"
           "R1 = Swap:S %\nS = A B NP VP %\n"
           "R2 = Tail:P %\nP = NP X Y %\n"
           "R3 = Tail:Q %\nQ = NP %\n"
           "R4 = Last:L %\nL = A B A C %\nR5 = Last:M %\nM = A B A %\n"
           "R6 = Empty:E Empty:S %\n");
    t_treenode *s = grow("S");
    clear_guard_array();
    ASSERT_EQ(match_guard(s->son, "* NP VP"), 1);
    EXPECT_EQ(guard_array[1].first, child(s, 1));
    EXPECT_EQ(guard_array[2].first, child(s, 3));
    EXPECT_EQ(guard_array[3].first, child(s, 4));
    EXPECT_EQ(guard_array[4].first, nullptr);
    EXPECT_EQ(match_guard(s->son, "* NP VP*"), 1);
    EXPECT_EQ(guard_array[4].first, nullptr) << "the last * took nothing";
    EXPECT_EQ(match_guard(s->son, "* VP*"), 1);
    EXPECT_EQ(match_guard(s->son, "* A* VP"), 1);
    EXPECT_EQ(guard_array[3].first, child(s, 2));
    EXPECT_EQ(match_guard(s->son, "* A* NP"), 0);
    EXPECT_EQ(match_guard(nullptr, "*"), 1);
    EXPECT_EQ(match_guard(nullptr, " A"), 0);
    EXPECT_EQ(match_guard(nullptr, std::string(NGUARDREFS - 2, '*').c_str()), 1);
    EXPECT_EQ(match_guard(nullptr, std::string(NGUARDREFS - 1, '*').c_str()), 0) << "too long";
    EXPECT_EQ(shape(changed("R1")), "R1(S(VP NP A B))") << "* took A and B";
    EXPECT_EQ(guard_array[1].first, nullptr) << "cleared after the rule was applied";
    EXPECT_EQ(shape(changed("R2")), "R2(P(X Y NP))") << "NP alone leaves X and Y uncovered";
    EXPECT_EQ(shape(changed("R3")), "R3(Q(Z))") << "the first guard that holds";
    EXPECT_EQ(shape(changed("R4")), "R4(L(A B A C))") << "no guard held: unchanged";
    EXPECT_EQ(shape(changed("R5")), "R5(M(A A B))") << "* grows past an earlier A";
    EXPECT_EQ(shape(changed("R6")), "R6(E(X) S(A B NP VP))") << "empty guard: no children only";
}

TEST_F(Transform, GuardAttributesMustAllBePresent)
{
    syntax("T = TRANSFORMATION * N[plural, fem] * : 2 ; %\n"
           "R = T:S %\nS = N[plural] N[plural, fem] N[fem] %\n");
    t_treenode *r = changed("R");
    ASSERT_EQ(shape(r), "R(S(N))");
    EXPECT_EQ(print_attr_list(r->son->son->attributes), "plural, fem");
}

TEST_F(Transform, ChildrenAreCopiedDroppedAndInserted)
{
    syntax("T = TRANSFORMATION A B : 1 1 New[plural]/\"w\" ; %\n"
           "R = T:S %\nS = A B %\nA = a1 a2 %\n");
    int before = d_table_count;
    t_treenode *r = changed("R");
    ASSERT_EQ(shape(r), "R(S(A(a1 a2) A(a1 a2) New))");
    const t_treenode *s = r->son;
    EXPECT_NE(child(s, 1)->son, child(s, 2)->son) << "deep copies";
    EXPECT_EQ(child(s, 1)->son->dictionary, child(s, 2)->son->dictionary) << "one word";
    const t_treenode *fresh = child(s, 3);
    EXPECT_EQ(fresh->index, before + 3) << "a new node is a terminal at once";
    EXPECT_EQ(print_attr_list(fresh->attributes), "plural");
    EXPECT_STREQ(fresh->preferredchoice.get(), "w");
}

// Children that one element alone takes, and that no "!" item reads, are
// moved into the new list: the result and the node count are those of copies.
TEST_F(Transform, ChildrenTakenOnceAreMovedAsIfCopied)
{
    syntax("T = TRANSFORMATION A B * : 3 2[-fem] X[2!gender] 1 ; %\n"
           "R = T:S %\nS = A[sing] B[fem] C D %\nA = a1 a2 %\n");
    t_treenode *r = grow("R");
    thread(r);
    const t_treenode *a = child(r->son, 1), *b = child(r->son, 2), *c = child(r->son, 3);
    int before = nodecount;
    transform(r);
    ASSERT_EQ(shape(r), "R(S(C D B X A(a1 a2)))");
    EXPECT_EQ(nodecount, before + 7) << "counted as copies of C, D, B, A(a1 a2) and the new X";
    EXPECT_EQ(child(r->son, 1), c);
    EXPECT_EQ(child(r->son, 5), a) << "taken over, not copied";
    EXPECT_NE(child(r->son, 3), b) << "read by a ! item: copied";
    EXPECT_EQ(print_attr_list(child(r->son, 3)->attributes), "");
    EXPECT_EQ(print_attr_list(child(r->son, 4)->attributes), "fem") << "read from the old B";
    EXPECT_EQ(print_attr_list(a->attributes), "sing");
    EXPECT_EQ(a->son->left, nullptr);
    EXPECT_EQ(a->son->right, nullptr) << "no leaf chain, like a copy";

    syntax("U = TRANSFORMATION A * : 1 2 1 ; %\nQ = U:P %\nP = A B %\n");
    t_treenode *q = grow("Q");
    const t_treenode *first = q->son->son;
    transform(q);
    ASSERT_EQ(shape(q), "Q(P(A(a1 a2) B A(a1 a2)))");
    EXPECT_NE(q->son->son, first) << "taken twice: copies";
    EXPECT_NE(child(q->son, 1), child(q->son, 3));
}

TEST_F(Transform, NewNodesTakeTheirTransformationsDownward)
{
    syntax("Add = TRANSFORMATION : Y ; %\n"
           "T = TRANSFORMATION * : Add:X 1 ; %\nR = T:S %\nS = A %\n");
    EXPECT_EQ(shape(changed("R")), "R(S(X(Y) A))");
}

TEST_F(Transform, RootCopiesFollowTheTreeState)
{
    syntax("T = TRANSFORMATION * : ROOT 1 ; %\nR = T:S %\nS = A %\n");
    oldroot = makenode("OLD");
    oldroot->son = makenode("o");
    root = makenode("NEW");
    trees.push_back(oldroot);
    trees.push_back(root);
    EXPECT_EQ(shape(changed("R")), "R(S(OLD(o) A))");
    treestate = 1;
    EXPECT_EQ(shape(changed("R")), "R(S(NEW A))");
    root = oldroot = nullptr;
    EXPECT_EQ(shape(changed("R")), "R(S(A))") << "no tree: nothing added";
}

TEST_F(Transform, AttributeItemsTakeFromGuardElementsAndRemove)
{
    syntax("T = TRANSFORMATION A B : X[2!number, gender] 1[-fem] ; %\n"
           "R = T:S %\nS = CHOOSE n : number ; A[fem, sing] B[n] %\n");
    t_treenode *r = grow("R");
    int open = cell(child(r->son, 2), "number");
    transform(r);
    ASSERT_EQ(shape(r), "R(S(X A))");
    const t_treenode *x = child(r->son, 1);
    EXPECT_EQ(attr_list_count(x->attributes), 2);
    EXPECT_EQ(cell(x, "number"), open) << "B's open value, shared";
    EXPECT_EQ(delayed[cell(x, "gender")].choice, -1);
    EXPECT_EQ(print_attr_list(child(r->son, 2)->attributes), "sing");

    syntax("U = TRANSFORMATION A : 3[plural] X[3!number] ; %\nQ = U:P %\nP = A %\n");
    t_treenode *q = changed("Q");
    EXPECT_EQ(shape(q), "Q(P(X))") << "an element that matched nothing gives nothing";
    EXPECT_EQ(q->son->son->attributes, nullptr);
}

TEST_F(Transform, ANewValueReachesTheNodesThatSharedTheOldOne)
{
    syntax("T = TRANSFORMATION NP : 1[plural] ; %\nK = TRANSFORMATION NP : 1[plural.fem] ; %\n"
           "R = T:S %\nQ = K:S %\nS = CHOOSE n : number ; NP[n] %\n"
           "NP = INHERIT n : number ; N[n] D[n, masc] %\n");
    t_treenode *r = changed("R");
    ASSERT_EQ(shape(r), "R(S(NP(N D)))");
    const t_treenode *np = r->son->son;
    EXPECT_EQ(print_attr_list(np->attributes), "plural") << "the old value replaced";
    EXPECT_EQ(cell(np->son, "number"), cell(np, "number"));
    EXPECT_EQ(print_attr_list(np->son->sibling->attributes), "plural, masc");

    t_treenode *q = changed("Q");
    const t_treenode *np2 = q->son->son;
    EXPECT_EQ(attr_list_count(np2->attributes), 2) << "a compound is added beside";
    EXPECT_EQ(delayed[cell(np2->son, "number")].choice, -1) << "and renumbers nothing";
}

TEST_F(Transform, FlattenComesAfterPriorityFive)
{
    syntax("T = TRANSFORMATION A B : 2 1 ; %\n"
           "R = FLATTEN:T:S %\nS = A B %\nA = a1 a2 %\n");
    EXPECT_EQ(shape(changed("R")), "R(S(B a1 a2))");
}

TEST_F(Transform, TreesThatCopyThemselvesStop)
{
    syntax("T = TRANSFORMATION * : ROOT 1 ; %\nROOT = T:S %\nS = A %\n");
    t_treenode *r = grow("ROOT");
    oldroot = copytree(r);
    trees.push_back(oldroot);
    transform(r);
    EXPECT_GT(nodecount, TRANSNODELIMIT);
    EXPECT_LT(nodecount, TRANSNODELIMIT + 100);
    EXPECT_EQ(newlines(), lines{"ERROR   transformation terminated S "});
    oldroot = nullptr;
}

}  // namespace
