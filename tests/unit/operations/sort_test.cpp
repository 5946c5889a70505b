// Sorting: the three collations and the key rules of linecmp, keys that
// never read past a line's end, records by field, lines the view cannot
// sort kept in their places, refused keys, large ranges sorted stably and
// an interrupted sort that loses no line.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "screen/screen.h"

namespace {

class Sort : public testing::Test {
protected:
    void SetUp() override { kelreset(); }

    // Lines a and b compared with the key at `column` and the given length.
    static int cmp(const std::string &a, const std::string &b, int table, int column = 1,
                   int length = 15)
    {
        textlines({a, b});
        sorttable = table;
        keylength = length;
        nthline(1)->linekey = nthline(2)->linekey = column - 1;
        return linecmp(nthline(1), nthline(2));
    }
    static void runsort(int dir, int length, int from, int to, int column = 1)
    {
        curcore().curcol = column;
        param[1] = dir;
        param[2] = length;
        param[3] = from;
        param[4] = to;
        del = 0;
        sortchk();
        if (del != 2)
            sort();
    }
};

TEST_F(Sort, SignedBytesPutLatin1LettersBeforeAscii)
{
    EXPECT_EQ(cmp("apple", "banana", 0), -1);
    EXPECT_EQ(cmp("Zoo", "apple", 0), -1);            // capitals first
    EXPECT_EQ(cmp("\xe9t\xe9", "a", 0), -1);          // é is a negative byte
    EXPECT_EQ(cmp("same", "same", 0), 0);
}

TEST_F(Sort, UnaccentedFoldsCaseAndAccents)
{
    EXPECT_EQ(cmp("\xe9t\xe9", "ete", 1), 0);         // été as ete
    EXPECT_EQ(cmp("\xc9T\xc9", "ete", 1), 0);         // ÉTÉ too
    EXPECT_EQ(cmp("Zoo", "apple", 1), 1);
    EXPECT_EQ(cmp("\xe7" "a", "cb", 1), -1);          // ça before cb
    EXPECT_EQ(cmp("a_b", "a b", 1), 0);               // the underscore as a blank
    EXPECT_EQ(cmp("\xe6", "\xf1", 1), 0);             // letters without a base: both 127
    EXPECT_EQ(cmp("\x01", "~", 1), 1);                // control codes after the ASCII letters
    EXPECT_EQ(unaccented[0xff], 127);
    EXPECT_EQ(unaccented[0xdf], 127);
}

TEST_F(Sort, AccentClassesOrderCapitalsPlainThenAccents)
{
    // Capitals 1, plain 2, acute 3/4, grave 5/6, circumflex 7/8, cedilla
    // 9/10, diaeresis 11/12: only the classes count.
    EXPECT_EQ(cmp("E", "e", 2), -1);
    EXPECT_EQ(cmp("x", "e", 2), 0);
    EXPECT_EQ(cmp("e", "\xc9", 2), -1);
    EXPECT_EQ(cmp("\xe9", "\xe8", 2), -1);            // é before è
    EXPECT_EQ(cmp("\xe8", "\xea", 2), -1);            // è before ê
    EXPECT_EQ(cmp("\xea", "\xc7", 2), -1);            // ê before Ç
    EXPECT_EQ(cmp("\xe7", "\xeb", 2), -1);            // ç before ë
    EXPECT_EQ(accents[0xfc], 12);
    EXPECT_EQ(accents[0xdf], 2);
}

TEST_F(Sort, KeyEndsAtTheKeyLengthColumnOrTheShorterLine)
{
    EXPECT_EQ(cmp("abcX", "abcY", 0, 1, 3), 0);       // column 4 lies beyond the key
    EXPECT_EQ(cmp("abcX", "abcY", 0, 2, 4), -1);
    EXPECT_EQ(cmp("abc", "abcd", 0), -1);             // shorter and equal so far: first
    EXPECT_EQ(cmp("abcd", "abc", 0), 1);
    EXPECT_EQ(cmp("ab", "zz", 0, 5), 0);              // neither has the key column
    EXPECT_EQ(cmp("ab", "abcdef", 0, 5), -1);         // only b has it
    EXPECT_EQ(cmp("abcdef", "ab", 0, 5), 1);
    // Leftwards: columns 3, 2 and 1 from column 3, never further.
    EXPECT_EQ(cmp("xbc", "ybc", 0, 3, -2), -1);
    EXPECT_EQ(cmp("xbc", "ybc", 0, 3, -1), 0);
    EXPECT_EQ(cmp("xbc", "ybc", 0, 3, -50), -1);
}

TEST_F(Sort, KeyNeverReadsBeyondTheLineEnd)
{
    // The arena holds "ab" "ab" "zz" one after the other: read past its end,
    // the first line would look like "abab", the second like "abzz".
    textlines({"ab", "ab", "zz"});
    keylength = 15;
    for (int t = 0; t < NSORTTABLES; t++) {
        sorttable = t;
        nthline(1)->linekey = nthline(2)->linekey = 0;
        EXPECT_EQ(linecmp(nthline(1), nthline(2)), 0);
    }
    curcore().viewtype = 1;                           // fields end at the line's end too
    nthline(1)->object = nthline(2)->object = 1;
    EXPECT_EQ(linecmp(nthline(1), nthline(2)), 0);
}

TEST_F(Sort, RecordFieldsEndAtTheBar)
{
    textlines({"x|abc|9", "y|abd", "z||1", "w", "v|ab"});
    curcore().viewtype = 1;
    for (int i = 1; i <= 5; i++) {
        nthline(i)->object = 1;
        nthline(i)->linekey = locatefield(nthline(i), 2);
    }
    keylength = 1;                                    // does not limit a field
    EXPECT_EQ(linecmp(nthline(1), nthline(2)), -1);
    EXPECT_EQ(linecmp(nthline(3), nthline(1)), -1);         // an empty field first
    EXPECT_EQ(linecmp(nthline(3), nthline(4)), 0);          // a missing field as an empty one
    EXPECT_EQ(linecmp(nthline(5), nthline(1)), -1);         // "ab" ends first
    EXPECT_EQ(linecmp(nthline(1), nthline(1)), 0);
}

TEST_F(Sort, SortsTheRangeAndLeavesTheRest)
{
    textlines({"z", "d", "c", "b", "a", "0"});
    curcore().starA = nthline(1);
    curcore().starcount = 1;
    runsort(0, 15, 2, 5);
    EXPECT_EQ(curlines(), (std::vector<std::string>{"z", "a", "b", "c", "d", "0"}));
    EXPECT_EQ(curcore().lnptr, nthline(2));
    EXPECT_EQ(curcore().curcol, 1);
    EXPECT_EQ(curcore().starcount, 0);
    EXPECT_TRUE(curcore().edited);
    runsort(3, 15, 1, 200000);                        // any digit but 0 descends
    EXPECT_EQ(curlines(), (std::vector<std::string>{"z", "d", "c", "b", "a", "0"}));
}

TEST_F(Sort, LinesTheViewCannotSortKeepTheirPlaces)
{
    textlines({"d", "FORMULA", "c", "PICTURE", "", "a", "b"});
    nthline(2)->object = 3;
    nthline(4)->object = 2;
    runsort(0, 15, 1, 200000);
    EXPECT_EQ(curlines(), (std::vector<std::string>{"", "FORMULA", "a", "PICTURE", "b", "c", "d"}));
    EXPECT_EQ(nthline(2)->object, 3);
    EXPECT_EQ(nthline(4)->object, 2);
    EXPECT_EQ(curcore().lncount, 7);
    for (LINE *l = curcore().header->down; l != curcore().header; l = l->down)
        EXPECT_EQ(l->down->up, l);                    // the list is whole both ways

    textlines({"PICTURE", "b", "a"});                 // at the head of the range too
    nthline(1)->object = 2;
    runsort(0, 15, 1, 200000);
    EXPECT_EQ(curlines(), (std::vector<std::string>{"PICTURE", "a", "b"}));
}

TEST_F(Sort, RefusedKeysChangeNothing)
{
    textlines({"b", "a"});
    pushfn("\r\r\r");                               // each refusal waits for RETURN
    runsort(0, 15, 1, 200000, 16);                    // key column beyond the key length
    EXPECT_EQ(del, 2);
    runsort(0, MAXCOLUMN + 1, 1, 200000);
    EXPECT_EQ(del, 2);
    runsort(0, -MAXCOLUMN - 1, 1, 200000);
    EXPECT_EQ(del, 2);
    runsort(0, 0, 1, 200000);                         // length 0: nothing, no refusal
    EXPECT_EQ(del, 0);
    EXPECT_EQ(curlines(), (std::vector<std::string>{"b", "a"}));
}

// Keys repeat often and the line number follows the key, so the result must
// be the stable order, whichever way the input lies: random, sorted,
// reversed and all equal, from 15 lines (insertion sort alone) to 100,000.
TEST_F(Sort, LargeRangesSortStably)
{
    for (int n : {15, 16, 17, 1000, 100000}) {
        for (int shape = 0; shape < 4; shape++) {
            std::vector<std::string> in;
            unsigned seed = 12345;
            for (int i = 0; i < n; i++) {
                seed = seed * 1103515245 + 12345;
                int key = shape == 0 ? static_cast<int>(seed >> 16) % 97
                        : shape == 1 ? i / 3 : shape == 2 ? n - i / 3 : 7;
                char buf[32];
                std::snprintf(buf, sizeof buf, "%06d%07d", key, i);
                in.emplace_back(buf);
            }
            textlines(in);
            runsort(0, 6, 1, 200000);
            std::vector<std::string> want = in;
            std::stable_sort(want.begin(), want.end(), [](const std::string &a,
                                                          const std::string &b) {
                return a.compare(0, 6, b, 0, 6) < 0;
            });
            ASSERT_EQ(curlines(), want) << n << " lines, shape " << shape;
        }
    }

    // An interrupt ends the sort early with every line still in the range.
    std::vector<std::string> in;
    for (int i = 0; i < 1000; i++)
        in.push_back(std::to_string((i * 7919) % 1000));
    textlines(in);
    abortreq = 1;
    runsort(0, 6, 1, 200000);
    abortreq = 0;
    std::vector<std::string> got = curlines();
    std::sort(got.begin(), got.end());
    std::sort(in.begin(), in.end());
    EXPECT_EQ(got, in);
}

// The sort compares packed key prefixes first and the keys only on equal
// prefixes: its order must be the stable order of the plain comparison, for
// every collation, both directions, keys running right or left, and records,
// on lines that share long prefixes, hold accents and bytes of every sign,
// end inside the prefix or before the key column.
TEST_F(Sort, PrefixedKeysSortAsThePlainComparison)
{
    const std::string alphabet = "aAbB_ |\xe9\xc9\xe8\xe7\x01\x80\xff";
    unsigned seed = 99;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % n;
    };
    struct trial { int view, length, column; };
    for (trial tr : {trial{0, 15, 1}, trial{0, 12, 3}, trial{0, -11, 10}, trial{0, -3, 4},
                     trial{1, 15, 1}}) {
        for (int table = 0; table < NSORTTABLES; table++) {
            for (int dir = 0; dir < 2; dir++) {
                std::vector<std::string> in;
                for (int i = 0; i < 400; i++) {
                    std::string s = "aaaaaaaaa";
                    s.resize(next(13));
                    for (char &c : s)
                        if (next(4) == 0)
                            c = alphabet[next(static_cast<unsigned>(alphabet.size()))];
                    in.push_back(s);
                }
                textlines(in);
                curcore().viewtype = tr.view;
                curcore().curcol = tr.column;
                findfield();
                std::vector<LINE *> want;
                for (int i = 1; i <= 400; i++) {
                    LINE *l = nthline(i);
                    if (tr.view == 1) {
                        l->object = l->object == 0 ? 1 : l->object;
                        l->linekey = locatefield(l, fieldnum);
                    } else {
                        l->linekey = tr.column - 1;
                    }
                    if (l->object == 0 || l->object == 1 || l->object == 5)
                        want.push_back(l);
                }
                sorttable = table;
                keylength = tr.length;
                std::stable_sort(want.begin(), want.end(), [dir](const LINE *a, const LINE *b) {
                    return dir == 0 ? linecmp(a, b) < 0 : linecmp(b, a) < 0;
                });
                runsort(dir, tr.length, 1, 200000, tr.column);
                std::vector<LINE *> got;
                for (LINE *l = curcore().header->down; l != curcore().header; l = l->down)
                    got.push_back(l);
                ASSERT_EQ(got, want) << "view " << tr.view << " length " << tr.length << " table "
                                     << table << " dir " << dir;
            }
        }
    }
}

}  // namespace
