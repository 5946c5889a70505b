// Variants of expected words: the morph-error, tags and phonology files with
// their messages, the odometer over varied types, minimal differences, lexical
// alternatives under tags and phonological spellings, and the limits.
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"
#include "analysis/analysis.h"

namespace {

using lines = std::vector<std::string>;

// Field 22 of an entry: its fields 7..21 left empty.
std::string field22(const std::string &start, const std::string &ipa)
{
    int bars = 0;
    for (char c : start)
        bars += c == '|';
    std::string s = start;
    for (; bars < 21; bars++)
        s += '|';
    return s + ipa + "|";
}

class Variants : public EngineTest {
protected:
    std::vector<std::unique_ptr<t_dict_lookup>> slots;
    std::vector<t_treenode *> leaves;

    void SetUp() override
    {
        EngineTest::SetUp();
        file("attrs", "number (sg, pl)\nperson (p1, p2, p3)\n"
                      "big (b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15,"
                      " b16, b17, b18, b19, b20, b21, b22)\n"
                      "t1 (c1, c2, c3, c4, c5, c6, c7, c8, c9)\n"
                      "t2 (d1, d2, d3, d4, d5, d6, d7, d8, d9)\n"
                      "t3 (e1, e2, e3, e4, e5, e6, e7, e8, e9)\n"
                      "t4 (f1, f2, f3, f4, f5, f6, f7, f8, f9)\n%\n");
        readattr("attrs");
        file("terms", "Det N V\n");
        read_terminals("terms");
        file("morph", "RULE noun pl : \"s\" ; sg : \"\" ;\n"
                      "RULE verb sg , p3 : \"s\" ; * : \"\" ;\n");
        new_readmorph("morph");
        file("lex", "\"the\"|Det||1|#1|\n"
                    "\"dog\"|N|number|1|\"dog\"$noun||synonym:\"hound\";antonym:\"cat\""
                    "|other:\"nothing\"|\n"
                    "\"hound\"|N|number|1|\"hound\"$noun|\n" +
                        field22("\"cat\"|N|number|1|\"cat\"$noun|", "\"kat\"") + "\n" +
                        field22("\"kit\"|N|number|1|\"kit\"$noun|", "\"kat\"") + "\n" +
                        field22("\"zoo\"|N|number|1|\"zoo\"|", "\"zu\"") + "\n" +
                        field22("\"long\"|N|number|1|\"long\"|", "\"kakakakakakakakakakat\"") +
                        "\n"
                        "\"run\"|V|number, person|1|\"run\"$verb||antonym:\"walk\"/V|\n"
                        "\"walk\"|V|number, person|1|\"walk\"$verb|\n"
                        "\"many\"|Det|big, t1, t2, t3, t4|1|#1|\n");
        initdict();
        readdict("lex");
        file_operation = "";
        newlines();
    }
    void TearDown() override
    {
        for (t_treenode *n : leaves)
            purge_node(n);
        for (auto &s : slots)
            clearslot(*s);
        clear_mrdata();
        clear_tag_tables();
        clear_phon_tables();
        clear_mrules();
        clearlexicon();
        clear_terminals();
        delayptr = 0;
        EngineTest::TearDown();
    }
    // A leaf of a terminal showing a word of the lexicon, with attributes.
    t_treenode *leaf(const char *cls, const char *word, std::vector<const char *> attrs)
    {
        t_treenode *n = makenode(cls);
        leaves.push_back(n);
        for (const char *a : attrs) {
            text_to_comp_struct(a, 0);
            add_attr_to_list(&n->attributes, comp_attr_register);
            comp_attr_register = nullptr;
        }
        auto slot = std::make_unique<t_dict_lookup>();
        slot->class_ = v_strdup(cls);
        slot->vf = -1;
        std::string quoted = std::string("\"") + word + "\"|";
        for (const recnode *r = dictionary[lookup_terminal(cls)]; r; r = r->previous)
            if (std::string(r->recordptr.get()).rfind(quoted, 0) == 0)
                slot->dictionary = r->recordptr.get();
        n->dictionary = slot.get();
        slots.push_back(std::move(slot));
        morph_word(n, 5);
        return n;
    }
    void merrors(const std::string &text)
    {
        file("merr", text);
        merror_readtables("merr");
        mrmodify();
    }
    static std::vector<std::string> variants(const t_treenode *n)
    {
        std::vector<std::string> out;
        for (const morphvar *v = n->mvar; v != nullptr; v = v->next)
            if (v->kind == MVVARIANT)
                out.push_back(v->variant);
        return out;
    }
    static std::vector<std::string> breakups(const std::string *b)
    {
        std::vector<std::string> out;
        for (int i = 0; i < BREAKUPS && !b[i].empty(); i++)
            out.push_back(b[i]);
        return out;
    }
    static lexdiff cell()
    {
        lexdiff d;
        d.matchclass = 3;
        d.error[0] = "none";
        return d;
    }
};

// ------------------------------------------------------- morph-error file

TEST_F(Variants, OdometerGivesEveryCombinationButTheLeafsOwn)
{
    merrors("V number person )\n");
    t_treenode *run = leaf("V", "run", {"sg", "p3"});
    EXPECT_STREQ(run->morphed_word.get(), "runs");
    make_variants(run);
    std::vector<std::string> v = variants(run);
    ASSERT_EQ(v.size(), 11u) << "(2+1) x (3+1) - 1";
    std::set<std::vector<int>> combos;
    for (const morphvar *m = run->mvar; m != nullptr; m = m->next) {
        if (m->kind != MVVARIANT)
            continue;
        std::vector<int> c;
        for (int i = 1; i <= m->attrcomb[0]; i++)
            c.push_back(delayed[m->attrcomb[i]].choice + 10 * delayed[m->attrcomb[i]].class_);
        combos.insert(c);
    }
    EXPECT_EQ(combos.size(), 11u) << "no combination twice, the empty one never";
    EXPECT_EQ(combos.count({}), 0u);
    EXPECT_EQ(v.front(), "run") << "the last combination (pl, p3) is at the front";
    EXPECT_EQ(v.back(), "run") << "the first (p1) at the end";
    EXPECT_EQ(std::count(v.begin(), v.end(), "runs"), 3) << "sg p3, sg alone and p3 alone";

    hitype = 2;
    term = lookup_terminal("V");
    init_comb();
    int n = 0;
    while (incr_comb())
        n++;
    EXPECT_EQ(n, 11);
    EXPECT_EQ(comb[1] + comb[2], 0) << "the odometer wraps to all zero";
}

TEST_F(Variants, WholeTypeCoversItsValues)
{
    merrors("N sg number pl number )\nV p2 p1 p2 )\n");
    int n = lookup_terminal("N"), v = lookup_terminal("V");
    EXPECT_EQ(std::vector<int>(mrdata[n], mrdata[n] + 3), (std::vector<int>{1, -1, 0}));
    EXPECT_EQ(std::vector<int>(mrdata[v], mrdata[v] + 5), (std::vector<int>{2, 1, 2, 2, 0}))
        << "sorted, the repeated p2 once";
    EXPECT_EQ(mrmod[n][0][0], 1);
    EXPECT_EQ(mrmod[n][1][0], 2) << "the whole type stands for sg and pl";
    EXPECT_EQ(mrmod[v][1][0], 2);
    EXPECT_EQ(newlines(), (lines{"Finished reading morph error input from file 'merr' [2 lines.]"}));
    print_merror_tables();
    EXPECT_EQ(newlines(), (lines{"Det", "N", "1", "-1", "V", "2", "1", "2", "2"}));
}

// Clearing and making the modifiers again leave nothing of a class the
// next file does not name, whichever rows the earlier file filled.
TEST_F(Variants, ClearingLeavesNoRowBehind)
{
    int det = lookup_terminal("Det"), n = lookup_terminal("N"), v = lookup_terminal("V");
    merrors("V p2 p1 )\nN number )\n");
    ASSERT_EQ(mrmod[v][0][0], 1);
    clear_mrdata();
    merrors("Det sg )\n");
    for (int c : {n, v}) {
        EXPECT_EQ(std::vector<int>(mrdata[c], mrdata[c] + 4), (std::vector<int>{0, 0, 0, 0})) << c;
        EXPECT_EQ(mrmod[c][0][0], 0) << c;
        EXPECT_EQ(mrmod[c][1][0], 0) << c;
    }
    EXPECT_EQ(mrmod[det][0][0], 1);
    EXPECT_EQ(mrmod[det][1][0], 1);
    clear_mrdata();
    mrmodify();
    EXPECT_EQ(mrmod[det][0][0], 0);
    EXPECT_EQ(mrdata[det][0], 0);
}

TEST_F(Variants, MorphErrorMessages)
{
    std::string many = "Det";
    for (int i = 0; i < 41; i++)
        many += " sg";
    merrors("Q sg )\nN bogus )\n" + many + " )\nN number pl )\n");
    EXPECT_EQ(newlines(),
              (lines{"ERROR morph error input Q Terminal not in terminal list Q ",
                     "ERROR morph error input N Attribute not in attribute list bogus ",
                     "ERROR morph error input Det Maximum allowable types/values for a terminal "
                     "sg ",
                     "Finished reading morph error input from file 'merr' [4 lines.]"}));
    EXPECT_EQ(mrdata[lookup_terminal("N")][1], -1) << "the good names of a group are kept";
    EXPECT_EQ(mrdata[lookup_terminal("N")][2], 0);
}

TEST_F(Variants, VariedTypesAndValuesAreBounded)
{
    std::string values = "V";
    for (int i = 1; i <= 22; i++)
        values += " b" + std::to_string(i);
    merrors(values + " )\nN big number person t1 t2 t3 t4 sg )\n");
    lines got = newlines();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "ERROR morph error input V Maximum values of a varied type: V b21");
    EXPECT_EQ(got[2], "ERROR morph error input N Maximum values of a varied type, only 20 "
                      "used: N big");
    int v = lookup_terminal("V"), n = lookup_terminal("N");
    EXPECT_EQ(mrmod[v][1][0], VARVALUES);
    EXPECT_EQ(mrmod[n][0][0], 7);
    EXPECT_EQ(mrmod[n][3][0], VARVALUES) << "big, after number and person";

    // 21 x 3 x 4 x 10^4 combinations: the variants stop at the limit.
    t_treenode *dog = leaf("N", "dog", {"sg"});
    make_variants(dog);
    EXPECT_EQ(variants(dog).size(), static_cast<size_t>(MAXVARIANTS));
    EXPECT_EQ(newlines(), (lines{"Too many morphological variants of dog: only 4096 made"}));
}

TEST_F(Variants, RepeatedPreparationTakesNoMoreDelayEntries)
{
    merrors("V number person )\n");
    int after = delayptr;
    EXPECT_EQ(after, 5);
    mrmodify();
    mrmodify();
    EXPECT_EQ(delayptr, after);
    newdelay(1, 1, 1);                // something taken after them: fresh entries
    mrmodify();
    EXPECT_EQ(delayptr, after + 1 + 5);
}

// --------------------------------------------------------------- compare

TEST_F(Variants, MinimalDifferencesExplainTheMatch)
{
    merrors("V number person )\n");
    t_treenode *run = leaf("V", "run", {"sg", "p3"});
    make_variants(run);
    std::string b[BREAKUPS];
    ASSERT_EQ(compare_var("run", run, b), 1);
    EXPECT_EQ(breakups(b), (lines{"sg/pl", "p3/p2", "p3/p1"}))
        << "pl with p1 or p2 is explained already by one of them";
    EXPECT_EQ(compare_var("runs", run, b), 1);
    EXPECT_EQ(breakups(b), (lines{"/"})) << "variants that change nothing";
    EXPECT_EQ(compare_var("ran", run, b), 0);
    EXPECT_EQ(breakups(b), lines{});

    t_treenode *bare = leaf("V", "run", {"sg"});
    make_variants(bare);
    EXPECT_STREQ(bare->morphed_word.get(), "run");
    ASSERT_EQ(compare_var("runs", bare, b), 1);
    EXPECT_EQ(breakups(b), (lines{"/p3"})) << "a type the leaf lacks";
}

TEST_F(Variants, ContainsComparesTheVariantSides)
{
    merrors("V number person )\n");
    int sg = mrmod[lookup_terminal("V")][1][1], p1 = mrmod[lookup_terminal("V")][2][1];
    difference a{}, b{};
    a.left[a.ltind++] = sg;
    b.left[b.ltind++] = sg;
    EXPECT_EQ(contains(a, b), 0);
    b.left[b.ltind++] = p1;
    EXPECT_EQ(contains(a, b), 2);
    EXPECT_EQ(contains(b, a), 1);
    a.left[0] = p1 + 1;
    EXPECT_EQ(contains(a, b), 3);
}

TEST_F(Variants, VariantsAreFreedWithTheirLeaf)
{
    merrors("N number )\n");
    t_treenode *dog = leaf("N", "dog", {"pl"});
    EXPECT_STREQ(dog->morphed_word.get(), "dogs");
    make_variants(dog);
    EXPECT_EQ(variants(dog), (lines{"dogs", "dog"}));
    make_variants(dog);
    EXPECT_EQ(variants(dog).size(), 2u) << "made again, not added";
    t_treenode *none = leaf("Det", "the", {});
    make_variants(none);
    EXPECT_TRUE(variants(none).empty()) << "a class without morph errors";
    EXPECT_STREQ(dog->morphed_word.get(), "dogs") << "the leaf keeps its word";
}

// ----------------------------------------------------------------- tags

TEST_F(Variants, TwoTagsGiveClassesFiveAndSix)
{
    file("tags", "synonym (7) antonym(7) broken ( x ) last\n");
    tag_readtables("tags");
    ASSERT_EQ(taglist.size(), 2u);
    EXPECT_EQ(taglist[0].tag_int, 5);
    EXPECT_EQ(taglist[1].tag_int, 6);
    EXPECT_EQ(taglist[1].field, 7);
    EXPECT_EQ(err_get_tag_name(6)->tag, "antonym");
    EXPECT_EQ(err_get_tag_name(7), nullptr);
    EXPECT_EQ(newlines(), (lines{"ERROR tag info input tag broken tag without a field number: "
                                 "broken ",
                                 "Finished reading tag info input from file 'tags' [1 lines.]",
                                 "ERROR tag info input tag last tag without a field number: last "}));

    t_treenode *dogs = leaf("N", "dog", {"pl"});
    lexdiff d = cell();
    err_match_syn("hounds", dogs, &d);
    EXPECT_EQ(d.matchclass, 5) << "inflected like the leaf";
    d = cell();
    err_match_syn("cats", dogs, &d);
    EXPECT_EQ(d.matchclass, 6);
    d = cell();
    err_match_syn("cat", dogs, &d);
    EXPECT_EQ(d.matchclass, 3) << "not inflected like the leaf";

    t_treenode *runs = leaf("V", "run", {"sg", "p3"});
    d = cell();
    err_match_syn("walks", runs, &d);
    EXPECT_EQ(d.matchclass, 6) << "the listed class";
    EXPECT_EQ(newlines(), lines{});
}

TEST_F(Variants, ClausesOfAField)
{
    EXPECT_STREQ(err_findtag(" a : \"x\"; b:\"y\"|", "b"), "\"y\"|");
    EXPECT_STREQ(err_findtag("a:\"x\"; \"u\";b:\"y\"|", nullptr), "\"u\";b:\"y\"|");
    EXPECT_EQ(err_findtag("a:\"x\"|", "b"), nullptr);
    EXPECT_EQ(newlines(), lines{});
    EXPECT_EQ(err_findtag("a:\"x\"; b|", "b"), nullptr);
    EXPECT_EQ(err_findtag("a:\"x\";b", "b"), nullptr);
    EXPECT_EQ(newlines(), (lines{"ERROR   Indirection not found  ",
                                 "ERROR   [Indirection] Unexpected end of lexical entry  "}));
    std::vector<word_choice> w = err_get_word_choices("\"a b\"/N, \"c\" ,\"d\" / V;\"e\"");
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].word, "a b");
    EXPECT_EQ(w[0].wordclass, "N");
    EXPECT_EQ(w[1].wordclass, "");
    EXPECT_EQ(w[2].wordclass, "V");
}

TEST_F(Variants, AnUnknownWordGivesNoAlternatives)
{
    t_treenode *dog = leaf("N", "dog", {"sg"});
    EXPECT_TRUE(err_gen_syn(dog, "other", 8).empty());
    EXPECT_EQ(newlines(), (lines{"ERROR   Indirection not found nothing N"}));
    EXPECT_EQ(err_gen_syn(dog, "synonym", 7), (lines{"hound"}));
    EXPECT_STREQ(dog->morphed_word.get(), "dog");
}

// ------------------------------------------------------------ phonology

TEST_F(Variants, PhonologicalSpellings)
{
    file("ipa", "\"k\" (\"c\", \"k\") \"a\" (\"a\") % \"t\" (\"t\", \"tt\")\n");
    phon_readtables("ipa");
    EXPECT_EQ(newlines(), (lines{"Finished reading phon table input from file 'ipa' [1 lines.]"}));
    t_treenode *cat = leaf("N", "cat", {"sg"});
    EXPECT_EQ(err_pronunciation(cat), "kat");
    EXPECT_STREQ(cat->morphed_word.get(), "cat");

    lexdiff d = cell();
    err_match_phono("kat", cat, &d);
    EXPECT_EQ(d.matchclass, 4);
    EXPECT_EQ(breakups(d.breakup), (lines{"c/k"}));
    EXPECT_EQ(d.error[0], "none");
    d = cell();
    err_match_phono("katt", cat, &d);
    EXPECT_EQ(breakups(d.breakup), (lines{"c/k", "t/tt"}));
    d = cell();
    err_match_phono("cad", cat, &d);
    EXPECT_EQ(d.matchclass, 3) << "not a spelling of the pronunciation";
    d = cell();
    err_match_phono("ka", cat, &d);
    EXPECT_EQ(d.matchclass, 3) << "word and symbols end together";

    t_treenode *kit = leaf("N", "kit", {"sg"});
    d = cell();
    err_match_phono("cat", kit, &d);
    EXPECT_EQ(d.matchclass, 4);
    EXPECT_EQ(d.error[0],
              "ERROR: correct word does not match ipa string, though student response does");
    EXPECT_EQ(newlines(), lines{});
}

TEST_F(Variants, PhonologyFailures)
{
    t_treenode *cat = leaf("N", "cat", {"sg"});
    lexdiff d = cell();
    err_match_phono("kat", cat, &d);
    EXPECT_EQ(d.matchclass, 3) << "no tables: never class 4";

    file("ipa", "\"k\" (\"c\", \"k\") \"a\" (\"a\", \"u\") \"t\" (\"t\")\n");
    phon_readtables("ipa");
    newlines();
    t_treenode *zoo = leaf("N", "zoo", {"sg"});
    err_match_phono("zu", zoo, &d);
    EXPECT_EQ(d.matchclass, 3);
    EXPECT_EQ(newlines(), (lines{"ipa symbol has no entry in phonology tables"}));

    t_treenode *longer = leaf("N", "long", {"sg"});
    err_match_phono("cacacacacacacacacacat", longer, &d);
    EXPECT_EQ(d.matchclass, 3);
    EXPECT_EQ(newlines(), (lines{"pronunciation kakakakakakakakakakat longer than 20 symbols: "
                                 "not compared"}));

    t_treenode *the = leaf("Det", "the", {});
    err_match_phono("the", the, &d);
    EXPECT_EQ(d.matchclass, 3) << "no pronunciation";
    EXPECT_EQ(newlines(), lines{});
}

TEST_F(Variants, PhonologyFileMessages)
{
    file("ipa", "\"xy\" (\"q\") ) \"t\" (\"t\", \"t|t\", w)\n\"e\" (\"e\"");
    phon_readtables("ipa");
    EXPECT_EQ(newlines(),
              (lines{"ERROR phon table input table xy table symbol is not one character: xy ",
                     "ERROR phon table input table xy unexpected outside a table: char ')' ",
                     "phon table input warning: | within quotes",
                     "ERROR phon table input table t spelling holds | or a zero byte, left out: t|t ",
                     "ERROR phon table input table t unexpected in a table: identifier: w ",
                     "Finished reading phon table input from file 'ipa' [1 lines.]",
                     "ERROR phon table input table e table not closed  "}));
    ASSERT_NE(err_get_phontable_pointer('t'), nullptr);
    EXPECT_STREQ(err_get_phontable_pointer('t')->elements.get(), "t|");
    EXPECT_NE(err_get_phontable_pointer('e'), nullptr) << "kept though not closed";
    EXPECT_EQ(err_get_phontable_pointer('x'), nullptr);
    EXPECT_EQ(readvarianttext("\"a\" (\"a\")", 9, 2), 1);
    clear_phon_tables();
    EXPECT_EQ(phontablelist, nullptr);
}

// ------------------------------------------------------------ kept words

TEST_F(Variants, KeptWordsServeLaterResponsesUntilTheDataChanges)
{
    merrors("N number )\n");
    file("tags", "synonym (7)\n");
    tag_readtables("tags");
    file("ipa", "\"k\" (\"c\", \"k\") \"a\" (\"a\") \"t\" (\"t\")\n");
    phon_readtables("ipa");
    t_treenode *top = makenode("ROOT");
    leaves.push_back(top);
    t_treenode *dog = leaf("N", "dog", {"pl"}), *cat = leaf("N", "cat", {"sg"});
    top->right = dog;
    dog->right = cat;
    cat->left = dog;
    mrmodify();
    all_variants(top);
    lexdiff d = cell();
    err_match_syn("hounds", dog, &d);
    EXPECT_EQ(d.matchclass, 5);
    mrmodify();
    all_variants(top);
    EXPECT_NE(findmark(dog, MVSYN), nullptr) << "the next analysis keeps them";
    EXPECT_EQ(variants(dog), (lines{"dogs", "dog"}));

    newlines();
    file("tags2", "other (8) synonym (8)\n");
    clear_tag_tables();
    tag_readtables("tags2");
    EXPECT_EQ(findmark(dog, MVSYN), nullptr) << "the tags changed";
    d = cell();
    err_match_syn("hounds", dog, &d);
    EXPECT_EQ(d.matchclass, 3) << "field 8 lists no hound";
    mrmodify();
    all_variants(top);
    EXPECT_EQ(variants(dog), (lines{"dogs", "dog"}));

    d = cell();
    err_match_phono("kat", cat, &d);
    EXPECT_EQ(d.matchclass, 4);
    morph_passes[NMORPHTREES - 1][1] = 5;   // the pronunciation is now the word itself
    morph_passes[NMORPHTREES - 1][2] = 0;
    d = cell();
    err_match_phono("kat", cat, &d);
    EXPECT_EQ(d.matchclass, 3) << "made again with the new passes";
    err_match_phono("kat", cat, &d);
    EXPECT_EQ(newlines(), (lines{"Finished reading tag info input from file 'tags2' [1 lines.]",
                                 "ERROR   Indirection not found nothing N",
                                 "ipa symbol has no entry in phonology tables"}))
        << "each reason once for the leaf";
}

}  // namespace
