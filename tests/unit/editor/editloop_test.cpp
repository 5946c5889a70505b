// The edit loop's gatekeeping: repeat limits, the full store, the masks of
// objects and views, and the side effects recorded after an operation.
#include <gtest/gtest.h>
#include <string>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"

namespace {

class EditLoop : public testing::Test {
protected:
    std::string keys;
    void SetUp() override
    {
        kelreset();
        startoutput();
    }
    void TearDown() override { takeoutput(); }
    // Runs the loop on `k`, then leaves it with BYE, answering every
    // unsaved-corefile question with RETURN.
    void run(const std::string &k)
    {
        keys = k + "\x03" "by\r" + std::string(NCORE, '\r');
        pushfn(keys.c_str());
        editor();
    }
};

TEST_F(EditLoop, RepeatLimitActsOnlyWhileOn)
{
    run(std::string(25, '\r'));           // limiting off: every RETURN adds a line
    EXPECT_EQ(core[1].lncount, 26);

    kelreset();
    repflag = 0;                          // on: RETURN acts 20 times in a row
    run(std::string(25, '\r'));
    EXPECT_EQ(core[1].lncount, 21);

    kelreset();
    repflag = 0;                          // another key in between starts a new run
    run(std::string(20, '\r') + "a" + std::string(5, '\r'));
    EXPECT_EQ(core[1].lncount, 26);
}

TEST_F(EditLoop, FullStoreDropsKeysThatNeedSpaceButStillMoves)
{
    full = true;
    run("ab\x0b\x0b");                    // letters dropped, cursor down twice
    EXPECT_EQ(core[1].charcount, 0);
    EXPECT_EQ(core[1].lncount, 3);
    EXPECT_EQ(core[1].curline, 3);
}

TEST_F(EditLoop, RecordLineRefusesLettersInTextViewButNotCursorKeys)
{
    for (const char *c = "a|b"; *c; c++)
        cadd(static_cast<unsigned char>(*c));
    core[1].lnptr->object = 1;
    run("xy\x18\x0b");                    // letters, cursor right, cursor down
    EXPECT_EQ(linetext(core[1].header->down), "a|b");
    EXPECT_EQ(core[1].curline, 2);        // only up and down pass the masks
}

TEST_F(EditLoop, SideEffectsMarkEditedAndRecountTheLine)
{
    run("\x18");                           // cursor right: nothing changed
    EXPECT_FALSE(core[1].edited);
    kelreset();
    run("ab\rcd");
    EXPECT_TRUE(core[1].edited);
    EXPECT_EQ(core[1].curline, 2);
    EXPECT_EQ(linetext(core[1].header->down), "ab");
    EXPECT_EQ(linetext(core[1].lnptr), "cd");
    EXPECT_EQ(core[1].charcount, 4);
}

TEST_F(EditLoop, GoodbyeStopsAtARuboutAnswer)
{
    core[3].edited = true;
    keys = std::string("\x03" "by\r\x7f") + "\r\x03" "by\r\r";
    pushfn(keys.c_str());
    editor();                             // the first BYE is cancelled, the second ends
    EXPECT_TRUE(overflg);
    std::string out = takeoutput();
    startoutput();
    size_t first = out.find("WARNING: corefile 3 not saved. <del> aborts");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(out.find("WARNING: corefile 3 not saved. <del> aborts", first + 1), std::string::npos);
}

} // namespace
