// The command line, its results for the procedure language, and string files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <unistd.h>
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "commands/commands.h"
#include "editor/editor.h"
#include "screen/screen.h"

namespace {


// The command-line letters echoed so far.
std::string echoed()
{
    std::string r;
    for (const std::string &m : sent)
        if (m.rfind("$Cc", 0) == 0)
            r += m.substr(3);
    return r;
}

class Cmdline : public testing::Test {
protected:
    char dir[32] = "/tmp/kelcmdXXXXXX";
    std::vector<std::string> made;

    void SetUp() override
    {
        kelreset();
        listen();
        startoutput();
        ASSERT_NE(mkdtemp(dir), nullptr);
    }
    void TearDown() override
    {
        stoplistening();
        takeoutput();
        for (const std::string &f : made)
            unlink(f.c_str());
        rmdir(dir);
    }

    std::string file(const char *name, const std::string &text)
    {
        std::string path = std::string(dir) + "/" + name;
        std::FILE *f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        made.push_back(path);
        return path;
    }
};

} // namespace

TEST_F(Cmdline, CodeIsReadInCapitalsAndTheNameEchoed)
{
    pushfn("fe");
    EXPECT_EQ(getcmnd(), 0);
    EXPECT_EQ(echoed(), "FETCH ");
    EXPECT_EQ(transb, 0);
    EXPECT_TRUE(wassent("$mmCommand "));

    sent.clear();
    pushfn("u\rn");                            // RETURN as second letter is ignored
    EXPECT_EQ(getcmnd(), 29);
    EXPECT_EQ(echoed(), "UNIX SHELL ");

    sent.clear();
    pushfn("x\x7f" "fe");                      // rubout takes the first letter back
    EXPECT_EQ(getcmnd(), 0);
    EXPECT_TRUE(wassent("$Cb"));
}

TEST_F(Cmdline, ReturnFirstLeavesAndUnknownCodesAreRefused)
{
    transb = 0;
    pushfn("\r");
    EXPECT_EQ(getcmnd(), -1);
    EXPECT_EQ(transb, 0);

    pushfn("zz\r");                            // RETURN answers the message
    EXPECT_EQ(getcmnd(), -2);
    EXPECT_TRUE(wassent("$meInvalid Command Request"));

    // The end row is never matched, even when '*' can be typed as a letter.
    sent.clear();
    intran[static_cast<int>('*')] = 4;
    pushfn("**\r");
    EXPECT_EQ(getcmnd(), -2);
    EXPECT_TRUE(wassent("$meInvalid Command Request"));
}

TEST_F(Cmdline, ResultsRecordedForTheProcedureLanguage)
{
    mode = 2;
    loopdepth = 0;
    vl_result[0] = 7;
    pushfn("FU3|x\r\r");
    prcmnd();
    EXPECT_EQ(vl_result[0], 1);
    EXPECT_STREQ(fn[3], "x");
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(sent.back(), "$mmInsert  ");
    EXPECT_TRUE(wassent("$Cx"));
    EXPECT_EQ(shadow_ptr, 0);

    // A refused checker: no such file; RETURN answers the message.
    pushfn("JOnosuchfile\r\r\r");
    prcmnd();
    EXPECT_EQ(vl_result[0], 0);
    EXPECT_TRUE(wassent("$meFile not found (or no write permission)"));

    // Backing out at the start of the parameters.
    vl_result[0] = 1;
    pushfn("FU\x7f\r");
    prcmnd();
    EXPECT_EQ(vl_result[0], 0);

    // PROCEDURE and ASK leave the result to themselves.
    vl_result[0] = 7;
    pushfn("PRnosuchfile\r\r\r");
    prcmnd();
    EXPECT_EQ(vl_result[0], 7);
    EXPECT_EQ(mode, 2);
}

TEST_F(Cmdline, FullStoreRefusesMarkedCommands)
{
    full = true;
    vl_result[0] = 7;
    pushfn("AP\rFU1|y\r\r");
    prcmnd();
    full = false;
    EXPECT_TRUE(wassent("$mefiles full; command ignored"));
    EXPECT_EQ(vl_result[0], 1);                // only FUNCTION ran
    EXPECT_STREQ(fn[1], "y");
}

TEST_F(Cmdline, WarningAndPromptOnTheHelpLine)
{
    curcore().edited = true;
    pushfn("OB1\r\r");
    prcmnd();
    EXPECT_TRUE(wassent("$mhWarning: corefile not saved"));
    EXPECT_TRUE(wassent(std::string("$mh") + commands[25].prompt));
}

TEST_F(Cmdline, StringFileTranslatesBetweenTildes)
{
    std::string p = file("p", "ab\r\n~{M}~{M}\n~{<}x{>}~\xff" "after");
    ASSERT_EQ(readfile(p.c_str(), stringbuf, STRINGFILESIZE), 11);
    EXPECT_STREQ(stringbuf, "ab\r\r{M}\r\xfbx\xfc");
    EXPECT_EQ(readfile((std::string(dir) + "/none").c_str(), stringbuf, STRINGFILESIZE), -1);
}

TEST_F(Cmdline, LongStringFileIsTruncated)
{
    std::string p = file("long", std::string(6000, 'a'));
    pushfn("\r");
    del = 0;
    EXPECT_EQ(readfile(p.c_str(), stringbuf, STRINGFILESIZE), STRINGFILESIZE - 1);
    EXPECT_EQ(stringbuf[STRINGFILESIZE - 1], 0);
    EXPECT_TRUE(wassent("$me File Truncated "));
    EXPECT_NE(del, 2);

    // A rubout answer counts as failure.
    pushfn("\x7f");
    readfile(p.c_str(), stringbuf, STRINGFILESIZE);
    EXPECT_EQ(del, 2);
}

TEST_F(Cmdline, ProcedureRunsAndMayLoadAnother)
{
    // A loads B while A is still on the input stack. B is longer than A;
    // where A's reading position ends, B's text reads as a FUNCTION 7
    // command that B itself only types as a parameter.
    std::string bname = std::string(dir) + "/b";
    std::string a = "FU1|a~{M}~PR" + bname + "~{M}~";
    size_t alen = 9 + bname.size();             // A as stored
    std::string filler(alen - 10, 'x');
    file("b", "FU2|b~{M}~FU3|" + filler + "FU7|bad~{M}~");
    std::string apath = file("a", a);
    ASSERT_LT(apath.size(), static_cast<size_t>(MAXTYPED));

    static std::string keys;
    keys = "PR" + apath + "\r\r";
    fn[7][0] = 0;
    pushfn(keys.c_str());
    prcmnd();
    EXPECT_STREQ(fn[1], "a");
    EXPECT_STREQ(fn[2], "b");
    EXPECT_EQ(std::string(fn[3]), filler + "FU7bad");  // '|' ends nothing in the last parameter
    EXPECT_STREQ(fn[7], "");
    EXPECT_FALSE(wassent("$meInvalid Command Request"));
}

TEST_F(Cmdline, CheckersRefuseWithTheirMessages)
{
    curfile[0] = 0;
    pushfn("\r");
    del = 0;
    fpr();
    EXPECT_EQ(del, 2);
    EXPECT_TRUE(wassent("$meEmpty filename"));
    EXPECT_FALSE(fprs());

    std::string there = file("there", "x\n");
    std::snprintf(curfile, STRPARSIZE, "%s", there.c_str());
    del = 0;
    fpr();
    fpw();
    EXPECT_EQ(del, 0);
    EXPECT_TRUE(fprs());
    pushfn("\r");
    faw();
    EXPECT_EQ(del, 2);
    EXPECT_TRUE(wassent("$meFile already exists (or no write permission)"));

    std::snprintf(curfile, STRPARSIZE, "%s", dir);
    EXPECT_FALSE(fprs());                       // a directory is not read as a file
    pushfn("\r");
    del = 0;
    fpx();
    EXPECT_EQ(del, 2);
    EXPECT_TRUE(wassent("$meRequested file cannot be located (or is not executable)!"));

    std::string fresh = std::string(dir) + "/fresh";
    std::snprintf(curfile, STRPARSIZE, "%s", fresh.c_str());
    del = 0;
    faw();
    made.push_back(fresh);
    EXPECT_EQ(del, 0);
    EXPECT_EQ(access(fresh.c_str(), F_OK), 0);
}
