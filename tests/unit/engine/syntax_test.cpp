// The syntax reader: the compiled text of each construct, rules dropped on
// error with the rule named, the stacks, unloading and the listings.
#include <string>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

using lines = std::vector<std::string>;
using namespace std::string_literals;

class Syntax : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        file("attrs", "number (sing, plural)\ngender (masc, fem)\nrole (subj, obj, pl)\n%\n");
        readattr("attrs");
        newlines();
    }
    void TearDown() override
    {
        purge_syntax();
        EngineTest::TearDown();
    }
    // Reads a syntax file; the lines written, less the reader's closing one.
    lines load(const std::string &text, int *status = nullptr)
    {
        file("syn", text);
        int s = read_syntax("syn");
        if (status != nullptr)
            *status = s;
        lines out = newlines();
        if (!out.empty() && out.back().rfind("Finished reading", 0) == 0)
            out.pop_back();
        return out;
    }
    static std::string rule(const char *name)
    {
        const char *text = getrule(name);
        return text != nullptr ? text : "(none)";
    }
    static std::string err(const std::string &rule, const std::string &a, const std::string &b = "",
                           const std::string &c = "")
    {
        return "ERROR Syntax Input " + rule + " " + a + " " + b + " " + c;
    }
};

TEST_F(Syntax, CompiledFormsOfRulesGroupsAndGuards)
{
    int status = 0;
    EXPECT_EQ(load("ROOT = S %\n"
                   "S = (P | Q | R) %\n"
                   "NP = < plural : Det N > N %\n"
                   "VP = FLATTEN:NP T1:T2:V %\n"
                   "G = < _is_ number _pre_ subj , (masc | fem) : A > %\n"
                   "E = %\n",
                   &status),
              lines{});
    EXPECT_EQ(status, 2);
    EXPECT_EQ(v_stat, 2);
    EXPECT_EQ(rule("ROOT"), "\x07 S");
    EXPECT_EQ(rule("S"), "\x07(\x03| P| Q| R)");
    EXPECT_EQ(rule("NP"), "<plural:\x07 Det N>\x07 N");
    EXPECT_EQ(rule("VP"), "\x07 NP\x08" "FLATTEN V\x08T1\x08T2");
    EXPECT_EQ(rule("G"), "<\x11number\x0esubj,(masc|fem):\x07 A>\x07");
    EXPECT_EQ(rule("E"), "");
    EXPECT_EQ(rule("X"), "(none)");

    EXPECT_EQ(load("A = (B | (C | D) E) %\n"), lines{});
    EXPECT_EQ(rule("A"), "\x07(\x02| B|(\x02| C| D) E)");
}

TEST_F(Syntax, AttachmentsAndVariables)
{
    EXPECT_EQ(load("S = N/2=a,b,\"c d\" V/_pre_ subj/\"w*\"/+3/$2 X/@5:tag[plural] %\n"
                   "C = CHOOSE n : number ; NP[n] VP[n, masc] %\n"
                   "I = INHERIT g, h : gender , k : number ; NP[g.k] %\n"
                   "L = SELECT n : number _pre_ subj ; SELECT m : _in_ subj ; A[n, m] %\n"
                   "P = A[number _pre_ subj, _pre_ obj] %\n"),
              lines{});
    EXPECT_EQ(rule("S"), "\x07 N/\x02=a,b,\"c d\" V\x0esubj\"w*\"\x13" "3\x13-2 X@\x05:tag[plural]");
    EXPECT_EQ(rule("C"), "\x07\x06\x01number NP[\xff\x01] VP[\xff\x01,masc]");
    EXPECT_EQ(rule("I"), "\x07\x05\x01gender\x05\x02gender\x05\x03number NP[\xff\x01.\xff\x03]");
    EXPECT_EQ(rule("L"), "\x07\x10\x01number\x0esubj\x10\x02\x0esubj A[\xff\x01,\xff\x02]");
    EXPECT_EQ(rule("P"), "\x07 A[number\x0esubj,\x0eobj]");
}

TEST_F(Syntax, GuardedAlternativesHideTheirVariables)
{
    EXPECT_EQ(load("S = < plural : CHOOSE n : number ; A[n] > B[n] %\n"),
              lines{err("S", "Unknown attribute", "n")});
    EXPECT_EQ(rule("S"), "(none)");
    EXPECT_EQ(load("S = (CHOOSE n : number ; A[n] | B[n]) %\n"),
              lines{err("S", "Unknown attribute", "n")});
    EXPECT_EQ(load("S = CHOOSE n : number ; (A[n] | B[n]) %\n"), lines{});
}

TEST_F(Syntax, TransformationsAndThePreselectionRule)
{
    EXPECT_EQ(load("T = TRANSFORMATION * NP[plural] VP : 3 FLATTEN:2[1!number, -masc]/\"x\" ; NP : ; %\n"
                   "U = TRANSFORMATION PRIORITY 7 A : B ; %\n"
                   "PRESELECT = subj : N[plural]/\"w\" ; obj ; pl : V %\n"),
              lines{});
    const transformation *u = findtrans("U");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->priority, 7);
    const transformation *t = findtrans("T");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->priority, 5);
    ASSERT_NE(t->first, nullptr);
    EXPECT_EQ(std::string(t->first->guard.get()), "* NP[plural] VP");
    EXPECT_EQ(std::string(t->first->rule.get()), " 3 2\x08" "FLATTEN[!\x01number,-masc]\"x\"");
    ASSERT_NE(t->first->next, nullptr);
    EXPECT_EQ(std::string(t->first->next->guard.get()), " NP");
    EXPECT_EQ(std::string(t->first->next->rule.get()), "");
    EXPECT_EQ(t->first->next->next, nullptr);
    EXPECT_EQ(rule("PRESELECT"), "subj: N[plural]\"w\";obj;pl: V");

    EXPECT_EQ(load("T2 = TRANSFORMATION A B 1 2 ; %\n"
                   "T3 = TRANSFORMATION PRIORITY 1000 A : B ; %\n"
                   "T4 = TRANSFORMATION PRIORITY x A : B ; %\n"),
              (lines{err("T2", "Expecting Colon."),
                     err("T3", "Transformation priority", "1000", "is out of range."),
                     err("T4", "Expecting Transformation Priority.")}));
    EXPECT_EQ(findtrans("T2"), nullptr);
    EXPECT_EQ(findtrans("T3"), nullptr);
    ASSERT_NE(findtrans("T4"), nullptr);
    EXPECT_EQ(findtrans("T4")->priority, 5);
}

TEST_F(Syntax, FaultyRulesAreDroppedAndNamed)
{
    EXPECT_EQ(load("A = X %\n"
                   "B = Y[foo] %\n"
                   "C = Z/2=a, %\n"
                   "D = W/2 a %\n"
                   "E = | F %\n"
                   "F = ( G %\n"
                   "G = H ) %\n"
                   "H = ; %\n"
                   "I = N/x=a %\n"
                   "J = N/@ %\n"
                   "K = N/+ z %\n"
                   "L = N[plural masc] %\n"
                   "M = N/@2:(x) %\n"
                   "N = A:( %\n"
                   "O = N[!plural] %\n"
                   "P = N[-plural] %\n"
                   "Q = N/2=,a %\n"
                   "R = \"x\" %\n"
                   "S = N/\"x %\n"),
              (lines{err("B", "Unknown attribute", "foo"),
                     err("C", "Unterminated list - extra comma."),
                     err("D", "Expecting equals ['='].", ""),
                     err("E", "| appears outside parentheses"),
                     err("F", "There are unmatched ('s"),
                     err("G", "Unmatched )"),
                     err("H", "Improper token: ", "char ';'"),
                     err("I", "Missing field number in restriction.", "x"),
                     err("J", "Missing field number in indirection."),
                     err("K", "Improper token follows + or $: ", "identifier: z"),
                     err("L", "Unexpected identifier: ", "masc", " in attribute"),
                     err("M", "Expecting tag name."),
                     err("N", "Colon followed by ", "char '('"),
                     err("O", "! not permitted in this context."),
                     err("P", "MINUS not permitted in this context."),
                     err("Q", "Spurious comma in restriction."),
                     err("R", "Improper token: ", "quote"),
                     "Syntax Input warning: EOF within quotes",
                     "Finished reading Syntax Input from file 'syn' [19 lines.]",
                     err("S", "Unmatched Quote.")}));
    EXPECT_EQ(rule("A"), "\x07 X");
    for (const char *name : {"B", "C", "D", "E", "F", "G", "H", "I", "J", "L", "M", "N", "O", "P", "Q",
                             "R", "S"})
        EXPECT_EQ(rule(name), "(none)") << name;
    EXPECT_EQ(rule("K"), "\x07 N") << "a bad frequency is reported, the rule kept";
}

TEST_F(Syntax, RuleHeadsAndReadingGoesOn)
{
    EXPECT_EQ(load("; A X % B = < plural Y % C = Z %\n"),
              (lines{"ERROR Syntax Input  Encountered  char ';'  instead of rule name.",
                     err("A", "Rule name must be followed by =. "),
                     err("B", "Unexpected identifier: ", "Y", " in attribute")}));
    EXPECT_EQ(rule("A"), "\x07 X");
    EXPECT_EQ(rule("B"), "(none)");
    EXPECT_EQ(rule("C"), "\x07 Z");
    EXPECT_EQ(load("A = Y %\n"), lines{});
    EXPECT_EQ(rule("A"), "\x07 Y") << "the newest rule of a name is found";
}

TEST_F(Syntax, TheStatusTellsWhetherROOTWasRead)
{
    int status = -1;
    load("ROOT = S %\n%include \"nothere\"\n", &status);
    EXPECT_EQ(status, 2) << "a failed include after ROOT";
    EXPECT_EQ(v_stat, 2);
    load("%include \"nothere\"\nA = B %\n", &status);
    EXPECT_EQ(status, 0) << "a failed include is no ROOT";
    EXPECT_EQ(v_stat, 1);
}

// Numbers past 30 take three bytes, all below the printing characters, so
// that none can pass for a bar, a parenthesis or a quote.
TEST_F(Syntax, NumbersBeyondTheirLimitsAreRefused)
{
    std::string alts = "(A";
    for (int i = 0; i < 31; i++)
        alts += " | A";
    std::string most = "(A";
    for (int i = 1; i < MAXCHOICES; i++)
        most += " | A";
    std::string deep(20, '(');
    EXPECT_EQ(load("A = N/30=a N/@31 %\n"
                   "B = N/256=a %\n"
                   "C = N/@124 X/@255 %\n"
                   "D = " + most + " | A) %\n"
                   "E = " + alts.substr(0, alts.size() - 4) + ") %\n"
                   "E2 = " + most + ") B %\n"
                   "F = CHOOSE abcdefghijklmnopqrstuvwxyz12345 : number ; X %\n"
                   "G = CHOOSE abcdefghijklmnopqrstuvwxyz123456 : number ; X %\n"
                   "H = " + deep + " %\n"
                   "I = CHOOSE a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w,x,y : number ; X %\n"
                   "J = CHOOSE a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w,x,y,z : number ; X %\n"),
              (lines{err("B", "Field number", "256", "is out of range."),
                     err("D", "Too many choices in group. "),
                     err("G", "Variable name too long. ", "abcdefghijklmnopqrstuvwxyz123456"),
                     err("H", "Choices Nested too deep. "),
                     err("J", "Too many variables active. ", "z")}));
    EXPECT_EQ(rule("A"), "\x07 N/\x1e=a N@\x1f\x01\x01");
    EXPECT_EQ(rule("C"), "\x07 N@\x1f\x04\x01 X@\x1f\x08\x08");
    EXPECT_EQ(rule("E").substr(0, 6), "\x07(\x1f\x01\x01|");
    std::string e2 = rule("E2");
    EXPECT_EQ(e2.substr(0, 6), "\x07(\x1f\x04\x04|") << "127 = 31 + 3 * 31 + 3";
    EXPECT_EQ(e2.substr(e2.size() - 3), ") B");
    EXPECT_NE(rule("F"), "(none)");
    EXPECT_NE(rule("I"), "(none)");
    for (const char *name : {"B", "D", "G", "H", "J"})
        EXPECT_EQ(rule(name), "(none)") << name;
}

TEST_F(Syntax, TooLongRulesAreDropped)
{
    std::string many;
    for (int i = 0; i < 1100; i++)
        many += " Node" + std::to_string(i);
    EXPECT_EQ(load("A = " + many + " %\nB = X %\n"), lines{err("A", "Rule too long. ")});
    EXPECT_EQ(rule("A"), "(none)");
    EXPECT_EQ(rule("B"), "\x07 X");
}

TEST_F(Syntax, UnloadingTakesWhatOneFileAdded)
{
    load("A = X %\nT = TRANSFORMATION A : B ; %\n");
    load("A = Y %\nB = Z %\nU = TRANSFORMATION A : B ; %\n");
    EXPECT_EQ(rule("A"), "\x07 Y");
    dump_syntax();
    EXPECT_EQ(rule("A"), "\x07 X");
    EXPECT_EQ(rule("B"), "(none)");
    EXPECT_EQ(findtrans("U"), nullptr);
    EXPECT_NE(findtrans("T"), nullptr);
    dump_syntax();
    EXPECT_EQ(rule("A"), "(none)");
    EXPECT_EQ(findtrans("T"), nullptr) << "the first file's transformations go with it";
    EXPECT_EQ(syntax_stack, nullptr);
    ASSERT_NE(trans_stack, nullptr);
    EXPECT_STREQ(trans_stack->name.get(), "FLATTEN");
    EXPECT_EQ(trans_stack->next, nullptr);
    dump_syntax();
    EXPECT_NE(findtrans("FLATTEN"), nullptr) << "the built-ins stay";
}

TEST_F(Syntax, ListingsShowVariablesVisibly)
{
    load("S = CHOOSE n : number ; NP[n] %\nT = TRANSFORMATION A : B/2=x ; %\n");
    print_cf();
    EXPECT_EQ(newlines(), (lines{"S", " rule: \x07\x06\x01number NP[$1]: ", "%%%%%"}));
    print_transf();
    EXPECT_EQ(newlines(), (lines{"T", " first RHS:  B/\x02=x", "%%%%%", "FLATTEN"}));
}

TEST_F(Syntax, ArbitraryBytesNeverCrashTheReader)
{
    std::string text;
    uint32_t x = 12345;
    for (int round = 0; round < 200; round++) {
        text.clear();
        for (int i = 0; i < 300; i++) {
            x = x * 1103515245u + 12345u;
            const char pool[] = "ABN=%<>:()|[]/,.;\"!-*$+@ \n_pre_ CHOOSE SELECT plural 12 TRANSFORMATION";
            text += pool[(x >> 16) % (sizeof pool - 1)];
        }
        readsyntaxtext(text.data(), text.size());
        for (const syn_rule *r = syntax_stack; r != nullptr; r = r->next) {
            std::string shown = showrule(r->rules.get());
            EXPECT_EQ(shown.find('\xff'), std::string::npos);
        }
        purge_syntax();
    }
    newlines();
}

}  // namespace
