// Morphology: the rules and tables files, expressions evaluated on hand-made
// leaves with hand-made entry records, guards, and the passes over a tree.
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

// A leaf with its lookup record and entry; the leaves of a test are chained.
struct leaf {
    t_dict_lookup lookup{};
    std::string record;
    treenode node{};
};

class Morphology : public EngineTest {
protected:
    std::vector<std::unique_ptr<leaf>> leaves;
    treenode root{};

    void SetUp() override
    {
        EngineTest::SetUp();
        file("attr", "gender (masc, fem)\nnumber (sg, pl)\n%\n");
        readattr("attr");
        newlines();
    }
    void TearDown() override
    {
        for (auto &l : leaves)
            purge_attr_list(&l->node.attributes);
        clear_mrules();
        clear_tables();
        MState = 0;
        current_node = nullptr;
        EngineTest::TearDown();
    }

    lines rules(const std::string &text)
    {
        file("morph", text);
        new_readmorph("morph");
        return newlines();
    }
    lines tables(const std::string &text)
    {
        file("tabs", text);
        new_readtables("tabs");
        return newlines();
    }

    // A leaf at the end of the chain, with its compound attributes (texts
    // separated by ",") and fields 5 and on of its entry.
    treenode *add(const std::string &attrs, const std::string &fields5on)
    {
        auto l = std::make_unique<leaf>();
        l->record = "\"w\"|noun|\x19\x01\x01 |0001|" + fields5on;
        l->lookup.dictionary = l->record.c_str();
        l->node.dictionary = &l->lookup;
        l->node.vf = -1;
        for (size_t at = 0; at < attrs.size();) {
            size_t end = attrs.find(',', at);
            if (end == std::string::npos)
                end = attrs.size();
            text_to_comp_array(attrs.substr(at, end - at).c_str(), 0);
            add_attr_to_list(&l->node.attributes, make_comp_attr());
            at = end + 1;
        }
        treenode *n = &l->node;
        treenode *last = leaves.empty() ? nullptr : &leaves.back()->node;
        if (last == nullptr)
            root.right = n;
        else
            last->right = n;
        n->left = last;
        leaves.push_back(std::move(l));
        return n;
    }

    std::string eval(treenode *n, const std::string &text)
    {
        current_node = n;
        m_exp(text.c_str());
        return moutput;
    }
    bool guard(treenode *n, const std::string &text)
    {
        current_node = n;
        return m_guard(text.c_str()) != 0;
    }
};

// ---------------------------------------------------------------- reading

TEST_F(Morphology, RulesAreReadIntoGuardedSubrules)
{
    EXPECT_EQ(rules("RULE noun\n  masc, sg : \"o\" ;  fem : \"a b\" + % s ;\n"
                    "rule pre _pre_ masc : \"x\" ; _is_ fem : \"y\" ;"),
              (lines{"Finished reading morphology input from file 'morph' [2 lines.]"}));
    EXPECT_EQ(numrules, 1);
    const MSUBRULE *s = ruleheader[0].get();
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->rulename.get(), "noun");
    EXPECT_STREQ(s->guard.get(), "masc,sg:");
    EXPECT_STREQ(s->mexp.get(), "\"o\"|");
    ASSERT_NE(s->nextsub, nullptr);
    EXPECT_STREQ(s->nextsub->mexp.get(), "\"a b\"+s|") << "quoted blanks kept, % dropped";
    EXPECT_EQ(s->nextsub->nextsub, nullptr);
    ASSERT_NE(ruleheader[1], nullptr);
    EXPECT_STREQ(ruleheader[1]->guard.get(), "\x0emasc:") << "_pre_ becomes byte 14";
    ASSERT_NE(ruleheader[1]->nextsub, nullptr);
    EXPECT_STREQ(ruleheader[1]->nextsub->guard.get(), "\x11" "fem:") << "_is_ becomes byte 17";
    EXPECT_EQ(findmrule("pre"), 1);
    EXPECT_EQ(findmrule("1"), 1) << "a rule is also known by its number";
    EXPECT_EQ(findmrule("verb"), -1);

    clear_mrules();
    EXPECT_EQ(numrules, -1);
    EXPECT_EQ(ruleheader[0], nullptr);
    EXPECT_EQ(findmrule("noun"), -1);
}

TEST_F(Morphology, TooManyRulesStopsReading)
{
    std::string text;
    for (int i = 0; i < 505; i++)
        text += "RULE r" + std::to_string(i) + " * : \"x\" ;\n";
    lines l = rules(text);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], "ERROR morphology input rule r499 too many rules  ");
    EXPECT_EQ(numrules, MAXMRULES - 1);
    EXPECT_EQ(findmrule("r498"), 498);
    EXPECT_EQ(findmrule("r499"), -1);
}

TEST_F(Morphology, ARuleWithoutSubrulesHidesNoLaterRule)
{
    rules("RULE empty\nRULE later * : \"ok\" ;");
    EXPECT_EQ(findmrule("later"), 1);
    treenode *n = add("", "$later|");
    EXPECT_EQ(eval(n, "$later|"), "ok");
    EXPECT_EQ(eval(n, "\"a\"$empty\"b\"|"), "ab");
    EXPECT_EQ(newlines(), lines{});
}

TEST_F(Morphology, LongTextsAreCutWhenRead)
{
    std::string word(1200, 'a');
    lines l = rules("RULE n * : \"" + word + "\" ;");
    ASSERT_EQ(l.size(), 3u) << "with the reader's warning of a long quoted text";
    EXPECT_EQ(l[1].rfind("ERROR morphology input rule n text too long, cut to 999 characters:", 0), 0u);
    EXPECT_EQ(std::strlen(ruleheader[0]->mexp.get()), static_cast<size_t>(MBUFSIZE));
}

// ------------------------------------------------------------ expressions

TEST_F(Morphology, QuotesEditsAndEarlierPasses)
{
    treenode *n = add("", "");
    EXPECT_EQ(eval(n, "\"casa\"|"), "casa") << "a quoted word and its bar";
    EXPECT_EQ(eval(n, "\"gato\" - \"a\"|"), "gata");
    EXPECT_EQ(eval(n, "\"ab\"&&+\"c\"|"), "abbbc");
    EXPECT_EQ(eval(n, "-&\"x\"|"), "x") << "editing an empty output does nothing";
    EXPECT_EQ(eval(n, "\"a|b\"|\"never\"|"), "a|b") << "a bar inside quotes is text";
    n->morphed_word = v_strdup("went");
    EXPECT_EQ(eval(n, "!\"s\"|"), "wents");
    EXPECT_EQ(eval(n, "\"unclosed"), "unclosed");
    EXPECT_EQ(eval(n, "\"" + std::string(200, 'x') + "\"|").size(), static_cast<size_t>(MOUTSIZE - 1));
}

TEST_F(Morphology, FieldReferences)
{
    treenode *n = add("", "\"st\"#6|\"em\"|");
    leaves.back()->record = "\"w\"|noun|\x19\x7c\x7c |0001|\"st\"#6|\"em\"|";
    leaves.back()->lookup.dictionary = leaves.back()->record.c_str();
    EXPECT_EQ(eval(n, "#5|"), "stem") << "bytes after 25 are not separators";
    EXPECT_EQ(eval(n, "#1|"), "w");
    EXPECT_EQ(eval(n, "\"a\"#7\"b\"|"), "ab");
    EXPECT_EQ(newlines(), (lines{"Bad field reference: field 7 from lsp 0"}));
    leaves.back()->record = "\"w\"|noun||0001||\"x\"|";
    leaves.back()->lookup.dictionary = leaves.back()->record.c_str();
    EXPECT_EQ(eval(n, "#5\"y\"|"), "y") << "an empty field adds nothing";
    EXPECT_EQ(eval(n, "#6|"), "x");
}

TEST_F(Morphology, RulesChooseBySubruleGuards)
{
    rules("RULE g masc : \"o\" ; fem : \"a\" ;\nRULE only pl : \"s\" ;");
    treenode *m = add("masc,sg", "");
    treenode *f = add("fem,sg", "");
    EXPECT_EQ(eval(m, "\"gat\"$g|"), "gato");
    EXPECT_EQ(eval(f, "\"gat\"$g|"), "gata");
    EXPECT_EQ(eval(f, "\"gat\"$only\"!\"|"), "gat!") << "no guard holds: nothing";
    EXPECT_EQ(newlines(), lines{});
    EXPECT_EQ(eval(f, "\"x\"$nothing\"y\"|"), "xy");
    EXPECT_EQ(newlines(), (lines{"ERROR morphology input rule only Reference to non-existent "
                                 "morph rule nothing "}));
}

TEST_F(Morphology, TablesIndexedByTwoTypes)
{
    tables("t (\"ms\", \"mp\", \"fs\", \"fp\"), short (\"1\", \"2\", \"3\")");
    treenode *fp = add("fem,pl,fem.pl", "");
    treenode *ms = add("masc,sg,masc.sg", "");
    EXPECT_EQ(eval(fp, "t(gender,number)|"), "fp");
    EXPECT_EQ(eval(ms, "t(gender,number)|"), "ms");
    EXPECT_EQ(eval(fp, "t(gender.number)|"), "fp") << "one compound argument";
    EXPECT_EQ(eval(ms, "t(fem, sg)|"), "fs") << "explicit values";
    EXPECT_EQ(eval(ms, "\"<\"t(masc,pl)\">\"|"), "<mp>");
    EXPECT_EQ(newlines(), lines{});

    EXPECT_EQ(eval(fp, "short(fem,pl)\"x\"|"), "x");
    EXPECT_EQ(eval(fp, "none(fem)\"y\"|"), "y");
    EXPECT_EQ(newlines(), (lines{"ERROR table input table short Table index too high short ",
                                 "ERROR table input table short Table not found none "}));
    treenode *bare = add("", "");
    EXPECT_EQ(eval(bare, "t(gender,number)\"z\"|"), "z");
    EXPECT_EQ(newlines(),
              (lines{"ERROR table input table short Table index attribute type not present "
                     "in node  "}));
    EXPECT_EQ(eval(bare, std::string(150, 'q') + "(x)\"k\"|"), "k") << "a long reference is cut";
}

TEST_F(Morphology, RuleCallsAreBounded)
{
    rules("RULE self * : \"a\" $self ;\nRULE twice * : $twice $twice ;");
    treenode *n = add("", "");
    std::string out = eval(n, "$self|");
    EXPECT_EQ(out.size(), static_cast<size_t>(MSTACKSIZE - 1));
    lines l = newlines();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], "ERROR morphology input rule twice Morph expressions nested too deeply  ");
    EXPECT_EQ(eval(n, "\"k\"$twice|"), "k") << "an exploding rule stops";
    l = newlines();
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.back(), "ERROR morphology input rule twice Morph expression too long to evaluate  ");
}

TEST_F(Morphology, LexicalSequencesReachOtherEntries)
{
    treenode *a = add("", "\"A\"#6.2|\"a6\"|");
    treenode *b = add("", "\"B\"!|\"b6\"|");
    b->morphed_word = v_strdup("bw");
    MState = 1;
    EXPECT_EQ(eval(a, "#5|"), "Ab6") << "field 6 of the second sequence node";
    EXPECT_EQ(MState, 0) << "reset after each expression";
    EXPECT_EQ(current_node, a);
    MState = 1;
    EXPECT_EQ(eval(a, "#5.2|"), "Bbw") << "! takes the word of the node the field came from";
    EXPECT_EQ(eval(a, "#5.2|"), "Aa6") << "outside a transformation . is no sequence number";

    comp_attr fem = nullptr;
    add_comp_attr(&fem, lt_newdelay(1, 2, 1));  // cells of a transformation's own table
    add_attr_to_list(&leaves[0]->lookup.attributes, fem);
    MState = 1;
    EXPECT_TRUE(guard(a, "fem:")) << "the lookup record's attributes";
    MState = 0;
    EXPECT_FALSE(guard(a, "fem:"));
    purge_attr_list(&leaves[0]->lookup.attributes);
}

// ------------------------------------------------------------------ guards

TEST_F(Morphology, GuardsByAttribute)
{
    treenode *n = add("masc,sg,masc.pl", "");
    EXPECT_TRUE(guard(n, "masc:"));
    EXPECT_TRUE(guard(n, "gender:")) << "a type alone matches any value";
    EXPECT_TRUE(guard(n, "masc.pl:"));
    EXPECT_FALSE(guard(n, "masc.sg:")) << "a compound attribute matches whole";
    EXPECT_FALSE(guard(n, "fem:"));
    EXPECT_FALSE(guard(n, "pl:"));
    EXPECT_TRUE(guard(n, "fem,sg|*:")) << "false, term, bar, true";
    EXPECT_TRUE(guard(n, "masc,sg,*:"));
    EXPECT_FALSE(guard(n, "masc,fem:"));
    EXPECT_TRUE(guard(n, "fem|sg:"));
    EXPECT_TRUE(guard(n, "(fem|masc),sg:"));
    EXPECT_FALSE(guard(n, "(fem|masc),pl:"));
    EXPECT_TRUE(guard(n, "pl|(fem,*)|(sg,(pl|masc)):"));
    EXPECT_TRUE(guard(n, ":")) << "an empty guard holds";
    const char *g = "fem|masc:rest";
    current_node = n;
    EXPECT_EQ(m_guard(g), 1);
    EXPECT_EQ(end_guard, g + 8) << "left at the guard's colon";
    g = "masc)|fem:";
    EXPECT_EQ(m_guard(g), 1);
    EXPECT_EQ(end_guard, g + 4) << "or at a closing parenthesis";
}

TEST_F(Morphology, GuardsByNeighbour)
{
    treenode *a = add("fem,pl", "\"a\"|");
    treenode *b = add("masc,sg", "\"b\"|");
    treenode *c = add("masc,pl", "\"c\"|");
    EXPECT_TRUE(guard(b, "-1.fem:"));
    EXPECT_FALSE(guard(b, "-1.masc:"));
    EXPECT_TRUE(guard(b, "1.masc:"));
    EXPECT_TRUE(guard(b, "+1.pl:"));
    EXPECT_FALSE(guard(c, "1.masc:")) << "beyond the sentence's end";
    EXPECT_FALSE(guard(a, "-1.*:"));
    EXPECT_TRUE(guard(a, "1.masc,sg:")) << "a designator stays for the next term";
    EXPECT_FALSE(guard(a, "2.masc,-1.fem:")) << "counted from the node worked on";
    EXPECT_TRUE(guard(b, "-1(masc|pl),fem:")) << "a designator before a group";
    EXPECT_TRUE(guard(b, "-1.masc|sg:")) << "after a bar the offset is the group's";
    EXPECT_FALSE(guard(b, "-1.masc|pl:"));
    EXPECT_EQ(traverseleaves(a, 2), c);
    EXPECT_EQ(traverseleaves(c, -2), a);
    EXPECT_EQ(traverseleaves(c, 1), nullptr);
    EXPECT_EQ(traverseleaves(a, 0), a);
}

TEST_F(Morphology, GuardsOnWordsAndFields)
{
    treenode *a = add("fem", "x,abc;y|");
    treenode *b = add("masc", "|");
    a->morphed_word = v_strdup("singing");
    EXPECT_TRUE(guard(a, "\"*ing\":"));
    EXPECT_FALSE(guard(a, "\"s*x\":"));
    EXPECT_TRUE(guard(b, "-1\"sing*\":"));
    EXPECT_TRUE(guard(a, "<5=ab*>:")) << "an item of field 5";
    EXPECT_TRUE(guard(a, "<5=y>:"));
    EXPECT_FALSE(guard(a, "<5=z*>:"));
    EXPECT_TRUE(guard(b, "-1<5=x>,fem:"));
    EXPECT_FALSE(guard(b, "<9=*>:")) << "no such field";
    leaves[0]->lookup.error = 3;
    EXPECT_FALSE(guard(a, "<5=x>:")) << "a lookup in error has no entry";
}

TEST_F(Morphology, BadGuardsEndCleanly)
{
    treenode *n = add("masc", "");
    std::string deep(30, '(');
    EXPECT_FALSE(guard(n, deep + "masc" + std::string(30, ')') + ":"));
    lines l = newlines();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0], "ERROR attribute input  Guard nested too deeply  ");
    const std::string junk = "masc=x:";
    EXPECT_FALSE(guard(n, junk));
    EXPECT_EQ(end_guard, junk.c_str() + 6) << "stray characters are passed over";
    EXPECT_FALSE(guard(n, "<5=unclosed"));
    EXPECT_FALSE(guard(n, "\"unclosed"));
    EXPECT_FALSE(guard(n, "nosuch:"));
    EXPECT_TRUE(guard(n, "masc"));
}

// ------------------------------------------------------------------ passes

TEST_F(Morphology, PassesByField)
{
    rules("RULE pl pl : \"s\" ; * : \"\" ;");
    add("masc,sg", "\"gato\"|!$pl|\"GATO\"|");
    add("fem,pl", "\"casa\"|!$pl|\"CASA\"|");
    add("fem,sg", "||\"x\"|");
    apply_morph_passes(&root, 0);
    EXPECT_STREQ(leaves[0]->node.morphed_word.get(), "gato");
    EXPECT_STREQ(leaves[1]->node.morphed_word.get(), "casas");
    EXPECT_EQ(leaves[2]->node.morphed_word, nullptr) << "empty fields leave the word";

    morph_passes[3][1] = 7;
    morph_passes[3][2] = 0;
    morph_passes[3][3] = 6;
    apply_morph_passes(&root, 3);
    EXPECT_STREQ(leaves[0]->node.morphed_word.get(), "GATO") << "the first 0 ends the passes";
    EXPECT_STREQ(leaves[2]->node.morphed_word.get(), "x");

    leaves[1]->lookup.error = 3;
    morph_tree(&root, 5);
    EXPECT_STREQ(leaves[1]->node.morphed_word.get(), "CASA") << "a lookup in error is left";
    EXPECT_STREQ(leaves[0]->node.morphed_word.get(), "gato");
}

TEST_F(Morphology, LoadingAgainAndAgain)
{
    for (int i = 0; i < 20; i++) {
        rules("RULE a * : \"x\" ;\nRULE b masc : #5 ;");
        tables("t (\"a\", \"b\")");
        clear_mrules();
        clear_tables();
    }
    EXPECT_EQ(numrules, -1);
    EXPECT_EQ(tablelist, nullptr);

    const std::string rulestext = "RULE a * : \"x\" ;\nRULE b * : \"";
    EXPECT_EQ(readmorphtext(rulestext.data(), rulestext.size(), 0), 2) << "from memory";
    const char tabs[] = "t (1, 2) u (\"";
    EXPECT_EQ(readmorphtext(tabs, sizeof tabs - 1, 1), 2);
}

// Random texts made of the languages' own pieces: reading them and
// evaluating every guard and expression read stays within the buffers (the
// sanitizer build checks) and always ends.
TEST_F(Morphology, GarbageReadAndEvaluatedSafely)
{
    const char *pieces[] = {"r ", "s ", "t", "(", ")", ",", ":", ";", "|", "\"", "$r", "$s",
                            "#5", "#1", "#3", ".2", "-", "&", "!", "<5=", ">", "*", "-1.", "2",
                            "masc", "gender", "pl", "_pre_ ", "_is_ ", "%", " ", "\n", "RULE ",
                            "t(gender,number)", "(((", ")))", "+"};
    const int npieces = sizeof pieces / sizeof *pieces;
    add("masc,sg", "\"a\"$r|#5|");
    treenode *b = add("fem,pl", "t(gender,number)|$s&&|");
    add("", "|");
    unsigned state = 12345;
    auto next = [&] { return (state = state * 1103515245u + 12345u) >> 16; };
    int evaluated = 0;
    for (int round = 0; round < 300; round++) {
        std::string text;
        for (int k = 0; k < 6; k++) {
            text += k % 2 ? "RULE s " : "RULE r ";
            for (int i = 0, n = 5 + next() % 40; i < n; i++)
                text += pieces[next() % npieces];
        }
        readmorphtext(text.data(), text.size(), 0);
        readmorphtext(text.data(), text.size(), 1);
        for (int r = 0; r <= numrules; r++)
            for (const MSUBRULE *s = ruleheader[r].get(); s != nullptr; s = s->nextsub.get()) {
                for (auto &l : leaves) {
                    evaluated++;
                    guard(&l->node, s->guard.get());
                    ASSERT_LT(std::strlen(eval(&l->node, s->mexp.get()).c_str()),
                              static_cast<size_t>(MOUTSIZE));
                }
            }
        for (const TABLE *t = tablelist.get(); t != nullptr; t = t->next.get())
            eval(b, t->elements.get());
        apply_morph_passes(&root, 0);
        print_mrules();
        print_tables();
        newlines();
    }
    EXPECT_GT(evaluated, 200) << "the texts do make rules";
}

} // namespace
