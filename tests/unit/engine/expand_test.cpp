// Expansion of trees by the compiled rules: guards, choice groups,
// variables, attachments, the node and slot limits, preselections, FLATTEN,
// and the restriction strings.
#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Expand : public TreeTest {
protected:
    void syntax(const std::string &text)
    {
        file("syn", text);
        read_syntax("syn");
        newlines();
    }
    static int valueof(const t_treenode *n, int k = 1)
    {
        comp_attr ca = attr_list_element(n->attributes, k);
        return ca != nullptr ? delayed[ca->index].choice : -99;
    }
};

TEST_F(Expand, ANodeWithoutRuleIsATerminal)
{
    syntax("S = A B %\n");
    t_treenode *t = grow("S");
    EXPECT_EQ(shape(t), "S(A B)");
    EXPECT_EQ(t->dictionary, nullptr);
    EXPECT_EQ(t->son->dictionary, &dict_table[0]);
    EXPECT_EQ(t->son->sibling->index, 1);
    EXPECT_EQ(d_table_count, 2);
    EXPECT_EQ(dict_table[1].vf, -1);
    EXPECT_EQ(shape(grow("Q")), "Q");
    EXPECT_EQ(d_table_count, 3);
}

TEST_F(Expand, GuardsAreAnOrderedChoice)
{
    syntax("S = < masc : X < plural : Y > Z %\n"
           "T = A < masc : X > Z %\n"
           "U = < fem : X %\n");
    EXPECT_EQ(shape(grow("S", {"masc", "plural"})), "S(X)");
    EXPECT_EQ(shape(grow("S", {"plural"})), "S(Y)");
    EXPECT_EQ(shape(grow("S", {"sing"})), "S(Z)");
    EXPECT_EQ(shape(grow("T", {"masc"})), "T(A X)");
    EXPECT_EQ(shape(grow("T")), "T(A Z)");
    t_treenode *u = grow("U");
    EXPECT_EQ(shape(u), "U") << "no guard held and no default";
    EXPECT_NE(u->dictionary, nullptr);
}

TEST_F(Expand, ChoiceGroupsDrawEachAlternativeAlike)
{
    syntax("S = (A | B | C) %\nN = X (A | (B | C) D) Y %\n");
    std::map<std::string, int> seen, nested;
    for (int i = 0; i < 3000; i++) {
        t_treenode *t = grow("S");
        seen[shape(t)]++;
        t_treenode *n = grow("N");
        nested[shape(n)]++;
        for (t_treenode *x : {t, n})
            purge_tree(x);
        trees.resize(trees.size() - 2);
        d_table_count = 0;
        delayptr = 0;
    }
    EXPECT_EQ(seen.size(), 3u);
    for (auto &[s, n] : seen)
        EXPECT_NEAR(n, 1000, 150) << s;
    EXPECT_NEAR(nested["N(X A Y)"], 1500, 150);
    EXPECT_NEAR(nested["N(X B D Y)"], 750, 120);
    EXPECT_NEAR(nested["N(X C D Y)"], 750, 120);
}

// Counts past one byte: every alternative of a large group comes up about
// as often, and the text after the group is still read.
TEST_F(Expand, LargeChoiceGroupsDrawEachAlternativeAlike)
{
    constexpr int PERALT = 60;
    reseed(4242);
    for (int size : {31, 32, 35, 40, 124, 127}) {
        std::string rule = "G = (A0";
        for (int i = 1; i < size; i++)
            rule += " | A" + std::to_string(i);
        syntax(rule + ") Z/@40 %\n");
        std::map<std::string, int> seen;
        for (int k = 0; k < size * PERALT; k++) {
            t_treenode *t = grow("G");
            ASSERT_NE(t->son, nullptr) << size;
            ASSERT_NE(t->son->sibling, nullptr) << size;
            EXPECT_STREQ(t->son->sibling->name.get(), "Z");
            ASSERT_NE(t->son->sibling->indirections, nullptr);
            EXPECT_EQ(t->son->sibling->indirections->indir_node->fieldnum, 40);
            seen[t->son->name.get()]++;
            purge_tree(t);
            trees.pop_back();
            d_table_count = 0;
            delayptr = 0;
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(size));
        for (auto &[name, n] : seen)
            EXPECT_TRUE(n > PERALT / 2 && n < PERALT * 3 / 2) << size << " " << name << " " << n;
        dump_syntax();
    }
}

TEST_F(Expand, VariablesShareOneValue)
{
    syntax("S = CHOOSE n : number ; NP[n] VP[n, masc] %\n"
           "I = INHERIT n : number ; NP[n] %\n");
    t_treenode *s = grow("S");
    ASSERT_EQ(shape(s), "S(NP VP)");
    comp_attr a = attr_list_element(s->son->attributes, 1);
    comp_attr b = attr_list_element(s->son->sibling->attributes, 1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->index, b->index) << "one undetermined value for both";
    EXPECT_EQ(delayed[a->index].choice, -1);
    EXPECT_EQ(attr_list_count(s->son->sibling->attributes), 2);
    make_choice(a->index);
    EXPECT_EQ(valueof(s->son), valueof(s->son->sibling));

    EXPECT_EQ(valueof(grow("I", {"plural"})->son), 2) << "inherited from the node";
    EXPECT_EQ(valueof(grow("I")->son), -1) << "open when the node has none";
    for (comp_attr v : variable_table)
        EXPECT_EQ(v, nullptr);
}

TEST_F(Expand, AttachmentsOfChildren)
{
    syntax("S = N/5=a,b/5=c/7=\"x y\"/\"w*\"/$4/@7:obj[plural] FLATTEN:M/+12 Nope:O %\n");
    t_treenode *s = grow("S");
    ASSERT_EQ(shape(s), "S(N M O)");
    t_treenode *n = s->son;
    EXPECT_STREQ(n->restrictions.get(), "?|?|?|?|a,b,c|?|\"x y\"|");
    EXPECT_STREQ(n->preferredchoice.get(), "w*");
    EXPECT_EQ(n->vf, -4);
    t_indirection ind = indir_list_element(n->indirections, 1);
    ASSERT_NE(ind, nullptr);
    EXPECT_EQ(ind->fieldnum, 7);
    EXPECT_STREQ(ind->tag.get(), "obj");
    EXPECT_STREQ(ind->attributes.get(), "plural");
    t_treenode *m = n->sibling;
    EXPECT_EQ(m->vf, 12);
    ASSERT_NE(m->transformation, nullptr);
    EXPECT_STREQ(m->transformation->name.get(), "FLATTEN");
    EXPECT_EQ(m->transformation->functionPtr, flatten);
    EXPECT_EQ(m->sibling->transformation, nullptr);
    EXPECT_EQ(newlines(), (lines{"ERROR    - Bad Transformation Name:  Nope "}));

    terminal_node(n);
    fill_word(n);
    EXPECT_STREQ(n->dictionary->class_.get(), "N");
    EXPECT_EQ(std::string(n->dictionary->fields.get()),
              std::string("?|?|?|?|a,b,c|?|\"x y\",") + POINTERCLAUSE + "obj|")
        << "the indirection's tag";
    EXPECT_EQ(n->dictionary->pointed_at, 1);
}

TEST_F(Expand, ARunawayRuleStopsAtTheNodeLimit)
{
    syntax("S = S S %\n");
    t_treenode *t = grow("S");
    lines reports = newlines();
    int nodes = 0, leaves = 0;
    std::vector<const t_treenode *> work{t};
    while (!work.empty()) {
        const t_treenode *n = work.back();
        work.pop_back();
        nodes++;
        leaves += n->son == nullptr;
        for (const t_treenode *c = n->son; c != nullptr; c = c->sibling)
            work.push_back(c);
    }
    EXPECT_EQ(nodes, nodecount);
    EXPECT_LE(nodes, NODELIMIT + 2);
    EXPECT_GT(nodes, NODELIMIT);
    EXPECT_EQ(static_cast<int>(reports.size()), leaves) << "one report per node left unexpanded";
    EXPECT_EQ(reports.front(), "ERROR   cf expansion terminated S ");
}

TEST_F(Expand, TheLastLookupSlotAndThenNone)
{
    syntax("S = A B %\n");
    d_table_count = NDICTSLOTS - 1;
    t_treenode *t = grow("S");
    EXPECT_EQ(t->son->index, NDICTSLOTS - 1);
    EXPECT_EQ(t->son->sibling->dictionary, nullptr);
    EXPECT_EQ(d_table_count, NDICTSLOTS);
}

TEST_F(Expand, PreselectionsShareOneWord)
{
    file("terms", "N V\n");
    read_terminals("terms");
    file("lex", "\"cat\"|N|sing|1|\n\"dog\"|N|plural|1|\n");
    initdict();
    readdict("lex");
    syntax("PRESELECT = subj : N ; obj %\n"
           "S = N/_pre_ subj N/_pre_ subj/2=x V/_pre_ obj %\n"
           "Q = SELECT k : _pre_ subj ; SELECT m : number _pre_ subj ; A[k, m] %\n");
    construct_preselect(getrule("PRESELECT"), 0);
    ASSERT_NE(preselect_list, nullptr);
    const pre_rule *subj = preselect_list->next;
    ASSERT_NE(subj, nullptr);
    ASSERT_NE(subj->RHS, nullptr);
    ASSERT_EQ(subj->RHS->dictionary->error, 0);
    EXPECT_EQ(preselect_barrier, d_table_count);
    newlines();

    t_treenode *s = grow("S");
    EXPECT_EQ(s->son->dictionary, subj->RHS->dictionary);
    EXPECT_EQ(s->son->sibling->dictionary, subj->RHS->dictionary);
    EXPECT_EQ(s->son->sibling->index, subj->RHS->index);
    EXPECT_STREQ(s->son->sibling->restrictions.get(), "?|x|") << "later attachments still apply";
    EXPECT_EQ(newlines(), (lines{"ERROR   Preselection:  Matching PST has no right-hand side:  obj"}));

    t_treenode *q = grow("Q");
    EXPECT_EQ(print_attr_list(q->son->attributes),
              std::string(subj->RHS->dictionary->dictionary[1] == 'c' ? "subj, sing" : "subj, plural"));

    print_preselect_list();
    lines shown = newlines();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "obj");
    EXPECT_EQ(shown[1], "subj");
    EXPECT_EQ(shown[2].substr(0, 5), "    \"");
    empty_preselect_list(1);
    EXPECT_EQ(preselect_list, nullptr);
}

TEST_F(Expand, NamedRootsCopyTheRootTree)
{
    syntax("ROOT = A B %\nA = X %\nQ = ROOT C %\n");
    t_treenode *r = grow("ROOT");
    root = r;
    treestate = 1;
    t_treenode *q = grow("Q");
    EXPECT_EQ(shape(q), "Q(ROOT(A(X) B) C)");
    EXPECT_NE(q->son, r);
    root = nullptr;
}

TEST_F(Expand, FlattenKeepsTheLeavesInOrder)
{
    t_treenode *p = makenode("P");
    trees.push_back(p);
    p->son = makenode("A");
    p->son->son = makenode("a1");
    p->son->son->sibling = makenode("a2");
    p->son->sibling = makenode("B");
    flatten(p);
    EXPECT_EQ(shape(p), "P(a1 a2 B)");
    flatten(p);
    EXPECT_EQ(shape(p), "P(a1 a2 B)");
}

TEST_F(Expand, RestrictionStrings)
{
    auto str = [](const v_text &t) { return std::string(t ? t.get() : "(null)"); };
    v_text a = insert_restriction(nullptr, "a", 2);
    EXPECT_EQ(str(a), "?|a|");
    EXPECT_EQ(str(insert_restriction(a.get(), "b", 2)), "?|a,b|");
    EXPECT_EQ(str(insert_restriction(a.get(), "c", 1)), "c|a|");
    EXPECT_EQ(str(insert_restriction("x|y|", "z", 4)), "x|y|?|z|");
    EXPECT_EQ(str(merge_restr("?|a|d|", "b|?|c|e|")), "b|a|d,c|e|");
    EXPECT_EQ(str(merge_restr("a|", "?|b|")), "a|b|");
    EXPECT_EQ(str(merge_restr(nullptr, "x|")), "x|");

    std::string big(1000, 'v');
    EXPECT_EQ(str(insert_restriction("a|", big.c_str(), 3)), "a|") << "too long: kept as it was";
    std::string half(1000, 'w');
    EXPECT_EQ(str(merge_restr((half + "|").c_str(), (half + "|").c_str())), half + "|");
    EXPECT_EQ(newlines().size(), 2u);
}

TEST_F(Expand, NodeTextsAsRulesWriteThem)
{
    EXPECT_EQ(convert_nodetext("N[sing] / 5=b /+9 /\"a b\"/$2/@3"),
              "N[sing]/\x05=b\x13" "9\"a b\"\x13-2@\x03");
    EXPECT_EQ(convert_nodetext("N/256=b"), "");
    t_treenode *n = string_to_node(convert_nodetext("N[plural]/5=b/$3").c_str());
    ASSERT_NE(n, nullptr);
    trees.push_back(n);
    EXPECT_EQ(valueof(n), 2);
    EXPECT_EQ(n->vf, -3);
    EXPECT_STREQ(n->restrictions.get(), "?|?|?|?|b|");
    t_treenode *far = string_to_node(convert_nodetext("N/124=b/@34").c_str());
    ASSERT_NE(far, nullptr) << "numbers of more than one byte";
    trees.push_back(far);
    std::string restrictions = far->restrictions.get();
    EXPECT_EQ(std::count(restrictions.begin(), restrictions.end(), '|'), 124);
    EXPECT_EQ(restrictions.substr(restrictions.size() - 4), "?|b|");
    ASSERT_NE(far->indirections, nullptr);
    EXPECT_EQ(far->indirections->indir_node->fieldnum, 34);
    EXPECT_EQ(string_to_node("N[plural"), nullptr);
    EXPECT_EQ(string_to_node("N)"), nullptr);
    EXPECT_EQ(string_to_node(""), nullptr);
}

}  // namespace
