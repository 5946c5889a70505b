// The lexicon: agreement of records with leaf attributes, frequency
// adjustments, the weighted choice, and reading files into records.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

// Encoded segment: byte 25, type, value.
std::string seg(int type, int value)
{
    return std::string{static_cast<char>(25), static_cast<char>(type), static_cast<char>(value)};
}

class Lexicon : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        nounkinds();
        newlines();
    }
    void TearDown() override
    {
        clearlexicon();
        clearrecoveredlexicon();
        clear_terminals();
        newM = 0;
        EngineTest::TearDown();
    }
    lines lexicon(const std::string &text)
    {
        file("lex", text);
        initdict();
        readdict("lex");
        return newlines();
    }
    // Rows of attr from (type, value) pairs.
    void rows(std::initializer_list<std::pair<int, int>> pairs)
    {
        attr_index = 0;
        for (auto [t, v] : pairs)
            attr[attr_index++] = {t, v, 0, -1, 0};
    }
    attr_list leaf(std::initializer_list<std::initializer_list<std::pair<int, int>>> comps)
    {
        attr_list list = nullptr;
        for (auto comp : comps) {
            comp_attr ca = nullptr;
            for (auto [t, v] : comp)
                add_comp_attr(&ca, newdelay(t, v, v == -1 ? 0 : 1));
            add_attr_to_list(&list, ca);
        }
        return list;
    }
    std::vector<std::string> words(int terminal)
    {
        std::vector<std::string> w;
        for (const recnode *r = dictionary[terminal]; r != nullptr; r = r->previous)
            w.emplace_back(r->recordptr.get());
        return w;
    }
};

TEST_F(Lexicon, MatchCompWithOrderedTypesOpenValuesAndTypeOnly)
{
    std::string field3 = "<" + seg(3, 3) + " " + seg(1, 255) + "." + seg(2, 2) + " |";
    locate_comp(field3.c_str());
    ASSERT_EQ(lexatt_index, 2);
    EXPECT_EQ(lexatt[0].count, 1);
    EXPECT_EQ(lexatt[1].count, 2);

    rows({{3, 1}});
    EXPECT_EQ(match_comp(0), 1) << "sup is reachable from pos under '<'";
    rows({{3, 3}});
    EXPECT_EQ(match_comp(0), 1);
    rows({{1, 1}});
    EXPECT_EQ(match_comp(0), 0) << "another type";
    rows({{3, 1}, {2, 1}});
    EXPECT_EQ(match_comp(0), 0) << "segment counts differ";

    rows({{1, 2}, {2, 2}});
    EXPECT_EQ(match_comp(1), 1) << "a type-only value agrees with any value";
    rows({{1, 1}, {2, 1}});
    EXPECT_EQ(match_comp(1), 0) << "unordered values must be equal";
    EXPECT_EQ(match_comp(2), 0) << "beyond the located compounds";

    // Under '>' the order is reversed.
    std::string greater = ">" + seg(3, 3) + " |";
    locate_comp(greater.c_str());
    rows({{3, 1}});
    EXPECT_EQ(match_comp(0), 0);
    std::string lower = ">" + seg(3, 1) + " |";
    locate_comp(lower.c_str());
    rows({{3, 3}});
    EXPECT_EQ(match_comp(0), 1);
}

TEST_F(Lexicon, OpenRowsTakeTheRecordsValueOnlyDuringLexicalTransformations)
{
    std::string field3 = seg(1, 2) + "." + seg(2, 1) + " |";
    locate_comp(field3.c_str());
    int g = lt_newdelay(1, -1, 0), n = lt_newdelay(2, 1, 1);
    attr_index = 2;
    attr[0] = {1, -1, 0, g, 0};
    attr[1] = {2, 1, 0, n, 0};
    EXPECT_EQ(match_comp(0), 1);
    EXPECT_EQ(lt_delayed[g].choice, -1) << "outside a lexical transformation nothing is written";
    newM = 1;
    EXPECT_EQ(match_comp(0), 1);
    EXPECT_EQ(lt_delayed[g].choice, 2);
    attr[1].value = 2;
    lt_delayed[g].choice = -1;
    EXPECT_EQ(match_comp(0), 0);
    EXPECT_EQ(lt_delayed[g].choice, -1) << "a failed match notes nothing";
}

TEST_F(Lexicon, MatchAttrNeedsEveryLeafCompoundAndStopsPastTheType)
{
    lexicon("\"a\"|N|sg, fem|1|\n");
    const char *record = dictionary[0]->recordptr.get();
    EXPECT_EQ(match_attr(record, nullptr), 1) << "an empty list agrees";
    attr_list both = leaf({{{1, 2}}, {{2, 1}}});
    EXPECT_EQ(match_attr(record, both), 1);
    attr_list wrong = leaf({{{1, 2}}, {{2, 2}}});
    EXPECT_EQ(match_attr(record, wrong), 0);
    attr_list open = leaf({{{2, -1}}});
    EXPECT_EQ(match_attr(record, open), 1);
    attr_list missing = leaf({{{3, 1}}});
    EXPECT_EQ(match_attr(record, missing), 0);
    rows({{2, 1}});
    EXPECT_EQ(match_single_attr(record), 1);
    rows({{1, 1}});
    EXPECT_EQ(match_single_attr(record), 0);
    EXPECT_EQ(match_single_attr(nullptr), 0);
    purge_attr_list(&both);
    purge_attr_list(&wrong);
    purge_attr_list(&open);
    purge_attr_list(&missing);
}

TEST_F(Lexicon, FrequencyAdjustments)
{
    char record[] = "\"w\"|N||0010|x|||";
    auto freq = [&record] { return std::string(getfieldptr(record, 4), 4); };
    apply_vf_single(record, -1);
    EXPECT_EQ(freq(), "0010");
    apply_vf_single(record, -2);
    EXPECT_EQ(freq(), "0015");
    apply_vf_single(record, -3);
    EXPECT_EQ(freq(), "0030");
    apply_vf_single(record, -4);
    EXPECT_EQ(freq(), "0015");
    apply_vf_single(record, -7);
    EXPECT_EQ(freq(), "0015") << "other negative values leave it";
    apply_vf_single(record, 0);
    EXPECT_EQ(freq(), "0000");
    apply_vf_single(record, 12345);
    EXPECT_EQ(freq(), "9999");
    apply_vf_single(record, -3);
    EXPECT_EQ(freq(), "9999") << "capped at four digits";
    EXPECT_STREQ(record, "\"w\"|N||9999|x|||");

    char empty[] = "\"w\"|N||||||";
    apply_vf_single(empty, 5);
    EXPECT_STREQ(empty, "\"w\"|N||||||") << "no digits to rewrite: the record is left whole";
}

// The search weighs candidates by frequencies that are rewritten in place
// (frequency adjustments of a leaf or of VFREQ): it must see the new ones.
TEST_F(Lexicon, SearchesSeeFrequenciesRewrittenInPlace)
{
    lexicon("\"a\"|N||3|\n\"b\"|N||5|\n\"c\"|Det||2|\n");
    t_dict_lookup look{};
    look.class_ = v_strdup("N");
    look.vf = -1;
    locate_matches(&look, lookup_terminal("N"));
    ASSERT_EQ(numnodes, 2);
    EXPECT_EQ(prob_tot, 8);
    char *b = nodearray[0]->recordptr.get();
    ASSERT_EQ(std::string(b, 3), "\"b\"");
    apply_vf_single(b, 0);
    locate_matches(&look, lookup_terminal("N"));
    EXPECT_EQ(prob_tot, 3);
    EXPECT_EQ(prob_array[0], 0) << "b is never drawn now";
    apply_vf_single(b, 9);
    look.vf = -3;
    for (int i = 0; i < 2; i++)
        getdictent(&look);            // each choice doubles its own frequency
    locate_matches(&look, lookup_terminal("N"));
    int written = 0;
    for (int i = 0; i < numnodes; i++)
        written += std::atoi(getfieldptr(nodearray[i]->recordptr.get(), 4));
    EXPECT_EQ(prob_tot, written);
    EXPECT_GT(prob_tot, 12);
}

TEST_F(Lexicon, SelectMatchDrawsOnceEvenForOneCandidate)
{
    recnode a{nullptr, v_strdup("a")}, b{nullptr, v_strdup("b")}, c{nullptr, v_strdup("c")};
    nodearray[0] = &a;
    nodearray[1] = &b;
    nodearray[2] = &c;
    // Frequencies 1, 0, 3: b is never chosen.
    prob_array[0] = 1;
    prob_array[1] = 1;
    prob_array[2] = 4;
    numnodes = 3;
    prob_tot = 4;
    seed = 1;
    std::vector<recnode *> chosen;
    uint64_t s = 1;
    int counts[3] = {};
    for (int i = 0; i < 400; i++) {
        s = (s * 3125) & 0xffffffff;
        int r = static_cast<int>(4 * (static_cast<double>(s) / 4294967296.0));
        recnode *want = r < 1 ? &a : &c;
        recnode *got = select_match();
        ASSERT_EQ(got, want) << "draw " << i;
        counts[got == &a ? 0 : got == &b ? 1 : 2]++;
    }
    EXPECT_EQ(counts[1], 0);
    EXPECT_GT(counts[2], counts[0] * 2) << "three in four draws";

    numnodes = 1;
    prob_array[0] = 1;
    prob_tot = 1;
    seed = 1;
    EXPECT_EQ(select_match(), &a);
    EXPECT_EQ(seed, 3125u) << "one candidate still draws";
    numnodes = 0;
    prob_tot = 0;
}

TEST_F(Lexicon, RecordsAreEncodedSortedAndPadded)
{
    lines out = lexicon("\"le chien\"|N|sg.masc, gender, <pos|12345|stem|_ilt_|\n"
                        "\"b\" | N | | |\n"
                        "\\r\"c\"|N||7|\n"
                        "\"d\"|Adj|fem\n");
    EXPECT_EQ(out.back(), "Total Words: 4. Number of Errors: 0");
    std::vector<std::string> n = words(0);
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[0], "\"c\"|N||0007|||");
    EXPECT_EQ(n[1], "\"b\"|N||0001|||") << "an empty frequency field is 1";
    EXPECT_EQ(n[2], "\"le chien\"|N|" + seg(1, 255) + " " + seg(2, 1) + "." + seg(1, 1) + " <" +
                        seg(3, 1) + " |9999|stem|\x0c|");
    ASSERT_EQ(words(2).size(), 1u);
    EXPECT_EQ(words(2)[0], "\"d\"|Adj|||||") << "an unclosed attribute field is lost";
    EXPECT_EQ(std::string(getfieldptr(n[2].c_str(), 5)), "stem|\x0c|");
    EXPECT_STREQ(getfieldptr(nullptr, 3), "");

    // The listing shows the type-only value by the type's name.
    std::string shown = showrecord(n[2].c_str());
    EXPECT_EQ(shown.find('\xff'), std::string::npos);
    EXPECT_NE(shown.find(std::string("\x19\x01gender ")), std::string::npos);
    printlex();
    lines listing = newlines();
    ASSERT_EQ(listing.size(), 4u);
    for (const std::string &l : listing)
        EXPECT_EQ(l.find('\xff'), std::string::npos) << l;
}

TEST_F(Lexicon, ReadErrorsAndBufferLimits)
{
    std::string longword(1100, 'x');
    std::string manyattrs;
    for (int i = 0; i < 30; i++)
        manyattrs += "sg,";
    lines out = lexicon("\"a\"|N\n"
                        "\"b\"|Verb|sg|\n"
                        "\"c\"|N|nosuch|\n"
                        "\"d\"|N|sg;pl|\n"
                        "\"" + longword + "\"|N||\n"
                        "\"e\"|N|" + manyattrs + "|\n"
                        "\"f\"|N|sg.pl.sg.pl.sg.pl.sg.pl.sg.pl.sg.pl.sg.pl|\n"
                        "\n"
                        "\"ok\"|N||\n");
    EXPECT_EQ(out, (lines{
        "ERROR lexicon input \"a\" Entry has fewer than two complete fields  ",
        "ERROR lexicon input \"b\" Terminal not found: Verb ",
        "ERROR lexicon input \"c\" Unknown attribute nosuch ",
        "ERROR lexicon input \"d\" Unexpected character in attribute field char ';' ",
        "ERROR lexicon input \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx warning: very long quoted string  ",
        "ERROR lexicon input \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx Entry is too long  ",
        "ERROR lexicon input \"e\" Entry is too long  ",
        "ERROR lexicon input \"f\" Entry is too long  ",
        "Finished reading lexicon input from file 'lex' [9 lines.]",
        "Total Words: 1. Number of Errors: 7",
    }));
    EXPECT_EQ(words(0), (std::vector<std::string>{"\"ok\"|N|||||"}))
        << "a frequency field not closed is empty";
}

TEST_F(Lexicon, CandidatesHonourMandatedWordsRestrictionsAndAttributes)
{
    lexicon("\"sing\"|N|sg|1|a|\n"
            "\"sang\"|N|pl|2|b|\n"
            "\"song\"|N|sg|3|b|\n"
            "\"never\"|N|sg|0|b|\n");
    t_dict_lookup lookup{};
    lookup.class_ = v_strdup("N");
    lookup.vf = -1;
    lookup.attributes = leaf({{{2, 1}}});
    locate_matches(&lookup, 0);
    EXPECT_EQ(numnodes, 3);
    EXPECT_EQ(prob_tot, 4);
    lookup.fields = v_strdup("|||?|b|");
    locate_matches(&lookup, 0);
    EXPECT_EQ(numnodes, 2) << "song and never";
    lookup.preferredchoice = v_strdup("s*g");
    locate_matches(&lookup, 0);
    ASSERT_EQ(numnodes, 1);
    EXPECT_STREQ(nodearray[0]->recordptr.get(), "\"song\"|N|" "\x19\x02\x01" " |0003|b||");

    for (int i = 0; i < 20; i++) {
        getdictent(&lookup);
        ASSERT_EQ(lookup.error, 0);
        EXPECT_STREQ(lookup.dictionary, nodearray[0]->recordptr.get());
    }
    lookup.preferredchoice = v_strdup("never");
    getdictent(&lookup);
    EXPECT_EQ(lookup.error, 3) << "frequency 0 is never chosen";
    EXPECT_EQ(lookup.dictionary, nullptr);
    lookup.class_ = v_strdup("Verb");
    getdictent(&lookup);
    EXPECT_EQ(lookup.error, 1);
    purge_attr_list(&lookup.attributes);

    EXPECT_EQ(exactword("\"s*g\"", dictionary[0]), dictionary[0]->previous->recordptr.get())
        << "the newest that matches";
    EXPECT_EQ(exactword("\"sa*\"", dictionary[0]), dictionary[0]->previous->previous->recordptr.get());
    EXPECT_EQ(exactword("\"x*\"", dictionary[0]), nullptr);
}

TEST_F(Lexicon, GetwordsFillsPointedSlotsAndReports)
{
    lexicon("\"w\"|N||4|\n");
    d_table_count = 3;
    dict_table[0].class_ = v_strdup("N");
    dict_table[0].pointed_at = 1;
    dict_table[0].vf = -4;
    dict_table[1].class_ = v_strdup("Verb");
    dict_table[1].pointed_at = 1;
    dict_table[2].class_ = v_strdup("N");
    dict_table[2].pointed_at = 0;
    getwords(0);
    EXPECT_STREQ(dict_table[0].dictionary, "\"w\"|N||0002|||") << "vf -4 halved the frequency";
    EXPECT_EQ(dict_table[1].error, 1);
    EXPECT_EQ(dict_table[2].dictionary, nullptr);
    EXPECT_EQ(newlines(), (lines{"ERROR lexicon input  Terminal not found: Verb "}));
    for (t_dict_lookup &slot : dict_table)
        slot = t_dict_lookup{};
    d_table_count = 0;
}

TEST_F(Lexicon, AddedFilesGoInFrontAndReloadingLeavesNothingBehind)
{
    for (int pass = 0; pass < 3; pass++) {
        lexicon("\"a\"|N|||\n\"b\"|Det|||\n");
        file("more", "\"c\"|N|||\n");
        readdict("more");
        EXPECT_EQ(words(0), (std::vector<std::string>{"\"c\"|N||0001|||", "\"a\"|N||0001|||"}));
        clearlexicon();
        EXPECT_EQ(dictterm, -1);
    }
    EXPECT_EQ(readlexicon("\"z\"|Adj||\n", 9), 1);
    EXPECT_EQ(words(2).size(), 1u);
}

// The file is read in blocks: every entry, message and line number comes out
// the same wherever a block ends (in a word, a quoted text, a separator, a
// line end), and a last line without its line end or with its quoted text
// never closed is read to the file's end.
TEST_F(Lexicon, EntriesReadTheSameWhereverABlockEnds)
{
    std::string body;
    for (int i = 0; body.size() < READBUFSIZE + 300; i++) {
        std::string n = std::to_string(i);
        body += "\"w" + n + " x\"|N|sg.fem, <comp|" + std::to_string(i % 90) + "|stem" + n +
                "|\"q\" _ilt_|\n";
        if (body.size() > READBUFSIZE - 150 && body.size() < READBUFSIZE - 100)
            body += "\"" + std::string(90, 'l') + "\"|N||\n";  // warned about at its closing quote
        if (i == 3)                   // a control byte that is also a token code: one error
            body += "\"c\x03" "d\"|N|sg\x03|2|\n";
    }
    lines first = lexicon(body);
    std::vector<std::string> want = words(0);
    ASSERT_GT(want.size(), 1300u);
    EXPECT_EQ(want.back(), "\"w0 x\"|N|" + seg(2, 1) + "." + seg(1, 2) + " <" + seg(3, 2) +
                               " |0000|stem0|\"q\"\x0c|");
    EXPECT_EQ(first.back(), "Total Words: " + std::to_string(want.size()) + ". Number of Errors: 1");
    for (int shift = 1; shift <= 45; shift++) {   // the block's end crosses a whole line
        EXPECT_EQ(lexicon(std::string(static_cast<size_t>(shift), ' ') + body), first) << shift;
        ASSERT_EQ(words(0), want) << shift;
    }

    lexicon(body + "\"last\"|N||5|\"end\"");
    EXPECT_EQ(words(0).front(), "\"last\"|N||0005|\"end\"||");
    lines open = lexicon(body + "\"open\"|N||2|\"never");
    EXPECT_EQ(words(0).front(), "\"open\"|N||0002|\"never||");
    EXPECT_NE(std::find(open.begin(), open.end(), "lexicon input warning: EOF within quotes"),
              open.end());
}

TEST_F(Lexicon, ArbitraryBytesNeverOverrunOrStoreByte255)
{
    static const char alphabet[] = "|||\"\"\n.,<>;sgplmascfemNDetAdj_ilt_ 0123456789\x19\xff{}%";
    uint64_t x = 7;
    for (int round = 0; round < 200; round++) {
        std::string text;
        int n = static_cast<int>((x = x * 6364136223846793005u + 1) >> 54);
        for (int i = 0; i < n * 4; i++)
            text += alphabet[((x = x * 6364136223846793005u + 1) >> 33) % (sizeof alphabet - 1)];
        readlexicon(text.data(), text.size());
        printlex();
        for (const std::string &l : newlines())
            ASSERT_EQ(l.find('\xff'), std::string::npos) << l;
        clearlexicon();
    }
}

TEST_F(Lexicon, TerminalsFile)
{
    file("terms2", "A B A ; C\n");
    clear_terminals();
    read_terminals("terms2");
    EXPECT_EQ(newlines(), (lines{"ERROR terminals input  Repeated terminal A ",
                                 "ERROR terminals input  Unexpected symbol char ';' ",
                                 "Finished reading terminals input from file 'terms2' [1 lines.]"}));
    EXPECT_EQ(terminal_count, 3);
    EXPECT_EQ(lookup_terminal("C|rest"), 2);
    EXPECT_EQ(lookup_terminal("D"), -1);
}

} // namespace
