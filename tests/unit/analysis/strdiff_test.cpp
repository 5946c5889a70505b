// The spelling distance: each rule that keeps a distance, and the pairs that
// are too far apart for their lengths.
#include <string>
#include <gtest/gtest.h>
#include "analysis/analysis.h"

namespace {

TEST(Strdiff, ThresholdPairs)
{
    struct pair {
        const char *expected, *response;
        int want;
    };
    const pair pairs[] = {
        {"cat", "cot", 1},        // three letters: one change is kept
        {"cat", "cats", 1},
        {"cat", "ct", 1},
        {"cat", "c", NOTSIMILAR},
        {"cat", "dog", NOTSIMILAR},
        {"house", "hose", 1},     // 1 is below 5/2 and 4/2
        {"house", "huose", NOTSIMILAR},  // a swap costs two, not below 5/2
        {"houses", "huoses", 2},
        {"houses", "hoses", 1},
        {"at", "it", NOTSIMILAR}, // 1 is not below 2/2
        {"at", "at", 0},
        {"a", "a", 0},
        {"a", "b", NOTSIMILAR},
        {"a", "ab", NOTSIMILAR},
        {"abcdefgh", "abcdxyzh", 3},
        {"abcdefgh", "abxdxyzh", NOTSIMILAR},  // 4 is not below 8/2
    };
    for (const pair &p : pairs)
        EXPECT_EQ(strdiff(p.expected, p.response), p.want) << p.expected << "/" << p.response;
}

TEST(Strdiff, LengthsAreTakenFromTheExpectedWordFirst)
{
    EXPECT_EQ(strdiff("cat", "cats"), 1);
    EXPECT_EQ(strdiff("cats", "cat"), NOTSIMILAR) << "1 is not below 3/2";
}

TEST(Strdiff, MissingOrEmptyWordsAreNotSimilar)
{
    EXPECT_EQ(strdiff("", "a"), NOTSIMILAR);
    EXPECT_EQ(strdiff("a", ""), NOTSIMILAR);
    EXPECT_EQ(strdiff("", ""), NOTSIMILAR);
    EXPECT_EQ(strdiff(nullptr, "cat"), NOTSIMILAR);
    EXPECT_EQ(strdiff("cat", nullptr), NOTSIMILAR);
}

TEST(Strdiff, LongAndLatinOneWords)
{
    std::string a(600, 'x'), b = a;
    b[300] = 'y';
    EXPECT_EQ(strdiff(a.c_str(), b.c_str()), 1);
    EXPECT_EQ(strdiff(a.c_str(), "x"), NOTSIMILAR);
    EXPECT_EQ(strdiff("\xe9t\xe9", "\xe9t\xe8"), 1);
    EXPECT_EQ(strdiff("\xe9t\xe9", "\xe9t\xe9"), 0);
}

} // namespace
