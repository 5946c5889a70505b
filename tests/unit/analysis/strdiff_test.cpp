// The spelling distance: each rule that keeps a distance, and the pairs that
// are too far apart for their lengths.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>
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

// The distance filled out in full, kept by the same rules: the early ends
// of strdiff must never change its answer.
int fullstrdiff(const std::string &x, const std::string &y)
{
    if (x.empty() || y.empty())
        return NOTSIMILAR;
    std::vector<std::vector<int>> m(x.size() + 1, std::vector<int>(y.size() + 1));
    for (size_t r = 0; r <= x.size(); r++)
        for (size_t c = 0; c <= y.size(); c++)
            m[r][c] = r == 0 ? static_cast<int>(c)
                      : c == 0 ? static_cast<int>(r)
                               : std::min({m[r - 1][c - 1] + (x[r - 1] != y[c - 1]),
                                           m[r][c - 1] + 1, m[r - 1][c] + 1});
    int d = m[x.size()][y.size()], lx = static_cast<int>(x.size()), ly = static_cast<int>(y.size());
    if ((lx == 1 && ly == 1 && d == 0) || (lx == 3 && d <= 1) || (d < lx / 2 && d < ly / 2))
        return d;
    return NOTSIMILAR;
}

TEST(Strdiff, SameAnswerAsTheWholeMatrix)
{
    std::mt19937 random(7);
    auto word = [&] {
        std::string w(random() % 12 + 1, 'a');
        for (char &c : w)
            c = static_cast<char>('a' + random() % 3);
        return w;
    };
    int kept = 0;
    for (int n = 0; n < 20000; n++) {
        std::string x = word(), y = random() % 2 ? word() : x;
        if (random() % 2 && !y.empty())
            y[random() % y.size()] = 'd';
        int want = fullstrdiff(x, y);
        kept += want != NOTSIMILAR;
        ASSERT_EQ(strdiff(x.c_str(), y.c_str()), want) << x << "/" << y;
    }
    EXPECT_GT(kept, 2000) << "the pairs test the kept distances too";
}

} // namespace
