// The report on hand-made matrices: closest matches, words wanted twice,
// missing and extra words, order, the match line of each class, and the
// bound on the report's length.
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "analysis/analysis.h"

namespace {

using words = std::vector<std::string>;

// A y by x matrix from rows of classes, one row per expected word.
std::vector<lexdiff> grid(const std::vector<std::vector<int>> &rows)
{
    std::vector<lexdiff> m;
    for (const auto &row : rows)
        for (int c : row) {
            lexdiff cell;
            cell.matchclass = c;
            cell.error[0] = "none";
            m.push_back(cell);
        }
    return m;
}

std::string report(const std::vector<std::vector<int>> &rows, const words &response,
                   const words &expected)
{
    return err_get_report(grid(rows), static_cast<int>(expected.size()),
                          static_cast<int>(response.size()), response, expected);
}

TEST(Report, AllExactInPlaceIsCorrect)
{
    EXPECT_EQ(report({{0, 3}, {3, 0}}, {"a", "b"}, {"a", "b"}), "CORRECT\n***\n");
}

TEST(Report, TrailingMissingWordIsNotCorrect)
{
    EXPECT_EQ(report({{0, 3}, {3, 0}, {3, 3}}, {"the", "dog"}, {"the", "dog", "runs"}),
              "C3 --  MISSING  runs\n"
              "C1 S1   EXACT   the/the\n"
              "C2 S2   EXACT   dog/dog\n"
              "***\n");
}

TEST(Report, EmptyResponseListsEveryWordMissing)
{
    EXPECT_EQ(report({{}, {}}, {}, {"a", "b"}), "C1 --  MISSING  a\nC2 --  MISSING  b\n***\n");
    EXPECT_EQ(report({}, {}, {}), "***\n") << "not correct even when nothing is expected";
}

TEST(Report, ExtraWordAndOrder)
{
    // "b a x" for "a b": both words found out of place, x left over.
    EXPECT_EQ(report({{3, 0, 3}, {0, 3, 3}}, {"b", "a", "x"}, {"a", "b"}),
              "-- S3  EXTRA    x\n"
              "C1 S2   EXACT   a/a\n"
              "C2 S1   EXACT   b/b\n"
              "***\n");
}

TEST(Report, ClosestMatchWinsAndTheFirstOfEquallyClose)
{
    // Word 2 is related to response words 1 and 4: 1 is closer. Word 3 is
    // related to 2 and 4, equally close: 2 is taken.
    std::string r = report({{3, 3, 3, 3}, {2, 3, 3, 0}, {3, 2, 3, 2}}, {"p", "q", "r", "s"},
                           {"e1", "e2", "e3"});
    // Response word 4 finds both words it is related to already served.
    EXPECT_EQ(r, "C1 --  MISSING  e1\n"
                 "-- S3  EXTRA    r\n"
                 "-- S4  EXTRA    s\n"
                 "C2 S1   APPROX   e2/p\n"
                 "C3 S2   APPROX   e3/q\n"
                 "***\n");
}

TEST(Report, TwoExpectedWordsWantingOneResponseWord)
{
    // Both expected words choose the only related response word; it is given
    // to the first, so only that pair has a match line.
    EXPECT_EQ(report({{2, 3}, {2, 3}}, {"dg", "zz"}, {"dog", "dig"}),
              "-- S2  EXTRA    zz\n"
              "C1 S1   APPROX   dog/dg\n"
              "***\n");
}

TEST(Report, LongReportIsCutAtALineWithANotice)
{
    const int n = ERRWORDS;
    std::vector<std::vector<int>> rows(static_cast<size_t>(n), std::vector<int>(1, 3));
    words expected;
    for (int i = 0; i < n; i++)
        expected.push_back(std::string(900, static_cast<char>('a' + i % 26)));
    std::string r = report(rows, {"x"}, expected);
    EXPECT_LE(r.size(), REPORTSIZE);
    EXPECT_EQ(r.substr(r.size() - 46), "\nReport cut: longer than 30000 characters\n***\n");
    // Every line kept is whole: 900 letters after its prefix.
    size_t lines = 0;
    for (size_t p = 0, end; (end = r.find('\n', p)) != std::string::npos; p = end + 1) {
        std::string line = r.substr(p, end - p);
        if (!line.starts_with("C"))
            continue;
        lines++;
        size_t start = line.find("MISSING  ") + 9;
        EXPECT_EQ(line.size() - start, 900u) << line.substr(0, 20);
    }
    EXPECT_EQ(lines, 9u + 23u) << "9 lines of 917 characters and 23 of 918 fit with the notice";
}

TEST(Report, ShortReportIsNotCut)
{
    std::vector<std::vector<int>> rows(3, std::vector<int>(1, 3));
    std::string r = report(rows, {"x"}, {"a", "b", "c"});
    EXPECT_EQ(r.find("Report cut"), std::string::npos);
}

lexdiff cell(int cls)
{
    lexdiff c;
    c.matchclass = cls;
    c.error[0] = "none";
    return c;
}

TEST(MatchInfo, LineOfEachClass)
{
    EXPECT_EQ(err_get_matchinfo(1, 2, cell(0), "dog", "dog"), "C1 S2   EXACT   dog/dog\n");
    EXPECT_EQ(err_get_matchinfo(3, 3, cell(2), "dog", "dg"), "C3 S3   APPROX   dog/dg\n");

    lexdiff morph = cell(1);
    EXPECT_EQ(err_get_matchinfo(1, 1, morph, "dog", "dogs"), "C1 S1   MORPH    dog/dogs \n");
    morph.breakup[0] = "sg/pl";
    morph.breakup[1] = "nom/acc";
    EXPECT_EQ(err_get_matchinfo(1, 1, morph, "dog", "dogs"),
              "C1 S1   MORPH    dog/dogs sg/pl  OR  nom/acc  \n");

    lexdiff phono = cell(4);
    phono.breakup[0] = "ph/f";
    phono.breakup[1] = "o/oa";
    EXPECT_EQ(err_get_matchinfo(2, 1, phono, "phone", "foane"),
              "C2 S1   PHONO phone/foane   ph/f o/oa \n");
    phono.error[0] = "ERROR: correct word does not match ipa string, though student response does";
    EXPECT_EQ(err_get_matchinfo(2, 1, phono, "phone", "foane"),
              "C2 S1   PHONO phone/foane   \n"
              "ERROR: correct word does not match ipa string, though student response does\n");
}

TEST(MatchInfo, UnknownClassesAreUnrecognizable)
{
    EXPECT_EQ(err_get_matchinfo(1, 1, cell(3), "a", "b"), "unrecognizable match type\n");
    EXPECT_EQ(err_get_matchinfo(1, 1, cell(-1), "a", "b"), "unrecognizable match type\n");
    EXPECT_EQ(err_get_matchinfo(1, 1, cell(40), "a", "b"), "unrecognizable match type\n");
}

TEST(MatchInfo, LexicalLineNamesTheTag)
{
    std::vector<TAG_TABLE> kept = taglist;
    taglist = {{"SYN", 5, 7}, {"ANT", 6, 8}};
    const TAG_TABLE *tag = err_get_tag_name(6);
    std::string line = err_get_matchinfo(2, 3, cell(6), "big", "small");
    taglist = kept;
    if (tag == nullptr)
        GTEST_SKIP() << "the tags are not looked up yet";
    EXPECT_EQ(line, "C2 S3   LEX big/small  8:ANT\n");
}

} // namespace
