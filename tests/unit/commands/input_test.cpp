// The input stream: decoding through the planes, function keys, the
// procedure language, nesting limits, keyboard levels, the small readers
// and ASK's stored answers.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include "tests/unit/fixture.h"
#include "commands/commands.h"
#include "screen/screen.h"
#include "children/children.h"

// Procedure control bytes as they stand in a string.
#define P_LOOP "\xFB"
#define P_LEND "\xFC"
#define P_TEST "\xFD"
#define P_COUNT "\xFE"
#define P_ENDCOUNT "\xF7"
#define P_IF "\xF1"
#define P_IFEQ "\xD3"
#define P_IFCAPT "\xD9"
#define P_ELSE "\xF5"
#define P_ENDIF "\xF6"
#define P_ALWAYS "\xD6"

namespace {

constexpr char SENTINEL = '!';      // what the keyboard gives after its bytes
constexpr int PADDING = 1000;

// A keystroke source filled from a pipe, followed by a long run of '!' so
// that reading too far shows up as '!' rather than waiting for input.
struct pipesource {
    KEYSOURCE src{};
    void fill(std::string_view bytes, bool pad = true)
    {
        close();
        int p[2];
        ASSERT_EQ(pipe(p), 0);
        std::string all(bytes);
        if (pad)
            all.append(PADDING, SENTINEL);
        ASSERT_EQ(write(p[1], all.data(), all.size()), static_cast<ssize_t>(all.size()));
        ::close(p[1]);
        src = KEYSOURCE{};
        src.fd = p[0];
    }
    void close()
    {
        if (src.fd > 0)
            ::close(src.fd);
        src.fd = -1;
    }
};

class Input : public testing::Test {
protected:
    pipesource keys;

    void SetUp() override
    {
        kelreset();
        keyboard("");
    }
    void TearDown() override
    {
        inptr = &stdinsource;
        keys.close();
    }
    void keyboard(std::string_view bytes)
    {
        keys.fill(bytes);
        inptr = &keys.src;
    }
    // Characters delivered until the keyboard's sentinel.
    std::string run()
    {
        std::string out;
        for (int i = 0; i < PADDING / 2; i++) {
            fetchchar();
            if (holdch == SENTINEL && type == 2)
                return out;
            out += static_cast<char>(holdch);
        }
        ADD_FAILURE() << "no sentinel after " << out;
        return out;
    }
    int next()
    {
        fetchchar();
        return type;
    }
};

// --------------------------------------------------------------- decoding

TEST_F(Input, EscapePlanesDecode)
{
    keyboard("\x1b[A"                   // ANSI up key
             "\x1b" "e"                 // e acute
             "\xE5"                     // the same entry as an 8-bit byte
             "\x1b\x1b" "13 "           // numeric code 13: the command key
             "\x1b[D");                 // ANSI left key
    EXPECT_EQ(next(), 20);
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(holdch, 0xE9);
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(holdch, 0xE9);
    EXPECT_EQ(next(), 21);
    EXPECT_EQ(next(), 17);              // the blank after 13 was consumed
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(holdch, SENTINEL);
    EXPECT_EQ(escflg, 0);
}

TEST_F(Input, PlainPlaneClassifies)
{
    keyboard("a7-~ \x7f\r\n\x03");
    const int want[] = {4, 3, 4, 4, 2, 5, 1, 1, 21};
    for (int t : want)
        EXPECT_EQ(next(), t);
}

TEST_F(Input, TransbCapitalisesOnlyLetters)
{
    transb = 1;
    keyboard("f1-\x1b" "a" "z");
    EXPECT_EQ(next(), 4);
    EXPECT_EQ(holdch, 'F');
    EXPECT_EQ(next(), 3);
    EXPECT_EQ(holdch, '1');
    EXPECT_EQ(next(), 4);
    EXPECT_EQ(holdch, '-');
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(holdch, 0xE1);            // a acute stays small
    EXPECT_EQ(next(), 4);
    EXPECT_EQ(holdch, 'Z');
}

TEST_F(Input, NumericCodesAreCappedAndCloseOnAnyNonDigit)
{
    intran[NUMPLANE + MAXNUMCODE] = 50;
    keyboard("\x1b[999~"
             "\x1b[99999999999999999999x"
             "\x1b[3~");
    EXPECT_EQ(next(), 50);
    EXPECT_EQ(holdch, (NUMPLANE + MAXNUMCODE) & 0xff);
    EXPECT_EQ(next(), 50);              // a huge number is still 239
    EXPECT_EQ(next(), 5);               // ESC [ 3 ~ is rub-out
    EXPECT_EQ(next(), 2);
    EXPECT_EQ(holdch, SENTINEL);        // each closing byte was dropped
}

TEST_F(Input, FunctionKeysPushTheirStrings)
{
    std::strcpy(fn[5], "xy");
    pushfn("a\x1b" "5b");               // in a procedure: ESC 5
    EXPECT_EQ(run(), "axyb");

    keyboard("\x1b[15~" "\xB5");        // numeric code 15 and byte 128 + '5'
    EXPECT_EQ(run(), "xyxy");

    keyboard("\x1b" "0");               // function key 0 runs UPDATE
    EXPECT_EQ(next(), 21);
    EXPECT_EQ(run(), "up\r");
}

TEST_F(Input, DriverEndReadsAsKillAndKeyboardTakesOver)
{
    KEYSOURCE saved = stdinsource;
    pipesource terminal;
    terminal.fill("z");
    stdinsource = terminal.src;

    keys.fill("\x1b", false);           // a prefix, then the driver's output ends
    inptr = &keys.src;
    EXPECT_EQ(next(), 4);               // not ESC DEL's plane-2 twin (delete line)
    EXPECT_EQ(holdch, 'z');
    EXPECT_EQ(inptr, &stdinsource);

    inptr = &stdinsource;
    terminal.close();
    stdinsource = saved;
}

// ------------------------------------------------------------- procedures

TEST_F(Input, CountLoopTestsBeforeEachPass)
{
    pushfn(P_COUNT "3" P_LOOP P_TEST "x" P_LEND P_ENDCOUNT "e");
    EXPECT_EQ(run(), "xxxe");
    EXPECT_EQ(loopdepth, 0);
    EXPECT_EQ(loopptr, 0);

    pushfn(P_COUNT "3" P_LOOP "x" P_TEST P_LEND P_ENDCOUNT "e");
    EXPECT_EQ(run(), "xxxxe");

    pushfn(P_COUNT "0" P_LOOP P_TEST "x" P_LEND P_ENDCOUNT "e");
    EXPECT_EQ(run(), "e");
}

TEST_F(Input, NestedCountLoopsKeepTheirOwnCounters)
{
    pushfn(P_COUNT "2" P_LOOP P_TEST "a"
               P_COUNT "3" P_LOOP P_TEST "b" P_LEND P_ENDCOUNT
           P_LEND P_ENDCOUNT "e");
    EXPECT_EQ(run(), "abbbabbbe");
    EXPECT_EQ(loopdepth, 0);
    EXPECT_EQ(loopptr, 0);
}

TEST_F(Input, WhileLoopRepeatsWhileTheCommandSucceeds)
{
    // 'c' stands for a command: it succeeds twice, then fails.
    pushfn(P_LOOP "c" P_TEST "x" P_LEND "e");
    int successes = 2;
    std::string out;
    for (int i = 0; i < 20; i++) {
        fetchchar();
        if (holdch == SENTINEL)
            break;
        out += static_cast<char>(holdch);
        if (holdch == 'c')
            vl_result[loopdepth] = successes-- > 0 ? 1 : 0;
    }
    EXPECT_EQ(out, "cxcxce");
}

TEST_F(Input, IfSkipsToElseOrEnd)
{
    pushfn(P_IF "a" P_ELSE "b" P_ENDIF "c");
    EXPECT_EQ(run(), "bc");
    pushfn(P_IF "a" P_ENDIF "c");
    EXPECT_EQ(run(), "c");
    vl_result[0] = 1;                   // else met while executing skips to the end
    pushfn(P_IF "a" P_ELSE "b" P_ENDIF "c");
    EXPECT_EQ(run(), "ac");
}

TEST_F(Input, IfEqualReadsItsNumberFromTheString)
{
    vl_result[0] = 12;
    pushfn(P_IFEQ "12 a" P_ELSE "b" P_ENDIF);
    EXPECT_EQ(run(), "a");              // the blank is consumed
    pushfn(P_IFEQ "4 a" P_ELSE "b" P_ENDIF);
    EXPECT_EQ(run(), "b");
    pushfn(P_IFEQ "12a" P_ENDIF);
    EXPECT_EQ(run(), "a");              // the non-digit is read again
}

TEST_F(Input, IfCaptureComparesTheTextUpToReturn)
{
    std::strcpy(unified[2], "cat");
    pushfn(P_IFCAPT "2 cat\r" "Y" P_ELSE "N" P_ENDIF);
    EXPECT_EQ(run(), "Y");
    EXPECT_STREQ(patt, "cat");
    pushfn(P_IFCAPT "2 dog\r" "Y" P_ELSE "N" P_ENDIF);
    EXPECT_EQ(run(), "N");
    pushfn(P_IFCAPT "30 cat\r" "Y" P_ELSE "N" P_ENDIF);   // no such slot
    EXPECT_EQ(run(), "N");
    pushfn(P_IFCAPT "2 cat");           // text ends with the string
    EXPECT_EQ(run(), "");

    static std::string longer;          // longer than patt: cut, never written past
    longer = P_IFCAPT "2 " + std::string(300, 'q') + "\r" "Y" P_ELSE "N" P_ENDIF;
    pushfn(longer.c_str());
    EXPECT_EQ(run(), "N");
    EXPECT_EQ(std::strlen(patt), static_cast<size_t>(PATTSIZE - 1));
}

TEST_F(Input, SkipsCountOnlyIfAndAlwaysAsOpeners)
{
    const char *block = P_IF "a" P_ALWAYS "b" P_ELSE "c" P_ENDIF "d" P_ELSE "e" P_ENDIF "f";
    pushfn(block);
    EXPECT_EQ(run(), "ef");
    vl_result[0] = 1;
    pushfn(block);
    EXPECT_EQ(run(), "abdf");

    vl_result[0] = 0;
    pushfn(P_IF "a" P_IF "b" P_ENDIF "c" P_ELSE "d" P_ENDIF "e");
    EXPECT_EQ(run(), "de");
    // An if-equal inside a skipped block opens nothing: its end closes the if.
    pushfn(P_IF "a" P_IFEQ "1 b" P_ENDIF "c" P_ELSE "d" P_ENDIF "e");
    EXPECT_EQ(run(), "ce");
}

TEST_F(Input, SkipsStopAtTheEndOfTheString)
{
    pushfn("xy");
    pushfn(P_IF "a");                   // no else or end: the string is popped
    EXPECT_EQ(run(), "xy");
    EXPECT_EQ(fnptr, 0);

    pushfn("xy");
    pushfn("a" P_ELSE "b");
    EXPECT_EQ(run(), "axy");

    pushfn("xy");
    pushfn(P_LOOP P_TEST "a");          // loop skip without a loop end
    EXPECT_EQ(run(), "xy");
    EXPECT_EQ(loopptr, 0);
}

// ------------------------------------------------------------- limits

TEST_F(Input, StackDepthsAreBounded)
{
    static const char *const strings[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (const char *s : strings)
        pushfn(s);
    pushfn("Z");                        // an eleventh string is ignored
    EXPECT_EQ(fnptr, NSTRINGS);
    EXPECT_EQ(run(), "9876543210");

    static std::string starts;
    starts = std::string(NLOOPS + 1, '\xFB') + "xy";
    pushfn(starts.c_str());
    fetchchar();
    EXPECT_EQ(holdch, 'x');
    EXPECT_EQ(loopptr, NLOOPS);         // the 21st start was ignored
    EXPECT_EQ(run(), "y");
    EXPECT_EQ(loopptr, 0);              // and the string's end dropped the others

    static std::string counts;
    counts.clear();
    for (int i = 0; i <= NLOOPS; i++)
        counts += P_COUNT "7";
    pushfn(counts.c_str());
    EXPECT_EQ(run(), "");               // every number was read, also the ignored one
    EXPECT_EQ(loopdepth, NLOOPS - 1);
    EXPECT_EQ(vl_result[NLOOPS - 1], 7);
}

// A loop start does not outlive its string: a later string's loop end finds
// nothing to return to, even when it reuses the same text, while the end of
// a function key string leaves the loop of the string below it alone.
TEST_F(Input, LoopStartsEndWithTheirString)
{
    static char text[8];
    std::strcpy(text, P_LOOP "a");
    pushfn(text);
    EXPECT_EQ(run(), "a");
    EXPECT_EQ(loopptr, 0);
    std::strcpy(text, "x" P_LEND "y");  // the old start would now point at the loop end
    pushfn(text);
    EXPECT_EQ(run(), "xy");

    pushfn(P_LOOP "b" P_TEST "\x1b" "1" P_LEND "c");
    std::strcpy(fn[1], "z");
    vl_result[loopdepth] = 1;
    EXPECT_EQ(run(), "bzbc");
    EXPECT_EQ(loopptr, 0);
}

TEST_F(Input, UnmatchedEndsDoNothing)
{
    pushfn("a" P_LEND "b" P_ENDCOUNT "c");
    EXPECT_EQ(run(), "abc");
    EXPECT_EQ(loopdepth, 0);
    EXPECT_EQ(loopptr, 0);
}

// ---------------------------------------------------- keyboard and strings

TEST_F(Input, ControlCodesAtTheKeyboardAreIgnored)
{
    keyboard("\xFE" "3" "\xFB" "\x1b" "{");
    EXPECT_EQ(run(), "3");
    EXPECT_EQ(loopdepth, 0);
    EXPECT_EQ(loopptr, 0);
}

TEST_F(Input, KeyboardLevelInsideAProcedure)
{
    std::string typed = "k\xFB";        // a loop start typed at the level: ignored
    typed += '\0';                      // type 13 ends the level
    typed += "m";
    keyboard(typed);
    pushfn("a\x99" "b");                // byte 128 + C-Y: type 14
    EXPECT_EQ(run(), "akbm");
    EXPECT_EQ(loopptr, 0);
    EXPECT_EQ(fnptr, 0);
}

TEST_F(Input, SuspendKeyAtTheKeyboardNotesTheUser)
{
    voluntary = 0;
    keyboard("\x1b\x19");
    EXPECT_EQ(run(), "");
    EXPECT_EQ(voluntary, 1);
    EXPECT_EQ(fnptr, 0);
    voluntary = 0;
}

// ------------------------------------------------------------- readers

TEST_F(Input, ReadersStopWhereTheySay)
{
    keyboard("ab\r");
    gcr();
    EXPECT_EQ(del, 1);
    keyboard("a\x7f");
    gcr();
    EXPECT_EQ(del, 2);

    keyboard("123x4");
    EXPECT_EQ(gnum(), 123);
    EXPECT_EQ(next(), 3);               // x was consumed
    keyboard("99999999999999999999 ");
    EXPECT_GT(gnum(), 0);               // capped, not overflowed

    keyboard("\x0b\x1b[A" "q");
    glett();
    EXPECT_EQ(holdch, 'q');
    keyboard("\x0b" "7");
    glett();
    EXPECT_EQ(holdch, '7');
}

// ------------------------------------------------------------- ASK

class Ask : public Input {
protected:
    LINE header{}, l1{}, l2{}, l3{};
    COREFILE saved{};
    int savedcore = 0;

    void SetUp() override
    {
        Input::SetUp();
        savedcore = corenum;
        corenum = 1;
        saved = core[1];
        // header <-> l1 <-> l2 <-> l3 <-> header; l1 holds "hello"
        LINE *ring[] = {&header, &l1, &l2, &l3};
        for (int i = 0; i < 4; i++) {
            ring[i]->down = ring[(i + 1) % 4];
            ring[i]->up = ring[(i + 3) % 4];
            ring[i]->object = 5;
        }
        std::memcpy(textbase + 1000, "hello", 5);
        l1.object = 0;
        l1.index = 1000;
        l1.length = 5;
        COREFILE &cf = core[1];
        cf.header = &header;
        cf.lnptr = &l1;
        cf.curline = 4;
        cf.curcol = 2;
        cf.lncount = 9;
        cf.starcount = 0;
        cf.starA = cf.starB = nullptr;
    }
    void TearDown() override
    {
        core[1] = saved;
        corenum = savedcore;
        Input::TearDown();
    }
    int query(int q)
    {
        param[1] = q;
        ask();
        return vl_result[loopdepth];
    }
};

TEST_F(Ask, StoresItsAnswerAtTheCurrentDepth)
{
    loopdepth = 2;
    EXPECT_EQ(query(3), 4);
    EXPECT_EQ(vl_result[0], 0);
    EXPECT_EQ(query(4), 2);
    EXPECT_EQ(query(15), 1);
    EXPECT_EQ(query(16), 9);
    EXPECT_EQ(query(7), 'e');
    core[1].curcol = 9;
    EXPECT_EQ(query(7), ' ');           // beyond the end of the line
    core[1].lnptr = &l2;
    core[1].curcol = 1;
    EXPECT_EQ(query(7), ' ');           // an empty line

    vl_result[2] = 42;                  // queries that store nothing
    EXPECT_EQ(query(2), 42);
    EXPECT_EQ(query(8), 42);
    EXPECT_EQ(query(13), 42);
    EXPECT_EQ(query(17), 42);
    EXPECT_EQ(query(-1), 42);
}

TEST_F(Ask, SwitchesAnswersToTheDriver)
{
    query(0);
    EXPECT_EQ(progtrans, 0);
    query(1);
    EXPECT_EQ(progtrans, 1);
}

TEST_F(Ask, CountsTheStarBlockInEitherOrder)
{
    COREFILE &cf = core[1];
    EXPECT_EQ(query(5), 0);
    cf.starcount = 1;
    cf.starA = &l2;
    EXPECT_EQ(query(5), 1);
    cf.starcount = 2;
    cf.starB = &l3;
    cf.starA = &l1;
    EXPECT_EQ(query(5), 3);
    cf.starA = &l3;
    cf.starB = &l1;
    EXPECT_EQ(query(5), 3);
}

TEST_F(Ask, TestsFiles)
{
    char dir[] = "/tmp/kelaskXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string made = std::string(dir) + "/new";
    std::string missing = std::string(dir) + "/none";
    ASSERT_LT(made.size(), static_cast<size_t>(STRPARSIZE));

    std::strcpy(curfile, made.c_str());
    EXPECT_EQ(query(11), 1);            // created
    EXPECT_EQ(query(11), 0);            // exists now
    EXPECT_EQ(query(10), 1);
    EXPECT_EQ(query(9), 1);

    std::strcpy(curfile, missing.c_str());
    EXPECT_EQ(query(10), 0);
    keyboard("\r");                     // the message waits for RETURN
    EXPECT_EQ(query(9), 0);
    curfile[0] = '\0';
    EXPECT_EQ(query(11), 0);

    unlink(made.c_str());
    rmdir(dir);
}

} // namespace

// A loop without a test runs until the interrupt key: then every string is
// dropped, the keyboard has the input and the help line says so.
TEST_F(Input, InterruptStopsAProcedureThatLoopsForEver)
{
    setsig();
    listen();
    keyboard("k");
    pushfn("ab");                       // a string below the looping one
    pushfn(P_LOOP "x" P_LEND);
    fetchchar();
    std::thread key([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        IntHandler(SIGINT);
    });
    int got = 0;
    while (holdch != 'k' && got++ < 100000000)
        fetchchar();
    key.join();
    stoplistening();
    EXPECT_EQ(holdch, 'k');
    EXPECT_EQ(fnptr, 0);
    EXPECT_EQ(loopptr, 0);
    EXPECT_TRUE(wassent("$mhProcedure interrupted"));
    EXPECT_FALSE(takeinterrupt());
}
