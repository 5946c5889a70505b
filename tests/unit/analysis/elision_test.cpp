// Response words cut along glued expected words: which way a word is cut,
// where letters added at a boundary go, which run a word is cut against, and
// the words that are never cut.
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "analysis/analysis.h"

namespace {

using words = std::vector<std::string>;

TEST(Elision, CutAlongGluedWords)
{
    // the words before the last exact, whatever the last
    EXPECT_EQ(err_cut_glued("j'aimons", {"j'", "aime"}), (words{"j'", "aimons"}));
    // the words after the first exact
    EXPECT_EQ(err_cut_glued("jaime", {"j'", "aime"}), (words{"j", "aime"}));
    // neither: cut where the spellings align; a changed letter stays in
    // its word, a letter added at the boundary goes to the word after it
    EXPECT_EQ(err_cut_glued("lharbres", {"l'", "arbre"}), (words{"lh", "arbres"}));
    EXPECT_EQ(err_cut_glued("abcXdYefghZ", {"abcd", "efgh"}), (words{"abcXd", "YefghZ"}));
    EXPECT_EQ(err_cut_glued("dammelo", {"da", "m", "me", "lo"}), (words{"da", "m", "me", "lo"}));
    EXPECT_EQ(err_cut_glued("dbmmelo", {"da", "m", "me", "lo"}), (words{"db", "m", "me", "lo"}));
    // not spanning the words
    EXPECT_EQ(err_cut_glued("aime", {"j'", "aime"}), words{});
    EXPECT_EQ(err_cut_glued("j'", {"j'", "aime"}), words{});
    EXPECT_EQ(err_cut_glued("chien", {"j'", "aime"}), words{});
    EXPECT_EQ(err_cut_glued(std::string(5000, 'a'), {"j'", "aime"}), words{});
}

TEST(Elision, UnitsTakeTheClosestRunOnce)
{
    // "j'aime l'arbre et j'aime l'eau": two runs that a word spans
    words expected{"j'", "aime", "l'", "arbre", "et", "j'", "aime", "l'", "eau"};
    std::vector<bool> glued{false, true, false, true, false, false, true, false, true};
    response_units u = err_glued_units({"j'aime", "l'arbre", "et", "j'aimes", "l'eau"}, expected, glued);
    EXPECT_EQ(u.text, (words{"j'", "aime", "l'", "arbre", "et", "j'", "aimes", "l'", "eau"}));
    EXPECT_EQ(u.wordno, (std::vector<int>{1, 1, 2, 2, 3, 4, 4, 5, 5}));

    // a run is cut once; a word that is an expected word is never cut
    u = err_glued_units({"j'aime", "j'aime", "aime"}, {"j'", "aime"}, {false, true});
    EXPECT_EQ(u.text, (words{"j'", "aime", "j'aime", "aime"}));
    EXPECT_EQ(u.wordno, (std::vector<int>{1, 1, 2, 3}));

    // an empty word between breaks the run
    u = err_glued_units({"j'aime"}, {"j'", "", "aime"}, {false, true, true});
    EXPECT_EQ(u.text, words{"j'aime"});
}

TEST(Elision, GlueMarksAsTheSentenceJoinsThem)
{
    bool join = false;
    EXPECT_FALSE(err_glued("j'^", join));
    EXPECT_TRUE(join);
    EXPECT_TRUE(err_glued("aime", join));
    EXPECT_FALSE(join);
    EXPECT_FALSE(err_glued("`", join));       // a capital mark glues nothing
    EXPECT_FALSE(err_glued("tu", join));
    EXPECT_TRUE(err_glued("^`s", join));      // a suffix glued to the word before
    EXPECT_FALSE(err_glued("x^y", join));     // a mark inside a word
    EXPECT_FALSE(join);
}

} // namespace
