// The terminal view's model of the screen, fed with message sequences, and
// the decoding of UTF-8 keys into the editor's Latin-1 keys.
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "tests/unit/fixture.h"

namespace {

VIEWMODEL *fed;
void feedtap(const char *msg) { viewfeed(*fed, msg); }

class Render : public testing::Test {
protected:
    VIEWMODEL v;

    void SetUp() override
    {
        kelreset();
        viewsize(v, 24, 80);
    }
    void TearDown() override { gwtap = nullptr; }

    void feed(std::initializer_list<const char *> msgs)
    {
        for (const char *m : msgs)
            viewfeed(v, m);
    }
    std::string row(int r) const
    {
        std::string s = viewrow(v, r);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    std::pair<int, int> cursor() const
    {
        int r, c;
        viewcursor(v, r, c);
        return {r, c};
    }
    void clean() { std::fill(v.dirty.begin(), v.dirty.end(), 0); }
    int dirtyrows() const { return static_cast<int>(std::count(v.dirty.begin(), v.dirty.end(), 1)); }
};

// The display routines' own full redraw, taken in through the tap.
TEST_F(Render, FullRedrawFromTheDisplayRoutines)
{
    numberedlines(3);
    std::strcpy(curcore().filname, "notes.txt");
    curcore().lncount = 3;
    fed = &v;
    gwtap = feedtap;
    mode = 1;
    startoutput();
    gendis();
    txtcur();
    discur();
    takeoutput();
    EXPECT_EQ(row(2), "  1");
    EXPECT_EQ(row(4), "  3");
    EXPECT_EQ(row(5), "");
    EXPECT_NE(row(0).find(" notes.txt"), std::string::npos) << row(0);
    EXPECT_NE(row(0).find("Typing    TEXT      core 1  line    1  col    1  of 3"),
              std::string::npos) << row(0);
    EXPECT_EQ(row(1).substr(0, 4), "  <.");
    EXPECT_EQ(row(23), "");
    EXPECT_EQ(cursor(), std::make_pair(2, 2));
    EXPECT_EQ(v.looks[0], VIEWBAR);
}

TEST_F(Render, TextRowsFlagsEchoAndCursor)
{
    feed({"$TF2,  ", "$TL2,hello", "$TF3,*+", "$TL3,a longer line", "$p2,7", "$+"});
    EXPECT_EQ(row(2), "  hello");
    EXPECT_EQ(row(3), "*+a longer line");
    EXPECT_EQ(cursor(), std::make_pair(2, 7));
    // An echoed character lands at the cursor, which moves on.
    feed({"$c!", "$c?"});
    EXPECT_EQ(row(2), "  hello!?");
    // A shorter row replaces the old one entirely; an empty row clears it.
    feed({"$TL3,ab", "$TF2,  ", "$TL2"});
    EXPECT_EQ(row(3), "*+ab");
    EXPECT_EQ(row(2), "");
    // Commas in the text are text.
    feed({"$TL4,x,y,z"});
    EXPECT_EQ(row(4), "  x,y,z");
    // The text zone clears the window rows only.
    feed({"$mnfile", "$Tx"});
    EXPECT_EQ(row(3), "");
    EXPECT_NE(row(0).find("file"), std::string::npos);
}

TEST_F(Render, ControlCharactersNeverReachTheTerminal)
{
    feed({"$TL2,a\x1b[2Jb\x9b", "$mne\x07vil"});
    EXPECT_EQ(row(2), "  a?[2Jb?");
    EXPECT_NE(row(0).find("e?vil"), std::string::npos);
}

TEST_F(Render, CommandLinePromptLettersAndRubOut)
{
    feed({"$mmCommand ", "$C+"});
    EXPECT_EQ(row(23), "Command:");
    EXPECT_EQ(cursor(), std::make_pair(23, 9));
    feed({"$CcS", "$CcX", "$Cb", "$CcA"});
    EXPECT_EQ(row(23), "Command: SA");
    feed({"$CcV", "$CcE", "$Cc ", "$mmFilename"});
    EXPECT_EQ(row(23), "Filename: SAVE");
    for (const char *m : {"$Ccn", "$Cco", "$Cct", "$Cce"})
        viewfeed(v, m);
    EXPECT_EQ(row(23), "Filename: SAVE note");
    EXPECT_EQ(cursor(), std::make_pair(23, 19));
    // The command cursor gone, the text cursor is shown again.
    feed({"$C-", "$p5,9", "$+"});
    EXPECT_EQ(cursor(), std::make_pair(5, 9));
    // Cleared, then redrawn whole; a result is added to what was typed.
    feed({"$Cx", "$CLEV 1+2", "$CL = 3"});
    EXPECT_EQ(row(23), "Filename: EV 1+2 = 3");
    // Back in typing mode there is no prompt.
    feed({"$Cx", "$mmTyping  "});
    EXPECT_EQ(row(23), "");
}

TEST_F(Render, LongCommandLineShowsItsEnd)
{
    viewsize(v, 24, 20);
    feed({"$mmCommand ", "$C+"});
    for (char c : std::string("FETCH averyveryverylongname"))
        viewfeed(v, (std::string("$Cc") + c).c_str());
    EXPECT_EQ(row(23), "eryveryverylongname");
    EXPECT_EQ(cursor().second, 19);
}

TEST_F(Render, ErrorWaitsOnTheHelpLineAndGoes)
{
    feed({"$p4,3", "$+", "$meFile not found", "$e+"});
    EXPECT_EQ(row(22), "File not found  -- RETURN");
    EXPECT_EQ(v.looks[22 * 80], VIEWERROR);
    EXPECT_EQ(v.looks[22 * 80 + 30], VIEWPLAIN);
    EXPECT_EQ(cursor(), std::make_pair(22, 25));
    // A full redraw while the error waits keeps it.
    feed({"$X", "$W"});
    EXPECT_EQ(row(22), "File not found  -- RETURN");
    feed({"$e-"});
    EXPECT_EQ(row(22), "");
    EXPECT_EQ(cursor(), std::make_pair(4, 3));
    // A result stays when an error after it is answered.
    feed({"$mbCH 101", "$e+", "$e-"});
    EXPECT_EQ(row(22), "CH 101");
}

TEST_F(Render, StatusRowKeepsTheNumbersOnANarrowScreen)
{
    viewsize(v, 10, 30);
    feed({"$mnaverylongfilename.txt", "$mmTyping  ", "$mvTEXT    ", "$mw 1", "$mr    7",
          "$mc   12", "$ml40"});
    std::string r0 = viewrow(v, 0);
    EXPECT_EQ(r0.size(), 30u);
    EXPECT_EQ(r0.substr(r0.size() - 16), "col   12  of 40 ") << r0;
}

TEST_F(Render, RecordDrawnAgainDropsTheFieldsOfTheOneBefore)
{
    feed({"$TL2", "$Tf  ", "$TR3,2,5,abc", "$TR3,10,5,defgh", "$TR4,2,5,ijk"});
    EXPECT_EQ(row(3), "  abc     defgh");
    EXPECT_EQ(row(4), "  ijk");
    EXPECT_EQ(v.looks[3 * 80 + 5], VIEWFIELD);      // the field's extent shows
    EXPECT_EQ(v.looks[3 * 80 + 7], VIEWPLAIN);
    feed({"$TL2", "$Tf* ", "$TR3,2,5,xy"});
    EXPECT_EQ(row(2), "*");
    EXPECT_EQ(row(3), "  xy");
    EXPECT_EQ(row(4), "");
    // The flags alone (a star set) leave the fields.
    feed({"$Tf  "});
    EXPECT_EQ(row(3), "  xy");
}

TEST_F(Render, OnlyChangedRowsAreRepainted)
{
    feed({"$TL2,abc", "$mc    1"});
    clean();
    feed({"$TL2,abc", "$mc    1", "$p2,3", "$+", "$-"});
    EXPECT_EQ(dirtyrows(), 0);
    feed({"$mc    2"});
    EXPECT_EQ(dirtyrows(), 1);
    EXPECT_TRUE(v.dirty[0]);
    clean();
    feed({"$p2,5", "$cx"});
    EXPECT_EQ(dirtyrows(), 1);
    EXPECT_TRUE(v.dirty[2]);
}

TEST_F(Render, ArbitraryMessagesNeverBreakTheModel)
{
    std::mt19937 rng(7);
    const std::string heads[] = {"$T", "$TL", "$TF", "$TR", "$Tf", "$p", "$c", "$C", "$Cc",
                                 "$CL", "$m", "$mt", "$e", "$X", "$", ""};
    for (int sizes : {0, 1, 3, 24}) {
        viewsize(v, sizes, sizes * 3);
        for (int i = 0; i < 3000; i++) {
            std::string m = heads[rng() % std::size(heads)];
            int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; k++)
                m += static_cast<char>(rng() % 2 ? '0' + rng() % 10 : 1 + rng() % 255);
            viewfeed(v, m.c_str());
            int r, c;
            viewcursor(v, r, c);
            if (sizes > 0) {
                ASSERT_TRUE(r >= 0 && r < v.rows && c >= 0 && c < v.cols) << m;
            }
        }
    }
    viewfeed(v, nullptr);
    // Rows beyond the window are left to the status, help and command rows.
    v = VIEWMODEL{};
    viewsize(v, 24, 80);
    feed({"$TL0,over the status", "$TL22,help", "$TL23,cmd", "$TR3,75,9,cut off at the edge"});
    EXPECT_EQ(row(22), "");
    EXPECT_EQ(row(23), "");
    EXPECT_EQ(row(3), std::string(75, ' ') + "cut o");
}

// --------------------------------------------------------------- UTF-8 keys

int key(const char *utf8)
{
    return utf8key(reinterpret_cast<const unsigned char *>(utf8),
                   static_cast<int>(std::strlen(utf8)));
}

TEST_F(Render, LettersArriveAsTheEscapeKeysThatDeliverThem)
{
    // é and â are letters of the first escape plane, è of the second.
    for (const char *s : {"é", "â", "è", "ñ", "ç"}) {
        SCOPED_TRACE(s);
        int k = key(s);
        ASSERT_GE(k, KEYENTRY);
        ASSERT_LT(k, KEYTEXT);
        int ix = k - KEYENTRY;
        EXPECT_GE(ix, ESCPLANE1);
        EXPECT_LT(ix, NUMPLANE);
        EXPECT_EQ(intran[ix], 2);
        int ch = (static_cast<unsigned char>(s[0]) & 0x1F) << 6 | (static_cast<unsigned char>(s[1]) & 0x3F);
        EXPECT_EQ(char_map[ix], ch);
    }
    EXPECT_EQ(key("é"), KEYENTRY + ESCPLANE1 + 'e');
    EXPECT_EQ(key("è"), KEYENTRY + ESCPLANE2 + 'e');
}

TEST_F(Render, OtherLatin1CharactersArriveAsText)
{
    EXPECT_EQ(key("ë"), KEYTEXT + 0xEB);
    EXPECT_EQ(key("ï"), KEYTEXT + 0xEF);
    EXPECT_EQ(key("Ü"), KEYTEXT + 0xDC);
    EXPECT_EQ(key("«"), KEYTEXT + 0xAB);
    EXPECT_EQ(key("\xc2\xa0"), KEYTEXT + 0xA0);
    // When KEY takes the escape key's letter away, é is typed as text.
    intran[ESCPLANE1 + 'e'] = 0;
    EXPECT_EQ(key("é"), KEYTEXT + 0xE9);
}

TEST_F(Render, CharactersOutsideLatin1AreRefused)
{
    const char *const refused[] = {
        "ÿ",                    // the arena's free-character code
        "€", "ő", "\xf0\x9f\x98\x80",
        "\xc2\x85",             // a C1 control
        "\xc3",                 // cut short
        "\xc3\x28",             // not a continuation
        "\xc0\xa9",             // overlong
        "\x80", "\xff",
    };
    for (const char *s : refused)
        EXPECT_EQ(key(s), -3) << s;
}

} // namespace
