// The "$" line protocol: which messages reach standard output, and in what form.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "screen/screen.h"
#include "tests/unit/fixture.h"

namespace {

std::vector<std::string> tapped;
void record(const char *msg) { tapped.emplace_back(msg); }

class Protocol : public testing::Test {
protected:
    void SetUp() override
    {
        kelreset();
        tapped.clear();
        gwtap = record;
    }
    void TearDown() override { gwtap = nullptr; }

    // What gwtransmit writes for one message.
    static std::string sent(const char *msg)
    {
        startoutput();
        gwtransmit(msg);
        return takeoutput();
    }
};

TEST_F(Protocol, ForwardedClassesWritePayloadAndCrLf)
{
    const char *const kept[][2] = {
        {"$cx", "x"},           {"$CcF", "F"},          {"$Cb", ""},
        {"$CLFE file", "FE file"}, {"$CL = 14", " = 14"}, {"$mMRED", "RED"},
        {"$mbCH 101", "CH 101"}, {"$mbERR 1", "ERR 1"}, {"$meNo such file", "No such file"},
        {"$mfFP Syntax Error", "FP Syntax Error"}, {"$mh", ""}, {"$mhLoading", "Loading"},
        {"$mi3", "3"},          {"$mU###", "###"},      {"$mmInsert  ", "Insert  "},
        {"$mnletter.txt", "letter.txt"},
    };
    for (const auto &k : kept) {
        SCOPED_TRACE(k[0]);
        EXPECT_TRUE(forwarded(k[0]));
        EXPECT_EQ(sent(k[0]), std::string(k[1]) + "\r\n");
    }
}

TEST_F(Protocol, EveryOtherMessageIsDropped)
{
    const char *const dropped[] = {
        "$TF2, +", "$TL3", "$TL2,abc", "$TR3,2,5,ab", "$Tf* ", "$Tsu", "$Tx",
        "$p2,1", "$e+", "$e-", "$b", "$X", "$W", "$+", "$-",
        "$Cx", "$C+", "$C-", "$Cq", "$C",
        "$mc    1", "$ml4", "$mr    2", "$mt<...>", "$mvTEXT    ", "$mw 1",
        "$mVAattr.fil", "$mz", "$m",
        "$l 3", "$t 4", "GREEN 1 2", "", "$", "$Q", "x",
    };
    for (const char *msg : dropped) {
        SCOPED_TRACE(msg);
        EXPECT_FALSE(forwarded(msg));
        EXPECT_EQ(sent(msg), "");
    }
}

TEST_F(Protocol, NothingAtAllWhileInvisible)
{
    visible = 0;
    startoutput();
    for (const char *msg : {"$cx", "$CcA", "$Cb", "$mU###", "$meerror", "$mi1"}) {
        EXPECT_FALSE(forwarded(msg));
        gwtransmit(msg);
    }
    putcmdlett('A');
    backspace();
    EXPECT_EQ(takeoutput(), "");
    // The tap still sees every message; only the writing stops.
    EXPECT_EQ(tapped.size(), 8u);
    visible = 1;
    EXPECT_EQ(sent("$mU###"), "###\r\n");
}

TEST_F(Protocol, SmallSendersAndTheirFormats)
{
    startoutput();
    txtcur();
    rmtxtcur();
    cmdcur();
    rmcmdcur();
    clrtextzone();
    ibeep();
    postcur(7, 12);
    postcur(-56, 2147483647);
    EXPECT_EQ(takeoutput(), "");
    std::vector<std::string> want = {"$+", "$-", "$C+", "$C-", "$Tx", "$b", "$p12,7",
                                     "$p2147483647,-56"};
    EXPECT_EQ(tapped, want);
}

TEST_F(Protocol, CommandLineCopyFollowsLettersAndRubouts)
{
    startoutput();
    putcmdlett('F');
    putcmdlett('E');
    backspace();
    putcmdlett('I');
    EXPECT_EQ(takeoutput(), "F\r\nE\r\n\r\nI\r\n");
    EXPECT_EQ(std::string(shadow_cmdline), "FI");
    EXPECT_EQ(shadow_ptr, 2);

    // Rubbing out more than was typed leaves an empty copy and still sends.
    startoutput();
    backspace();
    backspace();
    backspace();
    EXPECT_EQ(takeoutput(), "\r\n\r\n\r\n");
    EXPECT_EQ(shadow_ptr, 0);
    EXPECT_EQ(std::string(shadow_cmdline), "");
}

TEST_F(Protocol, CommandLineCopyStopsAtItsSize)
{
    startoutput();
    for (int i = 0; i < SHADOWSIZE + 50; i++)
        putcmdlett(static_cast<char>('a' + i % 26));
    std::string out = takeoutput();
    EXPECT_EQ(out.size(), static_cast<size_t>(SHADOWSIZE + 50) * 3);  // every letter sent
    EXPECT_EQ(shadow_ptr, SHADOWSIZE);
    EXPECT_EQ(std::string(shadow_cmdline).size(), static_cast<size_t>(SHADOWSIZE));
    startoutput();
    backspace();
    EXPECT_EQ(takeoutput(), "\r\n");
    EXPECT_EQ(std::string(shadow_cmdline).size(), static_cast<size_t>(SHADOWSIZE - 1));
}

} // namespace
