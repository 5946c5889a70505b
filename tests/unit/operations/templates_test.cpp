// Record templates laid out and drawn, the merge engine over records and
// paragraphs at its limits, and the views' records and their reading back.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "engine/engine.h"

namespace {

class Templates : public testing::Test {
protected:
    std::string templ;

    void SetUp() override { kelreset(); }
    void TearDown() override { stoplistening(); }

    // Lines of the current corefile, object 1 for "\r..." and 0 otherwise.
    static void lines(const std::vector<std::string> &text)
    {
        COREFILE &c = curcore();
        clrfile();
        removeline();
        for (const std::string &t : text) {
            bool rec = t.rfind("\\r", 0) == 0;
            addline(rec ? t.substr(2) : t, rec ? 1 : 0);
        }
        c.lnptr = c.disln = c.header->down;
        c.curcol = 1;
    }
    void lay(const std::string &t, int draw = 0)
    {
        templ = t + static_cast<char>(TEMPLEND);
        tempbufptr = templ.c_str();
        writetemplate(draw);
    }
    static std::string expand(const std::string &t)
    {
        mrgptr = t.c_str();
        mrglen = static_cast<int>(t.size());
        int n = merge();
        std::string out = n > 0 ? std::string(reinterpret_cast<char *>(textbase + avail), static_cast<size_t>(n)) : "";
        if (n > 0)
            std::memset(textbase + avail, FREECH, static_cast<size_t>(n));
        return out;
    }
    static std::vector<std::string> fieldsdrawn()
    {
        std::vector<std::string> f;
        for (const std::string &m : sent)
            if (m.rfind("$TR", 0) == 0)
                f.push_back(m.substr(3));
        return f;
    }
};

TEST_F(Templates, SmallTemplateLayout)
{
    listen();
    lay("Name: #1/10/c\r{r3 c5}#2/8/f{c20}#4\rAb#3/2", 1);
    EXPECT_EQ(templerr[0], 0);
    EXPECT_EQ(numfields, 4);
    EXPECT_EQ(frow[1], 3);  EXPECT_EQ(fcol[1], 8);  EXPECT_EQ(maxfieldlen[1], 10); EXPECT_EQ(ftype[1], 'c');
    EXPECT_EQ(frow[2], 5);  EXPECT_EQ(fcol[2], 6);  EXPECT_EQ(maxfieldlen[2], 8);  EXPECT_EQ(ftype[2], 'f');
    EXPECT_EQ(frow[4], 5);  EXPECT_EQ(fcol[4], 21); EXPECT_EQ(maxfieldlen[4], 5);  EXPECT_EQ(ftype[4], 'c');
    EXPECT_EQ(frow[3], 6);  EXPECT_EQ(fcol[3], 4);  EXPECT_EQ(maxfieldlen[3], 2);
    EXPECT_EQ(frow[5], 3);  EXPECT_EQ(fcol[5], 34); // the default layout beyond
    // The text, each run placed first: "Name: " on template row 1, "Ab" on row 4.
    std::vector<std::string> want = {"$p3,2", "$cN", "$ca", "$cm", "$ce", "$c:", "$c ", "$p6,2", "$cA", "$cb"};
    std::vector<std::string> got;
    for (const std::string &m : sent)
        if (m[1] == 'p' || m[1] == 'c')
            got.push_back(m);
    EXPECT_EQ(got, want);
}

TEST_F(Templates, TemplateErrorsStopTheLayoutNamingTheLine)
{
    struct { const char *text; const char *message; } cases[] = {
        {"#1\r#2/3\r#101", "Template line 3: field number outside 1 to 100"},
        {"#1\r#2/3\r{r50}#5", "Template line 3: row outside the window"},
        {"#1\r#2/3\r{c0}", "Template line 3: column outside the window"},
        {"#1\r#2/3\r#7/-4", "Template line 3: negative field width"},
        {"#1\r#2/3\rx}", "Template line 3: '}' outside a directive group"},
        {"#1\r#2/3\r{r1 q}", "Template line 3: unknown directive"},
        {"#1\r#2/3\r{r1", "Template line 3: directive group not closed"},
    };
    for (const auto &c : cases) {
        lay(c.text);
        EXPECT_EQ(writetemplate(0), 1) << c.text;
        EXPECT_STREQ(templerr, c.message) << c.text;
        EXPECT_EQ(frow[2], 4) << c.text;      // defined before the error
        EXPECT_EQ(maxfieldlen[2], 3) << c.text;
        EXPECT_EQ(numfields, 2) << c.text;
        EXPECT_EQ(frow[7], 4) << c.text;      // the rest keep the default layout
        EXPECT_EQ(maxfieldlen[7], 5) << c.text;
    }
    // Text running below the last row is refused rather than laid out off-screen.
    lay(std::string(static_cast<size_t>(depth + 1), '\r') + "x");
    EXPECT_EQ(writetemplate(0), 1);
}

TEST_F(Templates, MergeOverRecordsAndParagraphs)
{
    lines({"\\rSmith|John||x"});
    EXPECT_EQ(expand("#2-#1"), "John-Smith");
    EXPECT_EQ(expand("#1`2 #3.#4"), "Smith2 .x");   // a backquote ends a field number
    EXPECT_EQ(mrgnumfields, 4);
    EXPECT_EQ(fperror, 0);
    EXPECT_EQ(expand("a#5b"), "a");
    EXPECT_EQ(fperror, 3);
    EXPECT_EQ(expand("#0"), "");
    EXPECT_EQ(fperror, 3);

    lmargin = 1;
    lines({"one  two", "three", "  four", "five"});
    curcore().curcol = 4;                   // from the cursor on a text line
    EXPECT_EQ(expand("#1/#2/#3"), "two/three/");
    EXPECT_EQ(mrgnumfields, 2);             // the indented line ends the paragraph
    EXPECT_EQ(fperror, 3);
    curcore().viewtype = 1;                 // other views read the line alone
    EXPECT_EQ(expand("#1"), "two");
    EXPECT_EQ(mrgnumfields, 1);
}

TEST_F(Templates, MergeReadsAtMostFiftyFields)
{
    std::string rec = "\\r";
    for (int i = 1; i <= 60; i++)
        rec += std::to_string(i) + "|";
    lines({rec});
    EXPECT_EQ(expand("#50"), "50");
    EXPECT_EQ(mrgnumfields, NMRGFIELDS);
    expand("#51");
    EXPECT_EQ(fperror, 3);
}

TEST_F(Templates, MergeThatDoesNotFitLeavesTheArena)
{
    lines({"\\rabcdefghij"});
    int64_t keep = avail;
    avail = TEXTSIZE - 15;
    pushfn("\r");                           // answers the message
    EXPECT_EQ(expand("#1#1"), "");
    EXPECT_EQ(avail, TEXTSIZE - 15);
    for (int64_t i = avail; i < TEXTSIZE; i++)
        ASSERT_EQ(textbase[i], FREECH) << i;
    avail = keep;
}

TEST_F(Templates, MergeIntoCorefileSixteenAfterItsCursorLine)
{
    lines({"\\rSmith|John", "\\rDoe|Jane"});
    std::strcpy(mrgstring, "#2\r#1");
    mrgtext();
    curcore().lnptr = curcore().lnptr->down;
    std::strcpy(mrgstring, "#2 #1\r");
    mrgtext();
    const COREFILE &m = core[16];
    EXPECT_EQ(corelines(16), (std::vector<std::string>{"", "John", "Smith", "Jane Doe"}));
    EXPECT_EQ(m.lncount, 4);
    EXPECT_EQ(m.lnptr, m.header->up);
    EXPECT_EQ(m.disln, m.lnptr);
    EXPECT_TRUE(m.edited);
    EXPECT_EQ(corenum, 1);
}

TEST_F(Templates, ViewListsCorefilesAndEngineFiles)
{
    corenum = 3;
    numberedlines(12);                      // 12 lines, 15 characters
    std::strcpy(curcore().filname, "three");
    corenum = 1;
    listen();
    param[1] = 1;
    pushfn("\r");
    view();
    std::vector<std::string> f = fieldsdrawn();
    ASSERT_EQ(f.size(), 58u);
    EXPECT_EQ(f[3], "6,23,24,three");       // core 3's name at its row and column
    EXPECT_EQ(f[19 + 6], "6,55,8,12");      // its line count
    EXPECT_EQ(f[19 + 7], "6,71,8,15");      // its character count
    EXPECT_EQ(f[57], "2,16,8,15");           // the total, above the corefiles
    EXPECT_EQ(corenum, 1);                  // back after RETURN
    EXPECT_EQ(tempbufptr, nullptr);

    putgenrafile("lex.dat", 'L');
    sent.clear();
    param[1] = 2;
    pushfn("\x7f");                         // rub-out leaves as well
    view();
    f = fieldsdrawn();
    ASSERT_EQ(f.size(), 12u);
    EXPECT_EQ(f[6], "9,26,48,lex.dat");
    EXPECT_EQ(del, 0);
    EXPECT_EQ(corenum, 1);
}

TEST_F(Templates, SettingsViewReadsBackWithinRanges)
{
    std::strcpy(fn[3], "a\rb{");
    std::strcpy(termstring, "\xfb" "x\xfc");
    std::strcpy(expression, "#1+1");
    std::string mine = "#1/7" + std::string(1, static_cast<char>(TEMPLEND));
    tempbufptr = mine.c_str();
    param[1] = 0;
    view();
    EXPECT_EQ(corenum, 19);
    EXPECT_EQ(curcore().viewtype, 7);
    EXPECT_EQ(mode, 1);
    // The digits at the record's end: search unit, justification, hyphenation, layout.
    const LINE *line = curcore().header->down;
    unsigned char *end = textbase + line->index + line->length;
    ASSERT_EQ(std::string(reinterpret_cast<char *>(end - 8), 8), "0|0|0|1|");
    end[-8] = '9';
    end[-6] = '5';
    end[-4] = '7';
    end[-2] = '9';
    int before = fnptr;
    viewterm();
    EXPECT_EQ(scanunit, 6);
    EXPECT_EQ(jmode, 1);
    EXPECT_EQ(hyphlevel, 3);
    EXPECT_EQ(lrcswitch, 2);
    EXPECT_STREQ(fn[3], "a\rb{");            // through the brace notation and back
    EXPECT_STREQ(termstring, "\xfb" "x\xfc");
    EXPECT_STREQ(expression, "#1+1");
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(tempbufptr, mine.c_str());
    EXPECT_EQ(maxfieldlen[1], 7);
    EXPECT_FALSE(core[19].edited);
    ASSERT_EQ(fnptr, before + 1);
    EXPECT_STREQ(fnstack[fnptr], "\x03");   // the command line opens again
}

TEST_F(Templates, ReturnInAPageViewNotOpenedByViewDoesNothing)
{
    lines({"\\r1|2|3|4|5|6|7|8|9|0|1|2|3|4|5|6|7|8|9"});
    curcore().viewtype = 7;
    int keep = hyphlevel;
    viewterm();
    EXPECT_EQ(hyphlevel, keep);
    EXPECT_EQ(corenum, 1);
}

}  // namespace
