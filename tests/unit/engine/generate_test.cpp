// Generations from loaded descriptions: the joined and marked sentence and its
// bound, the weighted choice of words, nothing kept from one generation to
// the next; stored output read back, also from damaged files.
#include <map>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Generate : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file("attr", "number (sg, pl)\n%\n");
        file("terms", "N V X\n");
        readattr("attr");
        read_terminals("terms");
        reseed(7);
    }
    void TearDown() override
    {
        clear_GP();
        purge_syntax();
        clearlexicon();
        clear_terminals();
        EngineTest::TearDown();
    }
    void load(const std::string &lex, const std::string &syn)
    {
        file("lex", lex);
        file("syn", syn);
        initdict();
        readdict("lex");
        read_syntax("syn");
        newlines();
    }
    std::string sentence(int n = 0) { return genSentences[n] ? genSentences[n].get() : "<none>"; }
    lines stored(int kind)
    {
        size_t before = corelines(corenum).size();
        store(kind, 0);
        lines all = corelines(corenum);
        return lines(all.begin() + static_cast<long>(before), all.end());
    }
};

TEST_F(Generate, MarksJoinAndCapitalise)
{
    auto marked = [](const char *in) {
        std::snprintf(sentbuf, sizeof sentbuf, "%s", in);
        postmorph();
        return std::string(sentbuf2);
    };
    EXPECT_EQ(marked("the dog ^s run"), "the dogs run");
    EXPECT_EQ(marked("`the  ` dog"), "The  Dog") << "blanks after a mark go, those before stay";
    EXPECT_EQ(marked("`\xe9t\xe9 `\xfe `\xf7 `1a"), "\xc9t\xe9 \xde \xf7 1a")
        << "accented letters rise, the division sign and digits do not";
    EXPECT_EQ(marked("a ^ ^ ^b"), "ab");
}

TEST_F(Generate, LongSentencesAreCut)
{
    std::string word(100, 'w');
    load("\"" + word + "\"|N||1|#1|\n", "ROOT = N N N N N N N N N N N N %\n");
    interpret();
    EXPECT_EQ(sentence().size(), SENTSIZE - 1);
    std::snprintf(sentbuf, sizeof sentbuf, "%s", std::string(SENTSIZE - 1, '`').c_str());
    postmorph();
    EXPECT_STREQ(sentbuf2, "");
}

TEST_F(Generate, WeightedChoiceNeverTakesFrequencyZero)
{
    load("\"a\"|N||3|#1|\n\"b\"|N||1|#1|\n\"z\"|N||0|#1|\n", "ROOT = N %\n");
    std::map<std::string, int> seen;
    for (int i = 0; i < 4000; i++) {
        interpret();
        seen[sentence()]++;
    }
    EXPECT_EQ(seen.count("z"), 0u);
    EXPECT_NEAR(seen["a"] / 4000.0, 0.75, 0.04);
    EXPECT_NEAR(seen["b"] / 4000.0, 0.25, 0.04);
}

// Each generation starts afresh: slots, delay entries and trees of the one
// before are gone, so nothing builds up over many generations.
TEST_F(Generate, NothingKeptBetweenGenerations)
{
    load("\"dog\"|N|sg|1|#1|\n\"dogs\"|N|pl|1|#1|\n\"runs\"|V|sg|1|#1|\n\"run\"|V|pl|1|#1|\n",
         "ROOT = CHOOSE n : number ; N[n] V[n] N[n] V[n] %\n");
    interpret();
    int slots = d_table_count, delays = delayptr;
    for (int i = 0; i < 500; i++)
        interpret();
    EXPECT_EQ(d_table_count, slots);
    EXPECT_EQ(delayptr, delays);
    EXPECT_TRUE(sentence() == "dog runs dog runs" || sentence() == "dogs run dogs run")
        << sentence();
    EXPECT_EQ(gen_comp(), 0) << "a single root is never a match";
}

TEST_F(Generate, StoredTreesComeBack)
{
    load("\"dog\"|N|number|1|#1|\n\"runs\"|V|sg|1|#1|\n\"^ly\"|X||1|#1|\n",
         "ROOT = N V X %\n");
    interpret();
    ASSERT_EQ(sentence(), "dog runsly");
    lines first = stored(1);
    ASSERT_GE(first.size(), 4u);
    EXPECT_EQ(first[first.size() - 4], "{LEX_0} \"dog\"|N|number|0001|#1||")
        << "a type alone is written by its name";
    std::string text;
    for (const std::string &l : first)
        text += l + "\n";
    file("kept", text);
    restorenode("kept");
    EXPECT_EQ(sentence(), "dog runsly");
    EXPECT_EQ(stored(1), first);
    ASSERT_NE(dict_table[0].attributes, nullptr);
    EXPECT_EQ(print_attr_list(dict_table[0].attributes), "number");
}

TEST_F(Generate, RecoveredSlotsKeepTheirNumbers)
{
    load("\"dog\"|N||1|#1|\n", "ROOT = N %\n");
    file("kept", "$u\n$t 0\nN|G|ROOT||0|\"\"||\nS|G|N||0|\"cat\"|LEX_2|\n$L\n"
                 "{LEX_0} *unused\n{LEX_1} *terminal not found Q\n{LEX_2} \"cat\"|N||0001|#1||\n%\n");
    restorenode("kept");
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->son, nullptr);
    EXPECT_EQ(root->son->index, 2);
    ASSERT_NE(root->son->dictionary->dictionary, nullptr);
    EXPECT_STREQ(root->son->dictionary->dictionary, "\"cat\"|N||0001|#1||");
    EXPECT_EQ(dict_table[0].dictionary, nullptr);
    EXPECT_EQ(d_table_count, 3);
    EXPECT_EQ(sentence(), "cat");

    file("answer", "$u\n$l 2\nN||0|\"yes\"||\n$L\n%\n");
    restorenode("answer");
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(sentence(2), "yes");
    EXPECT_EQ(there_has_been_no_generation(), 0) << "named roots alone can be shown";
}

TEST_F(Generate, DamagedFilesAreReported)
{
    load("\"dog\"|N||1|#1|\n", "ROOT = N %\n");
    const char *damaged[] = {
        "$u\n$t 0\nN|G|ROOT||0|\"\"||\nSS|G|N||0|\"x\"|LEX_9|\n%\n",
        "$u\n$t 0\nN|G|ROOT||0|\"\"||\nSXR|G|N||0|\"x\"||\n%\n",
        "$u\n$t 0\nN|G|ROOT||0|\"\"||\nR|G|N||0|\"x\"||\n%\n",
        "$u\n$t 0\nROOT||0|\"\"||\n  N||0|\"x\"|LEX_0|\n%\n",
        "$u\n$t 0\nN|G|ROOT||0|\"\"||\nS|G|N||0|\"x\"||\nS|G|N||0|\"y\"||\n%\n",
        "$u\n$t 77\n%\n",
        "$u\n$|\n%\n",
        "$u\n$t 0\nS|G|N|no.such,attr|0|\"unclosed|LEX_99999999999|\n",
    };
    for (const char *text : damaged) {
        file("bad", text);
        restorenode("bad");
        lines got = newlines();
        bool told = false;
        for (const std::string &l : got)
            told = told || l.rfind("Unable to recover tree. Cause:", 0) == 0;
        EXPECT_TRUE(told || text == damaged[7]) << text;
    }
    restorenode("");
    EXPECT_EQ(newlines(), lines{"Unable to recover tree. Cause: filename not specified."});
    restorenode("missing");
    EXPECT_EQ(newlines(), lines{"Unable to recover tree. Cause: filename [missing] does not exist "
                                "or insufficient access"});
}

TEST_F(Generate, GlobalChoicesSurviveGenerations)
{
    file("attr", "number (sg, pl)\nrole (subj, obj)\n%\n");
    readattr("attr");
    load("\"cat\"|N||1|#1|\n\"dog\"|N||1|#1|\n\"cow\"|N||1|#1|\n\"hen\"|N||1|#1|\n"
         "\"runs\"|V||1|#1|\n\"sits\"|V||1|#1|\n",
         "PRESELECT = subj : N %\nROOT = N/_pre_ subj V %\n");
    global_preselect();
    interpret();
    std::string subject = sentence().substr(0, 3);
    for (int i = 0; i < 40; i++) {
        interpret();
        EXPECT_EQ(sentence().substr(0, 3), subject);
    }
    clear_GP();
    std::map<std::string, int> seen;
    for (int i = 0; i < 40; i++) {
        interpret();
        seen[sentence().substr(0, 3)]++;
    }
    EXPECT_GT(seen.size(), 1u) << "without it each generation chooses again";
}

} // namespace
