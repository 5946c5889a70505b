// The token reader: keywords, identifiers, quotes, comments, line ends,
// includes, macros, warnings and the end-of-file report.
#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>
#include "tests/unit/engine/engine_fixture.h"

namespace {

class Tokens : public EngineTest {
protected:
    // Every token of a file as tok2str gives it, the end token last.
    std::vector<std::string> tokens(const std::string &name, int lfr)
    {
        file_operation = "test input";
        openfile(name.c_str(), lfr);
        std::vector<std::string> out;
        for (int t; (t = v_peep()) != TEOF; v_next())
            out.emplace_back(tok2str(t));
        out.emplace_back(tok2str(v_peep()));
        return out;
    }
};

using lines = std::vector<std::string>;

// Pieces joined by appending: GCC 12 at -O3 reports a false overlap (-Wrestrict)
// in "literal" + std::string(...).
std::string cat(std::initializer_list<std::string_view> pieces)
{
    std::string s;
    for (std::string_view p : pieces)
        s.append(p);
    return s;
}

TEST_F(Tokens, KeywordsInEitherCaseAndMixedCaseIsAnIdentifier)
{
    file("k", "RULE rule Rule _and_ _lsp_ %define_not x");
    EXPECT_EQ(tokens("k", 0), (lines{"token: RULE", "token: RULE", "identifier: Rule",
                                     "token: PRIORITY", "token: PRIORITY",
                                     "identifier: %define_not", "identifier: x", "EOF"}));
    EXPECT_EQ(newlines(), (lines{"Finished reading test input from file 'k' [0 lines.]"}));
}

TEST_F(Tokens, TstinputListsEveryTokenIntoCorefile7)
{
    file("t", "a {note} \"b c\";\n");
    setcurfile("t");
    testinput();
    EXPECT_EQ(newlines(), (lines{"identifier: a", "quote", "char 'b'", "char ' '", "char 'c'",
                                 "quote", "char ';'", "linefeed",
                                 "Finished reading test input from file 't' [1 lines.]",
                                 "end of input"}));
}

// 200,000 lines give more output than the store holds: output stops once
// with a notice, and each later line costs no collection (this took minutes).
TEST_F(Tokens, TstinputBeyondTheStoreStopsWithOneNotice)
{
    std::string text;
    for (int i = 0; i < 200000; i++)
        text += "ab cd\n";
    file("many", text);
    setcurfile("many");
    testinput();
    lines out = corelines(7);
    EXPECT_EQ(out.back(), "output stopped: files full");
    EXPECT_EQ(std::count(out.begin(), out.end(), out.back()), 1);
    EXPECT_TRUE(full);
    EXPECT_LE(avail, TEXTSIZE);
}

TEST_F(Tokens, QuoteBrokenByLineEnd)
{
    file("q", "\"ab\ncd\"\n");
    EXPECT_EQ(tokens("q", 1), (lines{"quote", "char 'a'", "char 'b'", "linefeed",
                                     "identifier: cd", "quote", "linefeed", "EOF"}))
        << "with line ends on, the line end closes the quote";
    EXPECT_EQ(newlines(), (lines{"test input warning: new line within quotes",
                                 "test input warning: new line within quotes",
                                 "Finished reading test input from file 'q' [2 lines.]"}));

    EXPECT_EQ(tokens("q", 0), (lines{"quote", "char 'a'", "char 'b'", "char 'c'", "char 'd'",
                                     "quote", "EOF"}))
        << "with line ends off the quote runs on";
    EXPECT_EQ(newlines(), (lines{"Finished reading test input from file 'q' [2 lines.]"}));
}

TEST_F(Tokens, CharactersWarnedAboutInQuotesAndComments)
{
    file("w", "\"a\tb|\" } {x|y{ \n}");
    EXPECT_EQ(tokens("w", 1), (lines{"quote", "char 'a'", "char 'b'", "char '|'", "quote",
                                     "char '}'", "EOF"}));
    EXPECT_EQ(newlines(), (lines{"test input warning: tab within quotes",
                                 "test input warning: | within quotes",
                                 "test input warning: } outside quotes/comments",
                                 "test input warning: | within comments",
                                 "test input warning: { within comments",
                                 "test input warning: new line within comments",
                                 "Finished reading test input from file 'w' [1 lines.]"}));
}

TEST_F(Tokens, LongIdentifierIsCutAt39WithAnErrorPerDroppedCharacter)
{
    std::string name(45, 'a');
    file("long", name);
    EXPECT_EQ(tokens("long", 0), (lines{"identifier: " + std::string(39, 'a'), "EOF"}));
    lines l = newlines();
    ASSERT_EQ(l.size(), 7u);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(l[i], "ERROR test input  identifier truncated:  " + std::string(39, 'a') + " ");
}

TEST_F(Tokens, UnclosedCommentWarnsAtTheEnd)
{
    file("c", "x {never closed\n");
    EXPECT_EQ(tokens("c", 0), (lines{"identifier: x", "EOF"}));
    EXPECT_EQ(newlines(), (lines{"test input warning: EOF within comments",
                                 "Finished reading test input from file 'c' [1 lines.]"}));
}

TEST_F(Tokens, EmptyFileGivesTheReportAndTheEnd)
{
    file("e", "");
    EXPECT_EQ(tokens("e", 1), (lines{"EOF"}));
    EXPECT_EQ(newlines(), (lines{"Finished reading test input from file 'e' [0 lines.]"}));
    v_next();                         // reading past the end stays at the end
    EXPECT_EQ(v_peep(), TEOF);
}

TEST_F(Tokens, FileThatCannotBeOpenedEndsTheReaderAtOnce)
{
    file_operation = "test input";
    EXPECT_FALSE(openfile("nosuchfile", 0));
    EXPECT_EQ(v_peep(), TEOF);
    EXPECT_EQ(newlines(), (lines{"ERROR test input  unable to open file:  nosuchfile "}));
    setcurfile("nosuchfile");
    testinput();
    EXPECT_EQ(newlines(), (lines{"ERROR test input  unable to open file:  nosuchfile "}));
}

TEST_F(Tokens, LongQuoteAndLongCommentAreWarned)
{
    file("l", cat({"\"", std::string(81, 'q'), "\"{", std::string(301, 'c'), "}\"",
                   std::string(80, 'q'), "\"{", std::string(300, 'c'), "}"}));
    tokens("l", 0);
    EXPECT_EQ(newlines(), (lines{"ERROR test input  warning: very long quoted string  ",
                                 "ERROR test input  warning: very long comment  ",
                                 "Finished reading test input from file 'l' [0 lines.]"}));
}

TEST_F(Tokens, IncludesFiveDeepAndTheSixthRefused)
{
    for (int i = 1; i <= 6; i++)
        file(cat({"inc", std::to_string(i)}),
             cat({"a", std::to_string(i), "\n%include \"inc", std::to_string(i + 1), "\"\nz",
                  std::to_string(i), "\n"}));
    file("top", "%include \"inc1\"\nend\n");
    lines t = tokens("top", 0);
    EXPECT_EQ(t, (lines{"identifier: a1", "identifier: a2", "identifier: a3", "identifier: a4",
                        "identifier: a5", "identifier: z5", "identifier: z4", "identifier: z3",
                        "identifier: z2", "identifier: z1", "identifier: end", "EOF"}));
    EXPECT_EQ(newlines(),
              (lines{"ERROR test input  inclusion depth too great  inc6 ",
                     "Finished reading test input from file 'inc5' [3 lines.]",
                     "Finished reading test input from file 'inc4' [3 lines.]",
                     "Finished reading test input from file 'inc3' [3 lines.]",
                     "Finished reading test input from file 'inc2' [3 lines.]",
                     "Finished reading test input from file 'inc1' [3 lines.]",
                     "Finished reading test input from file 'top' [2 lines.]"}));
    EXPECT_EQ(v_stat, 1);
}

TEST_F(Tokens, IncludeOfAMissingFileIsReportedAndReadingGoesOn)
{
    file("m", "x %include \"gone\" y");
    EXPECT_EQ(tokens("m", 0), (lines{"identifier: x", "identifier: y", "EOF"}));
    lines l = newlines();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], "ERROR test input  unable to open file:  gone ");
}

// A file including itself 30 times over would be read 30^5 times: the load
// stops at the bound on inclusions, naming the file and line it passed it
// on; and the interrupt key ends a load at the next character.
TEST_F(Tokens, InclusionsAreBoundedPerLoadAndALoadStopsWhenAsked)
{
    std::string bomb;
    for (int i = 0; i < 30; i++)
        bomb += "%include \"bomb\"\n";
    file("bomb", bomb);
    EXPECT_EQ(tokens("bomb", 0), (lines{"EOF"}));
    lines l = placedlines();
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.back().rfind("bomb:", 0), 0u) << l.back();
    EXPECT_NE(l.back().find(": ERROR test input  too much included, reading stopped"), std::string::npos)
        << l.back();
    EXPECT_LT(l.size(), static_cast<size_t>(INCLUSIONLIMIT) * 2);

    file("calm", "a b c");
    abortreq = 1;
    EXPECT_EQ(tokens("calm", 0), (lines{"EOF"}));
    abortreq = 0;
    EXPECT_EQ(newlines().back(), "ERROR test input  reading interrupted  ");
}

TEST_F(Tokens, IncludedNameIsCutAt79)
{
    file("n", "%include \"" + std::string(100, 'f') + "\" y");
    EXPECT_EQ(tokens("n", 0), (lines{"identifier: y", "EOF"}));
    EXPECT_EQ(newlines()[0], "ERROR test input  unable to open file:  " + std::string(79, 'f') + " ");
}

TEST_F(Tokens, MacrosDefineAndExpandInPlace)
{
    file("d", "%define NP det noun\n%define VP verb %NP\n(%VP) %undefined\n");
    EXPECT_EQ(tokens("d", 1), (lines{"char '('", "identifier: verb", "identifier: det",
                                     "identifier: noun", "char ')'",
                                     "identifier: %undefined", "linefeed", "EOF"}));
    EXPECT_EQ(newlines(), (lines{"Finished reading test input from file 'd' [3 lines.]"}));
    EXPECT_EQ(macrodict, nullptr) << "macros are freed when the file is done";
}

TEST_F(Tokens, LaterDefinitionHidesTheEarlier)
{
    file("h", "%define A one\n%define A two\n%A\n");
    EXPECT_EQ(tokens("h", 0), (lines{"identifier: two", "EOF"}));
}

TEST_F(Tokens, SelfExpandingMacroStopsAt20)
{
    file("r", "%define R x %R\n%R y\n");
    lines t = tokens("r", 0);
    ASSERT_EQ(t.size(), 22u);
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(t[i], "identifier: x");
    EXPECT_EQ(t[20], "identifier: y");
}

TEST_F(Tokens, MacroNameAndBodyAreCut)
{
    std::string name(60, 'n');
    std::string body(1200, 'b');
    file("cut", "%define " + name + " " + body + "\n%" + name.substr(0, 49) + "\n");
    file_operation = "test input";
    openfile("cut", 0);
    ASSERT_NE(macrodict, nullptr);
    EXPECT_EQ(macrodict->name, name.substr(0, 49));
    EXPECT_EQ(macrodict->def.size(), 999u);
    while (v_peep() != TEOF)
        v_next();
}

TEST_F(Tokens, LineEndsCountedAndDefinitionLineIncluded)
{
    file("cnt", "a\r\nb\n%define X y\nc");
    EXPECT_EQ(tokens("cnt", 1), (lines{"identifier: a", "linefeed", "identifier: b", "linefeed",
                                       "identifier: c", "EOF"}));
    EXPECT_EQ(newlines(), (lines{"Finished reading test input from file 'cnt' [3 lines.]"}));
}

TEST_F(Tokens, Byte255EndsTheFile)
{
    file("ff", "a b\xff" "c d");
    EXPECT_EQ(tokens("ff", 0), (lines{"identifier: a", "identifier: b", "EOF"}));
}

} // namespace

namespace {

// Error lines written while a file is read name the file and line of the
// token, through includes; a lexicon entry's errors name the entry's line;
// once the reading is closed, messages name no place.
TEST_F(Tokens, ErrorLinesNameTheFileAndLine)
{
    file("attrs", "gender (masc, fem)\n%\n");
    readattr("attrs");
    file("terms", "N\n");
    read_terminals("terms");
    file("part", "B = N %\n\nC = N[nosuch] %\n");
    file("syn", "A = N %\n%include \"part\"\nD = N[other] %\n");
    placedlines();
    read_syntax("syn");
    std::vector<std::string> l = placedlines();
    ASSERT_GE(l.size(), 2u);
    EXPECT_EQ(l[0], "part:3: ERROR Syntax Input C Unknown attribute nosuch ");
    EXPECT_EQ(l[2], "syn:3: ERROR Syntax Input D Unknown attribute other ");

    initdict();
    file("lex", "\"a\"|N|masc|1|\n\n\"b\"|N|numbr|1|\n\"c\"\n");
    readdict("lex");
    l = placedlines();
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l[0], "lex:3: ERROR lexicon input \"b\" Unknown attribute numbr ");
    EXPECT_EQ(l[2], "lex:4: ERROR lexicon input \"c\" Entry has fewer than two complete fields  ");

    v_err("after", "the", "reading");
    EXPECT_EQ(placedlines(), (lines{"ERROR lexicon input  after the reading"}));
    clearlexicon();
}

} // namespace
