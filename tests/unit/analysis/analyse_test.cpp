// The analysis over hand-made root trees: the root set and its messages, the
// best root and its ties, the scores, the words of the response and of the
// trees and their bounds, and what lands in corefiles 7 and 15.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"
#include "analysis/analysis.h"

namespace {

using lines = std::vector<std::string>;

class Analyse : public EngineTest {
protected:
    size_t reportmark = 0;

    void SetUp() override
    {
        EngineTest::SetUp();
        reportmark = corelines(15).size();
    }
    void TearDown() override
    {
        purge_all_trees();
        for (v_text &s : genSentences)
            s.reset();
        EngineTest::TearDown();
    }
    // Root `slot` with one leaf per word, and its kept sentence.
    void tree(int slot, const std::vector<std::string> &words)
    {
        t_treenode *top = makenode(slot == 0 ? "ROOT" : tree_roots[slot].name);
        t_treenode **next = &top->son;
        std::string sentence;
        for (const std::string &w : words) {
            *next = makenode("W");
            (*next)->morphed_word = v_strdup(w.c_str());
            next = &(*next)->sibling;
            sentence += (sentence.empty() ? "" : " ") + w;
        }
        thread(top);
        (slot == 0 ? root : rootPtrs[slot]) = top;
        genSentences[slot] = v_strdup(sentence.c_str());
    }
    lines newreport()
    {
        lines all = corelines(15);
        lines fresh(all.begin() + static_cast<long>(reportmark), all.end());
        reportmark = all.size();
        return fresh;
    }
    static bool has(const lines &l, const std::string &text)
    {
        return std::find(l.begin(), l.end(), text) != l.end();
    }
    static std::vector<int> members()
    {
        std::vector<int> m;
        for (int i = 0; i < NROOTS; i++)
            if (rootset[i])
                m.push_back(i);
        return m;
    }
};

TEST_F(Analyse, RootSetFromNumbersInAnyText)
{
    err_set_rootset("3, 5 12");
    EXPECT_EQ(members(), (std::vector<int>{3, 5, 12}));
    EXPECT_EQ(newlines(), lines{"ROOTSET changed to set: 3 5 12 "});

    err_set_rootset("");
    EXPECT_EQ(members().size(), 19u);
    EXPECT_EQ(members().front(), 2);
    EXPECT_EQ(newlines(), lines{"ROOTSET restored to default set: 2 3 4 ... 20"});

    err_set_rootset("x99999999999999999999999999y007,21,-4");
    EXPECT_EQ(members(), (std::vector<int>{4, 7})) << "huge and out-of-range numbers are left out";
    newlines();
}

TEST_F(Analyse, RootSetListingHoldsEveryMemberOfALongText)
{
    std::string text;
    for (int k = 0; k < 300; k++)
        for (int i = 20; i >= 0; i--)
            text += std::to_string(i) + ",";
    err_set_rootset(text.c_str());
    EXPECT_EQ(members().size(), 21u);
    EXPECT_EQ(newlines(), lines{"ROOTSET changed to set: 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 "
                                "17 18 19 20 "});
}

TEST_F(Analyse, NoTreeInTheSetIsReported)
{
    err_analysis("the dog");
    EXPECT_TRUE(has(newlines(), "No roots found in ROOTSET to perform error testing"));
    tree(1, {"the", "dog"});                   // QUESTION is not in the default set
    err_analysis("the dog");
    EXPECT_TRUE(has(newlines(), "No roots found in ROOTSET to perform error testing"));
    EXPECT_TRUE(newreport().empty());
    err_analysis(nullptr);
    EXPECT_TRUE(has(newlines(), "ERROR   Error analysis called but no student response found  "));
}

TEST_F(Analyse, CorrectResponseScoresNothing)
{
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 9;
    tree(2, {"the", "dog", "runs"});
    err_analysis("the dog runs");
    EXPECT_EQ(newreport(), (lines{"BEST ROOT : R2", "SCORE     : 0", "EXPECTED : the dog runs",
                                  "RESPONSE : the dog runs", "CORRECT", "***"}));
    lines msgs = newlines();
    EXPECT_TRUE(has(msgs, "CURRENT ROOT : R2"));
    EXPECT_TRUE(has(msgs, "SCORE        : 0"));
}

TEST_F(Analyse, LowestScoreWinsAndTiesKeepTheLowerRoot)
{
    vnomatchscore = 5;
    vorderscore = 1;
    tree(2, {"a", "b", "c"});
    tree(4, {"x", "y"});
    err_analysis("x y");
    EXPECT_EQ(newreport()[0], "BEST ROOT : R4");

    tree(3, {"p", "q"});
    tree(5, {"p", "q"});
    err_set_rootset("5 3");
    err_analysis("p z");
    lines r = newreport();
    EXPECT_EQ(r[0], "BEST ROOT : R3");
    EXPECT_EQ(r[1], "SCORE     : 1");
}

TEST_F(Analyse, SingleRootLeavesTheSetAsItWas)
{
    tree(3, {"a"});
    tree(4, {"b"});
    err_analysis_single("b", 3);
    EXPECT_EQ(newreport()[0], "BEST ROOT : R3");
    EXPECT_EQ(rootsetinit, 0) << "a set never chosen stays unchosen";
    err_set_rootset("4");
    err_analysis_single("b", 99);
    EXPECT_TRUE(has(newlines(), "No roots found in ROOTSET to perform error testing"));
    EXPECT_EQ(members(), std::vector<int>{4});
}

TEST_F(Analyse, EmptyResponseMissesEveryWord)
{
    vnomatchscore = 2;
    tree(2, {"the", "dog"});
    err_analysis("   ");
    EXPECT_EQ(newreport(), (lines{"BEST ROOT : R2", "SCORE     : 4", "EXPECTED : the dog",
                                  "RESPONSE :    ", "C1 --  MISSING  the", "C2 --  MISSING  dog",
                                  "***"}));
    EXPECT_TRUE(has(newlines(), "No student response"));
}

TEST_F(Analyse, SpaceEatersAndEmptyLeavesAreExpectedWords)
{
    vnomatchscore = 1;
    tree(2, {"run", "^s", ""});
    err_analysis("run s");
    lines r = newreport();
    EXPECT_EQ(r[1], "SCORE     : 1") << "the empty leaf counts in the length";
    EXPECT_TRUE(has(r, "C2 S2   EXACT   s/s"));
    EXPECT_TRUE(has(r, "C3 --  MISSING  "));
}

// A leaf of marks alone shows no word: it is not expected, and its capital
// goes to the word after it (an empty leaf between them passing it on).
TEST_F(Analyse, MarkOnlyLeavesAreNoWords)
{
    vnomatchscore = 1;
    vapproxscore = 10;
    tree(2, {"`", "", "the", "^", "dog"});
    err_analysis("The dog");
    lines r = newreport();
    EXPECT_EQ(r[1], "SCORE     : 1") << "only the empty leaf counts in the length";
    EXPECT_TRUE(has(r, "C1 --  MISSING  "));
    EXPECT_TRUE(has(r, "C2 S1   EXACT   The/The"));
    EXPECT_TRUE(has(r, "C3 S2   EXACT   dog/dog"));
    purge_all_trees();
    tree(2, {"`", "dog", "`^"});
    err_analysis("dog");
    EXPECT_EQ(newreport(), (lines{"BEST ROOT : R2", "SCORE     : 10", "EXPECTED : ` dog `^",
                                  "RESPONSE : dog", "C1 S1   APPROX   Dog/dog", "***"}));
}

TEST_F(Analyse, ScoresByClassAtEachPosition)
{
    vexactscore = 0;
    vmorphscore = 1;
    vapproxscore = 10;
    vorderscore = 100;
    vphonoscore = 1000;
    vsynscore = 10000;
    vnomatchscore = 100000;
    std::vector<lexdiff> m(6 * 7);
    int classes[] = {0, 1, 2, 3, 4, 5};
    for (int i = 1; i <= 6; i++)
        m[cellat(i, i, 7)].matchclass = classes[i - 1];
    EXPECT_EQ(err_score(m, 6, 7), 111111);
    vnomatchscore = INT_MAX;
    EXPECT_EQ(err_score(m, 6, 7), INT_MAX - 1) << "a huge score still beats no score";
    vexactscore = 0;
}

TEST_F(Analyse, WordsOfTheResponseAndTheirBound)
{
    EXPECT_EQ(err_make_words("  the  dog runs "), (std::vector<std::string>{"the", "dog", "runs"}));
    EXPECT_TRUE(err_make_words("").empty());
    std::string many;
    for (int i = 0; i < ERRWORDS + 30; i++)
        many += "w" + std::to_string(i) + " ";
    std::vector<std::string> w = err_make_words(many.c_str());
    EXPECT_EQ(static_cast<int>(w.size()), ERRWORDS);
    EXPECT_EQ(w.back(), "w" + std::to_string(ERRWORDS - 1));
    EXPECT_TRUE(has(newlines(), "Response cut to 100 words"));
    EXPECT_EQ(err_get_lex_ent(w, 1), "w0");
    EXPECT_EQ(err_get_lex_ent(w, 0), "");
    EXPECT_EQ(err_get_lex_ent(w, ERRWORDS + 1), "");
    EXPECT_EQ(remove_spaceeater("^a^b^"), "ab");
    EXPECT_EQ(remove_spaceeater(nullptr), "");
    // a response typed as the sentence showed it compares exact
    EXPECT_EQ(remove_spaceeater("`the"), "The");
    EXPECT_EQ(remove_spaceeater("`\xe9t^`e`"), "\xc9tE");
    EXPECT_EQ(strdiff(remove_spaceeater("`dog").c_str(), "Dog"), 0);
    for (const char *word : {"`dog", "^a^b^", "`\xe9t^`e`", "", "dog`", "do^g"})
        for (const char *t : {"Dog", "dog", "ab", "\xc9tE", "", "Do", "Dogs", "dog "})
            EXPECT_EQ(shown_as(word, t), remove_spaceeater(word) == t) << word << " as " << t;
}

TEST_F(Analyse, LongTreeIsCutWithAMessage)
{
    std::vector<std::string> words(ERRWORDS + 20, "w");
    tree(2, words);
    EXPECT_EQ(syn_flattened_len(rootPtrs[2]), ERRWORDS + 20);
    EXPECT_STREQ(syn_get_tree_morph(rootPtrs[2], 3), "w");
    EXPECT_STREQ(syn_get_tree_morph(rootPtrs[2], ERRWORDS + 21), "");
    vnomatchscore = 1;
    err_analysis("w w");
    EXPECT_TRUE(has(newlines(), "Expected sentence cut to 100 words"));
    EXPECT_EQ(newreport()[1], "SCORE     : 98");
}

TEST_F(Analyse, RootZeroIsTheSingleRoot)
{
    tree(0, {"hello"});
    err_set_rootset("0");
    err_analysis("hello");
    EXPECT_EQ(newreport()[0], "BEST ROOT : R0");
}

} // namespace
