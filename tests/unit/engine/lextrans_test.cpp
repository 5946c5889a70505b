// Lexical transformations: the order in which the search visits entries,
// variables shared between patterns, suspension and resumption, templates,
// buffer limits, and inline sequences of "_ilt_" entries.
#include <csignal>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class LexTrans : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file("attrs", "gender (masc, fem)\nnumber (sg, pl)\n{ordered}\ndegree (pos < comp < sup)\n%\n");
        readattr("attrs");
        file("terms", "N V Adj\n");
        read_terminals("terms");
        file("lex", "\"chien\"|N|masc.sg|5|\n"
                    "\"table\"|N|fem.sg|3|\n"
                    "\"grand\"|Adj|masc.sg, >comp|2|\n"
                    "\"grande\"|Adj|fem.sg|2|\n"
                    "\"court\"|V|sg|1|\n");
        initdict();
        readdict("lex");
        newlines();
        corenum = 3;
    }
    void TearDown() override
    {
        purge_lt_rules();
        clearlexicon();
        clear_terminals();
        corenum = 1;
        EngineTest::TearDown();
    }
    int rules(const std::string &text) { return readlttext(text.data(), text.size()); }
    lines run(int n)
    {
        inittrans(n);
        size_t before = corelines(3).size();
        exectrans();
        lines all = corelines(3);
        return lines(all.begin() + static_cast<long>(before), all.end());
    }
};

// Entries are tried newest first, class after class for "?", and the last
// pattern varies fastest; a shared variable keeps only agreeing pairs and
// is free again once the run is over.
TEST_F(LexTrans, SearchOrderAndSharedVariable)
{
    ASSERT_EQ(rules("RULE 1 ? _rhs_ !1 %\n"
                    "RULE 2 (g : gender) ? | N | g.sg | _lsp_ ? | Adj | g.sg | _rhs_ !1 \"+\" !1.2 \"=\" g %\n"
                    "RULE 3 ? | N | ? | _lsp_ ? | Adj | ? | _rhs_ !1 !1.2 %\n"),
              3);
    EXPECT_EQ(run(1), (lines{"\"table\"", "\"chien\"", "\"court\"", "\"grande\"", "\"grand\""}));
    EXPECT_EQ(run(2), (lines{"\"table\"+\"grande\"=fem", "\"chien\"+\"grand\"=masc"}));
    EXPECT_EQ(run(3), (lines{"\"table\"\"grande\"", "\"table\"\"grand\"", "\"chien\"\"grande\"",
                             "\"chien\"\"grand\""}));
    newlines();
    EXPECT_EQ(run(2).size(), 2u);      // the variable was unbound after the first run
}

TEST_F(LexTrans, FieldThreeWithValuesLeftOut)
{
    ASSERT_EQ(rules("RULE 1 \"grand\" _rhs_ !3 %\n"
                    "RULE 2 \"grand\" _rhs_ !3-comp %\n"
                    "RULE 3 \"grand\" _rhs_ !3-masc %\n"
                    "RULE 4 \"grand\" _rhs_ !3-sg-comp \"|\" !2 %\n"
                    "RULE 5 \"grand\" _rhs_ \"x,\" !3-masc %\n"),
              5);
    EXPECT_EQ(run(1), lines{"masc.sg,>comp"});
    EXPECT_EQ(run(2), lines{"masc.sg"});
    EXPECT_EQ(run(3), lines{"sg,>comp"});
    EXPECT_EQ(run(4), lines{"masc|Adj"});
    EXPECT_EQ(run(5), lines{"x,sg,>comp"});   // the template's own comma stays
}

// The interrupt key suspends a run; resuming writes the rest, each line once;
// selecting a rule discards a suspended run.
TEST_F(LexTrans, AbortAndResume)
{
    ASSERT_EQ(rules("RULE 1 ? _rhs_ !1 %\nRULE 2 ? | V | ? | _rhs_ !2 %\n"), 2);
    inittrans(1);
    newlines();
    IntHandler(SIGINT);
    exectrans();
    EXPECT_EQ(newlines(), lines{"Abort -- 0 words generated"});
    EXPECT_EQ(v_stat, 2);
    size_t before = corelines(3).size();
    exectrans();
    EXPECT_EQ(corelines(3).size(), before + 5);
    EXPECT_EQ(newlines(), lines{"Total Words Generated: 5."});

    inittrans(1);
    IntHandler(SIGINT);
    exectrans();
    EXPECT_EQ(run(2), lines{"V"});     // the suspended rule 1 is gone
    EXPECT_EQ(newlines().back(), "Total Words Generated: 1.");
    exectrans();                       // a finished run starts again
    EXPECT_EQ(newlines().back(), "Total Words Generated: 1.");

    // A suspended run does not outlive the lexicon whose entries it was visiting.
    inittrans(1);
    IntHandler(SIGINT);
    exectrans();
    clearlexicon();
    initdict();
    readdict("lex");
    newlines();
    exectrans();
    EXPECT_EQ(newlines(), lines{"Total Words Generated: 5."});
}

TEST_F(LexTrans, LongTextsRefused)
{
    std::string big(1100, 'a');
    std::string words;
    for (int i = 0; i < 120; i++)
        words += "abcdefghijklmnopqrstuvwxyz0123456789abc ";
    ASSERT_EQ(rules("RULE 1 ? _rhs_ \"" + big + "\" %\nRULE 2 ? _rhs_ " + words + "%\n"), 1);
    lines msgs = newlines();
    EXPECT_NE(std::find(msgs.begin(), msgs.end(),
                        "ERROR LT Rules rule 2    Buffer overflow.  Expected one of the following:  % "),
              msgs.end());
    EXPECT_EQ(run(1), lines{});         // no line of 1100 characters, and the run stops
    EXPECT_EQ(newlines(), (lines{"LT rule selected: 1.",
                                 "ERROR Exec LT Rule     Result of LT rule too long   "}));
    purge_lt_rules();
    lt_delayptr = NDELAY;
    EXPECT_EQ(rules("RULE 3 (g : gender) ? _rhs_ a %\n"), 0);
    EXPECT_EQ(newlines()[0], "ERROR LT Rules rule 3    Ran out of table space for attributes  ");
    purge_lt_rules();                  // unloading gives the entries back
    EXPECT_EQ(rules("RULE 3 (g : gender) ? _rhs_ a %\n"), 1);
}

TEST_F(LexTrans, PatternNodesForMorphologyGuards)
{
    EXPECT_EQ(lt_getlspptr(1), nullptr);
    ASSERT_EQ(rules("RULE 1 ? | N | ? | _lsp_ ? | V | ? | _rhs_ a %\n"), 1);
    inittrans(1);
    ASSERT_NE(lt_getlspptr(2), nullptr);
    EXPECT_EQ(lt_getlspptr(2), lt_getlspptr(1)->right);
    EXPECT_EQ(lt_getlspptr(3), nullptr);
    newlines();
    inittrans(1);
    EXPECT_EQ(newlines(), lines{"LT rule selected: 1."});
}

// An "_ilt_" entry chosen for a slot brings its own patterns as new slots;
// their words are chosen, and the entry's template gives the slot its text.
TEST_F(LexTrans, InlineSequence)
{
    file("ilt", "\"chien\"|N|masc.sg|5|\n"
                "_ilt_|Adj|sg|9|_lsp_ \"chien\"|N|masc.sg|_rhs_ [#1 + \"s\"] !2|Adj|\n");
    clearlexicon();
    initdict();
    readdict("ilt");
    d_table_count = 0;
    preselect_barrier = 0;
    t_treenode *node = makenode("Adj");
    terminal_node(node);
    fill_word(node);
    getwords(0);
    ASSERT_EQ(d_table_count, 2);
    ASSERT_NE(dict_table[1].dictionary, nullptr);
    EXPECT_EQ(std::string(dict_table[1].dictionary).substr(0, 7), "\"chien\"");
    ASSERT_NE(dict_table[0].dictionary, nullptr);
    EXPECT_EQ(std::string(dict_table[0].dictionary), "\"chiens\"N|Adj|");
    node->dictionary = nullptr;
    purge_node(node);
}

}  // namespace
