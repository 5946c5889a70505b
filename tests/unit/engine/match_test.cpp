// Random numbers, wildcards, field restrictions, table indexes and the
// preselection lookups.
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Matching : public EngineTest {
protected:
    int delay(int cls, int choice) { return newdelay(cls, choice, choice == -1 ? 0 : 1); }
    void load(const std::string &text)
    {
        file("attr", text);
        readattr("attr");
        newlines();
    }
};

TEST_F(Matching, RandomNumbersFromTheSeed)
{
    seed = 1;
    EXPECT_EQ(getrandom(100), 0) << "100 x 3125 / 2^32 is below 1";
    EXPECT_EQ(seed, 3125u);
    EXPECT_EQ(getrandom(100), static_cast<int>(100.0 * (3125.0 * 3125.0) / 4294967296.0));
    EXPECT_EQ(getrandom(0), -1);

    std::vector<int> first, second;
    reseed(12345);
    for (int i = 0; i < 50; i++)
        first.push_back(getrandom(7));
    reseed(12345);
    for (int i = 0; i < 50; i++)
        second.push_back(getrandom(7));
    EXPECT_EQ(first, second);
    for (int r : first) {
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 7);
    }
    seed = 0xffffffffu;
    for (int i = 0; i < 1000; i++)
        ASSERT_LT(getrandom(3), 3);
}

TEST_F(Matching, ReseedMakesTheSeedOddAndSaysSo)
{
    reseed(4);
    EXPECT_EQ(seed, 5u);
    reseed(-1);
    EXPECT_EQ(seed, 0xffffffffffffffffu) << "a negative seed is taken sign-extended";
    reseed(0);
    EXPECT_EQ(seed & 1, 1u);
    printseed(3);
    lines l = newlines();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], "Setting random seed: 5");
    EXPECT_EQ(l[1], "Setting random seed: 18446744073709551615");
    EXPECT_EQ(corelines(3).back(), "Current random seed: " + std::to_string(seed));
}

TEST_F(Matching, Wildcards)
{
    EXPECT_EQ(match_wild("*ing", "singing", 0, 0), 1);
    EXPECT_EQ(match_wild("s*g", "sing", 0, 0), 1);
    EXPECT_EQ(match_wild("s*x", "sing", 0, 0), 0);
    EXPECT_EQ(match_wild("", "", 0, 0), 1);
    EXPECT_EQ(match_wild("", "a", 0, 0), 0);
    EXPECT_EQ(match_wild("a", "", 0, 0), 0);
    EXPECT_EQ(match_wild("*", "", 0, 0), 1);
    EXPECT_EQ(match_wild("ab*", "abc", 0, 0), 1);
    EXPECT_EQ(match_wild("Sing", "sing", 0, 0), 0) << "case counts";
    EXPECT_EQ(match_wild("a*b*c", "axxbyybzc", 0, 0), 1);
    EXPECT_EQ(match_wild("a*b", "abab", 0, 0), 1);
    EXPECT_EQ(match_wild("a*b", "abac", 0, 0), 0);
    EXPECT_EQ(match_wild("wor*>rest", "word\"|more", '>', '"'), 1)
        << "pattern and text end at their own characters";
    EXPECT_EQ(match_wild("word", "words\"", 0, '"'), 0);
}

TEST_F(Matching, ListsOfItemsAndPatterns)
{
    EXPECT_EQ(match_list("b*", "apple,banana;cherry|later", 0), 1);
    EXPECT_EQ(match_list("later", "apple,banana;cherry|later", 0), 0) << "the list ends at |";
    EXPECT_EQ(match_list("x,y", "\"x,y\",z|", 0), 0);
    EXPECT_EQ(match_list("\"x,y\"", "\"x,y\":z|", 0), 1) << "separators inside quotes do not split";
    EXPECT_EQ(match_pattlist("a*,c*|", "apple,cherry|"), 1);
    EXPECT_EQ(match_pattlist("a*,d*|", "apple,cherry|"), 0);
}

TEST_F(Matching, FieldRestrictions)
{
    const char *record = "word|noun||0001|past|x,y|";
    EXPECT_EQ(match_lsp("|||?|?|", record), 1) << "? accepts any field 5";
    EXPECT_EQ(match_lsp("|||?||", record), 0) << "an empty field 5 wants an empty one";
    EXPECT_EQ(match_lsp("|||?||", "w|n||0001||z|"), 1);
    EXPECT_EQ(match_lsp("|||0001|p*|y|", record), 1);
    EXPECT_EQ(match_lsp("|||?|p*|z|", record), 0);
    EXPECT_EQ(match_lsp("||||", record), 0) << "comparison starts at field 4";
    EXPECT_EQ(match_lsp("|||?|?|?|?|", record), 0) << "the record ran out of fields";
    EXPECT_EQ(match_lsp("|||", record), 1);
    const char coded[] = {'w', '|', 'n', '|', 25, 1, '|', ' ', '|', '0', '0', '0', '1', '|',
                          'p', 'a', 's', 't', '|', 0};
    EXPECT_EQ(match_lsp("|||?|past|", coded), 1) << "a | inside a coded attribute is no field end";
}

TEST_F(Matching, TableIndexFromExplicitValues)
{
    load("number (sg, pl)\nperson (first, second, third)\n%");
    int size = 0;
    EXPECT_EQ(match_index(nullptr, "pl.second", &size), (2 - 1) * 3 + (2 - 1));
    EXPECT_EQ(size, 6);
    EXPECT_EQ(match_index(nullptr, "sg", &size), 0);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(match_index(nullptr, ")", &size), -1) << "no rows";
}

TEST_F(Matching, TableIndexFromTheNode)
{
    load("number (sg, pl)\nperson (first, second, third)\n%");
    treenode node{};
    add_attr_to_list(&node.attributes, nullptr);
    comp_attr ca = nullptr;
    add_comp_attr(&ca, delay(1, 2));
    add_comp_attr(&ca, delay(2, 3));
    add_attr_to_list(&node.attributes, ca);
    int size = 0;
    EXPECT_EQ(match_index(&node, "number.person", &size), 1 * 3 + 2);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(match_index(&node, "number/person", &size), 1) << "a \"/\" row is left out";
    EXPECT_EQ(size, 2);
    EXPECT_EQ(match_index(&node, "person", &size), -1);
    EXPECT_EQ(newlines(), (lines{"ERROR attribute input  Table index attribute type not present "
                                 "in node  "}));
    purge_attr_list(&node.attributes);
}

TEST_F(Matching, PreselectionLookups)
{
    load("number (sg, pl)\nnoun (n1, n2)\n%");
    const char tag[] = {14, 'n', '1', 0};
    EXPECT_EQ(find_pst(tag, 0), tag + 3);
    EXPECT_EQ(pre_status, 1) << "no preselection list";

    t_dict_lookup lookup{};
    treenode rhs{};
    rhs.dictionary = &lookup;
    comp_attr n2 = nullptr, n1 = nullptr;
    add_comp_attr(&n2, delay(2, 2));
    add_comp_attr(&n1, delay(2, 1));
    pre_rule withnode{n1, 1, &rhs, nullptr};
    pre_rule without{n2, 0, nullptr, &withnode};
    preselect_list = &without;

    find_pst("noun", 0);
    EXPECT_EQ(pre_status, 4) << "the open tag meets the clause without a node first";
    find_pst("n1", 0);
    EXPECT_EQ(pre_status, 6);
    EXPECT_EQ(pre_match, &withnode);
    EXPECT_EQ(bad_pst, "n1");
    lookup.error = 3;
    find_pst("n1", 0);
    EXPECT_EQ(pre_status, 5);
    find_pst("sg", 0);
    EXPECT_EQ(pre_status, 3);
    EXPECT_EQ(std::string(pre_error[pre_status]) + bad_pst, "No matching PST: sg");
    find_pst("", 0);
    EXPECT_EQ(pre_status, 2);

    lookup.error = 0;
    const char form1[] = {'n', 'u', 'm', 'b', 'e', 'r', 14, 'n', '1', ' ', 0};
    EXPECT_EQ(analyze_pre(form1), form1 + 9);
    EXPECT_EQ(attr_form, 1);
    EXPECT_EQ(pre_status, 6);
    ASSERT_EQ(attr_index, 1);
    EXPECT_EQ(attr[0].type, 1) << "the rows hold the requested attribute";
    EXPECT_EQ(attr_seg_count(comp_attr_register), 1);

    comp_attr sg = nullptr;
    add_comp_attr(&sg, delay(1, 1));
    add_attr_to_list(&lookup.attributes, sg);
    comp_attr got = attr_from_pre();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->index, sg->index) << "the word's own value";
    purge_comp_attr(&got);

    const char form3[] = {17, 's', 'g', ' ', 0};
    EXPECT_EQ(analyze_pre(form3), form3 + 3);
    EXPECT_EQ(attr_form, 3);

    preselect_list = nullptr;
    purge_attr_list(&lookup.attributes);
    purge_comp_attr(&n1);
    purge_comp_attr(&n2);
}

} // namespace
