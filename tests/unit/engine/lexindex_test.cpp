// The lexicon's indexes (exact words, kept candidate lists, the binary
// search of the draw) against the plain walk of a terminal's entries, on
// random lexicons; and every change that the kept lists depend on giving the
// same draws as a lexicon loaded afresh.
#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

struct entry {                        // one line of a random lexicon
    std::string word, terminal, attrs, rest;
    int freq;
    std::string line() const
    {
        return word + "|" + terminal + "|" + attrs + "|" + std::to_string(freq) + "|" + rest + "|\n";
    }
};

struct candidate {
    std::string record;
    int total;
    bool operator==(const candidate &) const = default;
};

class LexIndex : public EngineTest {
protected:
    std::mt19937 rng{1234};
    std::vector<entry> model;

    void SetUp() override
    {
        EngineTest::SetUp();
        nounkinds();
    }
    void TearDown() override
    {
        clearlexicon();
        clear_terminals();
        EngineTest::TearDown();
    }
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    std::string word()
    {
        std::string w;
        for (int i = 0, n = 1 + pick(2); i < n; i++)
            w += "abc"[pick(3)];
        return w;
    }
    // Random entries: few words, so that many share one; now and then an
    // unquoted word (its text runs on through the record), a bare type, an
    // ordered value with a sign, a frequency 0.
    void randomlexicon(int n)
    {
        static const char *const attrs[] = {"masc", "fem", "sg", "pl", "gender", "number",
                                            "<comp", ">comp", "masc.sg", "fem.pl", "pos"};
        model.clear();
        for (int i = 0; i < n; i++) {
            entry e;
            e.word = pick(10) == 0 ? word() : "\"" + word() + "\"";
            e.terminal = pick(4) == 0 ? "Det" : "N";
            for (int k = 0, m = pick(3); k < m; k++)
                e.attrs += (k ? ", " : "") + std::string(attrs[pick(std::size(attrs))]);
            e.freq = pick(6) == 0 ? 0 : 1 + pick(20);
            e.rest = std::string(1, "abc"[pick(3)]) + "|" + std::to_string(i);
            model.push_back(e);
        }
    }
    void load()
    {
        std::string text;
        for (const entry &e : model)
            text += e.line();
        file("lex", text);
        clearlexicon();
        initdict();
        readdict("lex");
    }
    attr_list randomleaf()
    {
        attr_list list = nullptr;
        for (int k = 0, m = pick(3); k < m; k++) {
            comp_attr ca = nullptr;
            int type = 1 + pick(3);
            int value = pick(4) == 0 ? -1 : 1 + pick(type == 3 ? 3 : 2);
            add_comp_attr(&ca, newdelay(type, value, value == -1 ? 0 : 1));
            if (type == 1 && pick(2))
                add_comp_attr(&ca, newdelay(2, 1 + pick(2), 1));
            add_attr_to_list(&list, ca);
        }
        return list;
    }
    void randomlookup(t_dict_lookup &look)
    {
        clearslot(look);
        look.class_ = v_strdup(pick(4) == 0 ? "Det" : "N");
        look.vf = -1;
        look.pointed_at = 1;
        look.attributes = randomleaf();
        static const char *const patterns[] = {"a", "ab", "b*", "*c", "x", "a*b", "*", "ca", "c"};
        if (pick(3) > 0)
            look.preferredchoice = v_strdup(patterns[pick(std::size(patterns))]);
        if (pick(3) == 0)
            look.fields = v_strdup(pick(2) ? "|||?|b|" : "|||0*|*|");
    }
    // The plain walk: every entry of the terminal, newest first.
    static std::vector<candidate> walk(const t_dict_lookup &look)
    {
        std::vector<candidate> out;
        int total = 0;
        int t = lookup_terminal(look.class_.get());
        for (const recnode *r = dictionary[t]; r != nullptr; r = r->previous) {
            const char *record = r->recordptr.get();
            if (!match_attr(record, look.attributes))
                continue;
            if (look.preferredchoice && !match_wild(look.preferredchoice.get(), record + 1, 0, '"'))
                continue;
            if (!match_lsp(look.fields.get(), record))
                continue;
            total += std::atoi(getfieldptr(record, 4));
            out.push_back({record, total});
        }
        return out;
    }
    static std::vector<candidate> located(t_dict_lookup &look)
    {
        locate_matches(&look, lookup_terminal(look.class_.get()));
        std::vector<candidate> out;
        for (int i = 0; i < numnodes; i++)
            out.push_back({nodearray[i]->recordptr.get(), prob_array[i]});
        return out;
    }
    // The words that a series of lookups draws from one seed.
    static std::vector<std::string> draws(std::vector<t_dict_lookup> &looks, int rounds)
    {
        reseed(99);
        std::vector<std::string> got;
        for (int k = 0; k < rounds; k++)
            for (t_dict_lookup &look : looks) {
                getdictent(&look);
                got.push_back(look.dictionary ? look.dictionary : "-");
            }
        return got;
    }
    std::vector<t_dict_lookup> lookups(int n)
    {
        std::vector<t_dict_lookup> looks(static_cast<size_t>(n));
        for (t_dict_lookup &look : looks)
            randomlookup(look);
        return looks;
    }
    static void purge(std::vector<t_dict_lookup> &looks)
    {
        for (t_dict_lookup &look : looks)
            purge_attr_list(&look.attributes);
    }
};

TEST_F(LexIndex, CandidatesAndDrawsEqualThePlainWalk)
{
    for (int round = 0; round < 8; round++) {
        randomlexicon(40 + 60 * round);
        load();
        std::vector<t_dict_lookup> looks = lookups(60);
        for (int pass = 0; pass < 2; pass++)          // the second from the kept lists
            for (t_dict_lookup &look : looks) {
                std::vector<candidate> want = walk(look);
                ASSERT_EQ(located(look), want);
                // The same draw picks the same entry as the walk's running totals do.
                uint64_t keep = seed;
                int total = want.empty() ? 0 : want.back().total;
                std::string expect = "-";
                if (total > 0) {
                    int r = getrandom(total);
                    for (const candidate &c : want)
                        if (c.total > r) {
                            expect = c.record;
                            break;
                        }
                }
                seed = keep;
                getdictent(&look);
                ASSERT_EQ(look.dictionary ? look.dictionary : "-", expect);
            }
        purge(looks);
    }
}

TEST_F(LexIndex, DrawsFollowTheFrequencies)
{
    model = {{"\"a\"", "N", "", "x", 1}, {"\"b\"", "N", "", "x", 3}, {"\"c\"", "N", "", "x", 0},
             {"\"d\"", "N", "", "x", 6}};
    load();
    t_dict_lookup look{};
    look.class_ = v_strdup("N");
    look.vf = -1;
    std::map<std::string, int> seen;
    const int n = 20000;
    for (int i = 0; i < n; i++) {
        getdictent(&look);
        seen[std::string(look.dictionary, 3)]++;
    }
    EXPECT_EQ(seen["\"c\""], 0);
    for (auto [w, f] : {std::pair{"\"a\"", 1}, {"\"b\"", 3}, {"\"d\"", 6}}) {
        double p = f / 10.0, sd = std::sqrt(n * p * (1 - p));
        EXPECT_NEAR(seen[w], n * p, 5 * sd) << w;
    }
}

TEST_F(LexIndex, ExactwordAgreesWithTheWalk)
{
    randomlexicon(300);
    load();
    int t = lookup_terminal("N");
    auto walked = [](const char *w, const recnode *r) -> const char * {
        for (; r != nullptr; r = r->previous)
            if (match_wild(w + 1, r->recordptr.get() + 1, '"', '"'))
                return r->recordptr.get();
        return nullptr;
    };
    ASSERT_NE(dictionary[t], nullptr);
    for (const char *w : {"\"a\"", "\"ab\"", "\"cc\"", "\"x\"", "\"a*\"", "\"\""}) {
        EXPECT_EQ(exactword(w, dictionary[t]), walked(w, dictionary[t])) << w;
        EXPECT_EQ(exactword(w, dictionary[t]->previous), walked(w, dictionary[t]->previous))
            << "a list that is not a whole terminal is walked";
    }
}

TEST_F(LexIndex, ChangesGiveTheDrawsOfAFreshLoad)
{
    randomlexicon(400);
    load();
    std::vector<t_dict_lookup> looks = lookups(40);
    draws(looks, 3);                  // lists kept
    // The model takes the frequencies that the records now hold.
    auto sync = [&] {
        for (int t = 0; t < dictterm; t++)
            for (const recnode *r = dictionary[t]; r != nullptr; r = r->previous) {
                const char *rec = r->recordptr.get();
                model[static_cast<size_t>(std::atoi(getfieldptr(rec, 6)))].freq =
                    std::atoi(getfieldptr(rec, 4));
            }
    };
    auto same = [&](const char *what) {
        std::vector<std::string> changed = draws(looks, 3);
        sync();
        load();
        EXPECT_EQ(draws(looks, 3), changed) << what;
    };

    for (size_t i = 0; i < 10; i++) {
        looks[i].vf = i % 2 ? -3 : 0;
        getdictent(&looks[i]);
        looks[i].vf = -1;
    }
    same("frequencies of chosen words adjusted");

    for (size_t i = 10; i < 14; i++) {
        locate_matches(&looks[i], lookup_terminal(looks[i].class_.get()));
        for (int k = 0; k < numnodes; k++)
            apply_vf_single(nodearray[k]->recordptr.get(), -2);
    }
    same("frequencies of whole candidate lists adjusted");

    std::vector<entry> keep = model;
    randomlexicon(100);
    std::string added;
    for (entry &e : model) {
        e.rest = e.rest.substr(0, 2) + std::to_string(keep.size() + static_cast<size_t>(&e - model.data()));
        added += e.line();
    }
    keep.insert(keep.end(), model.begin(), model.end());
    model = keep;
    file("lex2", added);
    readdict("lex2");
    same("a file added");

    for (size_t i = 0; i < looks.size(); i += 3) {
        comp_attr ca = nullptr;
        add_comp_attr(&ca, newdelay(2, 1, 1));
        add_attr_to_list(&looks[i].attributes, ca);
    }
    same("attributes added to leaves, as a preselection does");

    randomlexicon(300);
    load();
    for (t_dict_lookup &look : looks)
        ASSERT_EQ(located(look), walk(look)) << "another lexicon loaded";
    purge(looks);
}

} // namespace
