// Semantic expressions: the top-level structure read by valence, the order
// in which transformations are tried, re-analysis and its clause order, lists
// with "@", and the limits that keep a bad file from running away.
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;

class Semantic : public EngineTest {
protected:
    size_t mark14 = 0;

    void SetUp() override
    {
        EngineTest::SetUp();
        file("attrs", "pred (2 chase, 1 sleep, 1 big, 3 give, dog, cat, bone)\n"
                      "role (1 agent, 1 patient, act, mod)\n%\n");
        readattr("attrs");
        newlines();
        mark14 = corelines(14).size();
    }
    void TearDown() override
    {
        purge_sem_trans();
        EngineTest::TearDown();
    }
    int load(const std::string &text) { return readsemtext(text.data(), text.size()); }
    // The lines that analysing the expression writes into corefile 14.
    lines analyse(const char *text)
    {
        analyse_sem_expr(text);
        lines all = corelines(14);
        lines fresh(all.begin() + static_cast<long>(mark14), all.end());
        mark14 = all.size();
        return fresh;
    }
    std::string structure(const char *text)
    {
        Semantic_Expr e;
        bool ok = top_level(e, text);
        return (ok ? "" : "failed: ") + e.top_level_orig;
    }
};

// Arguments are read in prefix order: each component brings as many
// components as its own valence asks for; brackets stay with their component.
TEST_F(Semantic, TopLevelByValence)
{
    EXPECT_EQ(structure("chase(dog, cat)"), "chase|dog|cat|");
    EXPECT_EQ(structure("chase(big(dog), cat)"), "chase|big.dog|cat|");
    EXPECT_EQ(structure("give(dog, chase(big(cat), bone), 0)"), "give|dog|chase.big.cat.bone|0|");
    EXPECT_EQ(structure(" sleep ( dog[old, grey] ) "), "sleep|dog[old, grey]|");
    EXPECT_EQ(structure("lonely"), "lonely|") << "a predicate alone is not looked up";
    EXPECT_EQ(structure("chase(dog)"), "failed: Attribute not recognized or invalid valence");
    EXPECT_EQ(structure("chase(dog, cat, bone)"), "failed: Attribute not recognized or invalid valence");
    EXPECT_EQ(structure("chase(dog, fly)"), "failed: Attribute not recognized or invalid valence");
    EXPECT_EQ(structure("pred(dog)"), "failed: Attribute not recognized or invalid valence")
        << "a type's name has no valence";
    EXPECT_EQ(structure("chase(dog, cat[old"), "failed: ");
    EXPECT_EQ(structure("chase(dog|cat)"), "failed: ");
    EXPECT_EQ(structure(""), "failed: ");
}

// The transformation read last is tried first; a type's name in a name matches
// any of its values; "0" on either side matches anything; form 1 needs as many
// components.
TEST_F(Semantic, MatchingOrder)
{
    ASSERT_EQ(load("chase.0.0 : first : V %\n"
                   "$ pred : second : V %\n"
                   "chase.dog.0 : third : V %\n"
                   "sleep.0.0 : fourth : V %\n"), 4);
    EXPECT_EQ(analyse("chase(dog, cat)"), (lines{"PRESELECT = ", "third:V", "%"}));
    EXPECT_EQ(analyse("chase(cat, dog)"), (lines{"PRESELECT = ", "second:V", "%"}));
    EXPECT_EQ(analyse("chase(0, 0)"), (lines{"PRESELECT = ", "third:V", "%"}));
    EXPECT_EQ(analyse("sleep(dog)"), (lines{"PRESELECT = ", "second:V", "%"}))
        << "sleep.0.0 has one component too many";
    EXPECT_EQ(analyse("act"), (lines{"No match found for semantic expression"}));
    EXPECT_EQ(analyse("chase(dog)"), (lines{"Attribute not recognized or invalid valence",
                                           "There was a problem processing the semantic expression"}));
}

// Re-analysed prototypes are expanded where they stand, depth first, so the
// clauses keep the order of the prototypes; a failure anywhere leaves only
// its message.
TEST_F(Semantic, ReanalysisKeepsPrototypeOrder)
{
    load("$ chase : act : V[#1], &agent(#2), &patient(#3) %\n"
         "agent.0 : agent : N[#2] %\n"
         "agent.big.0 : mod : A[#2], agent : N[#3] %\n"
         "patient.0 : patient : N[#2] %\n"
         "$ sleep : act : V[#1], &patient(#2) %\n");
    EXPECT_EQ(analyse("chase(big(dog), cat)"),
              (lines{"PRESELECT = ", "act:V[chase];", "mod:A[big];", "agent:N[dog];",
                     "patient:N[cat]", "%"}));
    EXPECT_EQ(analyse("sleep(big(dog))"), (lines{"No match found for semantic expression"}))
        << "patient.big.dog has no transformation: the clause already made is dropped";
    EXPECT_EQ(depthStack, 0);
}

// "#" gives the head of a component in the tag and the whole component in
// the node's brackets; "@" writes a clause per item, and a list as the last
// prototype still closes the rule.
TEST_F(Semantic, FieldsAndLists)
{
    load("$ sleep : act.#2 : N[#2], mod.@2.x : A[#1] %\n"
         "$ big : p.@2 : A, q : N %\n");
    EXPECT_EQ(analyse("sleep(dog[old, ,grey ])"),
              (lines{"PRESELECT = ", "act.dog:N[dog[old, ,grey ]];", "mod.old.x:A[sleep];",
                     "mod.grey.x:A[sleep]", "%"}));
    EXPECT_EQ(analyse("big(cat)"), (lines{"PRESELECT = ", "q:N", "%"})) << "no list, no clause";
    load("$ sleep : x : N[#3] %\n");
    EXPECT_EQ(analyse("sleep(dog)"), (lines{"Prototype refers to a missing field: x:N[#3]"}));
    load("$ sleep : x.#0 : N %\n$ big : x# : N[#] %\n");
    EXPECT_EQ(analyse("sleep(dog)"), (lines{"Prototype refers to a missing field: x.#0:N"}));
    EXPECT_EQ(analyse("big(dog)"), (lines{"PRESELECT = ", "x#:N[#]", "%"})) << "a bare # is text";
}

// Re-analysis that never ends, clauses that multiply and texts that grow are
// stopped with a message and nothing else.
TEST_F(Semantic, Limits)
{
    load("$ sleep : &sleep(#2) %\n");
    lines out = analyse("sleep(dog)");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].rfind("Semantic expression re-analysed too often: ", 0), 0u);
    EXPECT_EQ(depthStack, 0);

    std::string chase = "&big(#2)", big = "&#2", dog = "x:A";
    for (int i = 0; i < 10; i++) {
        chase += ", &big(#2)";
        big += ", &#2";
        dog += ", x:A";
    }
    load("$ chase : " + chase + " %\n$ big : " + big + " %\n$ dog : " + dog + " %\n");
    EXPECT_EQ(analyse("dog"), (lines{"PRESELECT = ", "x:A;", "x:A;", "x:A;", "x:A;", "x:A;",
                                     "x:A;", "x:A;", "x:A;", "x:A;", "x:A;", "x:A", "%"}));
    EXPECT_EQ(analyse("chase(dog, cat)"), (lines{"Too many preselection clauses"}))
        << "11 x 11 x 11 clauses";

    std::string wide = "x";
    for (int i = 0; i < 700; i++)
        wide += "#2";
    load("$ sleep : " + wide + " %\n");
    out = analyse("sleep(dog)");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].rfind("Semantic text too long: ", 0), 0u);
}

// Reading: each bad transformation is dropped with its message and reading
// goes on; quotes and brackets keep their commas.
TEST_F(Semantic, ReaderDropsBadTransformations)
{
    EXPECT_EQ(load("$ sleep : a : N/\"x, y\", b : N[#1, #2] %\n"
                   "\"q\" : x %\n"
                   "sleep : (x %\n"
                   "chase.0.0 : & %\n"
                   "$ big : c : A %"), 2);
    lines err = newlines();
    ASSERT_EQ(err.size(), 4u);
    EXPECT_EQ(err[0], "ERROR Semantic Transformation Input  Encountered  quote  instead of semantic transformation.");
    EXPECT_EQ(err[1], "ERROR Semantic Transformation Input sleep Encountered  char '('  instead of preselection prototype.");
    EXPECT_EQ(err[2], "ERROR Semantic Transformation Input chase Encountered  token: %  instead of preselection prototype.");
    EXPECT_EQ(analyse("sleep(dog)"),
              (lines{"PRESELECT = ", "a:N/\"x, y\";", "b:N[sleep,dog]", "%"}));
}

}  // namespace
