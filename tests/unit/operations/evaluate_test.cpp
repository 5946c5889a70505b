// The number reader on hand inputs, the evaluator's stack limits and error
// states, and the register keys at their edges.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <string>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

namespace {

class Evaluate : public testing::Test {
protected:
    void SetUp() override { kelreset(); }

    static double number(const std::string &s, int *used = nullptr)
    {
        int n = 0;
        double v = flvalue(reinterpret_cast<const unsigned char *>(s.data()),
                           static_cast<int>(s.size()), &n);
        if (used != nullptr)
            *used = n;
        return v;
    }
    static int eval(const std::string &s) { return dijkstra(s.data(), static_cast<int>(s.size())); }
    // The current line holds text; the cursor stands on its first character.
    static void line(const std::string &s)
    {
        numberedlines(1);
        COREFILE &c = curcore();
        std::memcpy(textbase + avail, s.data(), s.size());
        c.lnptr->index = avail;
        c.lnptr->length = static_cast<int>(s.size());
        avail += static_cast<int64_t>(s.size());
        c.curcol = 1;
    }
    static void key(int keytype)
    {
        type = keytype;
        compute0();
    }
};

TEST_F(Evaluate, NumberReaderStates)
{
    struct { const char *text; double value; int used; } cases[] = {
        {"12", 12, 2},
        {"1.5'3", 1500, 5},          // integer, point, fraction, exponent mark, exponent
        {"'2", 100, 2},              // an exponent mark first means a mantissa of 1
        {"2'-3", 0.002, 4},          // exponent sign
        {"2'+3", 2000, 4},
        {"3.25 4", 3.25, 4},         // a blank ends a number after its digits
        {".", 0, 1},
        {"1.2.3", 1.2, 3},           // a second point ends the number
        {"1.'3", 1, 2},              // no exponent mark straight after the point
        {"7x", 7, 1},
        {"5'3'1", 5000, 3},          // a second mark ends the exponent
        {"1.5'", 1.5, 4},
    };
    for (const auto &c : cases) {
        int used = -1;
        EXPECT_DOUBLE_EQ(number(c.text, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

TEST_F(Evaluate, NumberReaderKeepsSevenDigitsAndBoundsTheExponent)
{
    EXPECT_DOUBLE_EQ(number("123456749"), 123456700);
    EXPECT_DOUBLE_EQ(number("123456750"), 123456800);
    EXPECT_DOUBLE_EQ(number("1234567890123"), 1234568e6);   // digits past the ninth raise the scale
    EXPECT_DOUBLE_EQ(number("0.12345678901234"), 0.1234568);  // further fraction digits ignored
    EXPECT_DOUBLE_EQ(number("0.5", nullptr), 0.5);
    int used = 0;
    EXPECT_TRUE(std::isinf(number("1'99999999999999999999", &used)));  // no overflow of the exponent
    EXPECT_EQ(used, 22);
    EXPECT_EQ(number("1'-99999999999999999999"), 0);
}

TEST_F(Evaluate, ResultSitsAboveTheRegister)
{
    numstack[oldindex] = 42;
    EXPECT_EQ(eval("2+3*4 rest"), 5);
    EXPECT_EQ(fpnumused, 5);
    EXPECT_EQ(fperror, 0);
    EXPECT_EQ(ni, oldindex + 1);
    EXPECT_DOUBLE_EQ(numstack[ni], 14);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 42);
}

TEST_F(Evaluate, ErrorsLeaveTheStacksAsTheyWere)
{
    numstack[oldindex] = 7;
    struct { const char *text; int error; } cases[] = {
        {"(2+3", 1}, {"2+", 1}, {")", 1}, {"2)", 1}, {"", 1}, {"   ", 1}, {"2 3", 0},
        {"1/0", 2}, {"0/0", 2}, {"-1'300*1'300", 2}, {"1'400", 2}, {"(1'300*1'300)*0", 2},
        {"1'300*1'300<1", 2},
    };
    for (const auto &c : cases) {
        eval(c.text);
        EXPECT_EQ(fperror, c.error) << c.text;
        EXPECT_EQ(ni, c.error ? oldindex : oldindex + 1) << c.text;
        ni = oldindex;
        EXPECT_DOUBLE_EQ(numstack[oldindex], 7) << c.text;
    }
}

// Nesting beyond the stacks is refused as a syntax error, not written past them.
TEST_F(Evaluate, DeepNestingIsRefused)
{
    std::string deep = std::string(40, '(') + "1" + std::string(40, ')');
    eval(deep);
    EXPECT_EQ(fperror, 1);
    EXPECT_EQ(ni, oldindex);
    std::string negations = std::string(40, '-') + "1";
    eval(negations);
    EXPECT_EQ(fperror, 1);
    std::string fits = std::string(20, '(') + "1" + std::string(20, ')');
    eval(fits);
    EXPECT_EQ(fperror, 0);
    EXPECT_DOUBLE_EQ(fp_num, 1);
    std::string chain;                // left to right: the stacks stay shallow
    for (int i = 0; i < 200; i++)
        chain += "1+";
    chain += "1";
    ni = oldindex;
    eval(chain);
    EXPECT_DOUBLE_EQ(fp_num, 201);
}

TEST_F(Evaluate, RegisterKeys)
{
    line("10");
    key(42);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 10);
    line("5 and more");
    key(43);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 15);
    EXPECT_STREQ(fpresult, "15");
    EXPECT_EQ(redisplay, 11);
    key(44);
    key(45);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 50);
    key(46);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 10);
    EXPECT_EQ(ni, oldindex);          // every result was dropped again
    reginc();
    EXPECT_DOUBLE_EQ(numstack[oldindex], 11);
    regclear();
    EXPECT_DOUBLE_EQ(numstack[oldindex], 0);
    EXPECT_STREQ(fpresult, "0");
}

TEST_F(Evaluate, RegisterKeepsItsValueOnOverflow)
{
    line("1'300");
    key(42);
    EXPECT_STREQ(fpresult, "1'+300");
    key(45);
    EXPECT_EQ(fperror, 2);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 1e300);
    fperror = 0;
    line("0");
    key(46);
    EXPECT_EQ(fperror, 2);
    EXPECT_DOUBLE_EQ(numstack[oldindex], 1e300);
    regshow();
    EXPECT_EQ(vl_result[loopdepth], 2147483647);   // truncated into the loop value's range
    numstack[oldindex] = -3.9;
    regshow();
    EXPECT_EQ(vl_result[loopdepth], -3);
}

TEST_F(Evaluate, ErrorStatesReachTheFrontEnd)
{
    listen();
    line("2+");
    key(42);
    display();
    EXPECT_TRUE(wassent("$mfFP Syntax Error"));
    EXPECT_EQ(fperror, 0);            // shown once, then cleared
    stoplistening();
}

}  // namespace
