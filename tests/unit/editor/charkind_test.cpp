// The character classes: a few bytes of every group, and the readers that
// rely on them (identifiers of rule files, words of the scanner).
#include <gtest/gtest.h>
#include "tests/unit/fixture.h"
#include "editor/editor.h"
#include "editor/charkind.h"
#include "engine/engine.h"

TEST(CharKind, EveryGroupHasItsBits)
{
    for (int c : std::initializer_list<int>{'A', 'z', '_', 192, 233, 251})
        EXPECT_EQ(charkind[c], KWORD) << c;
    EXPECT_EQ(charkind['7'], KWORD | KNUMBER);
    EXPECT_EQ(charkind[4], KWORD | KDELIM | KSENTEND);
    for (int c : {'\n', ' ', ',', ':', ';'})
        EXPECT_EQ(charkind[c], KDELIM) << c;
    EXPECT_EQ(charkind['?'], KDELIM | KSENTEND);
    EXPECT_EQ(charkind['.'], KDELIM | KSENTEND | KNUMBER);
    EXPECT_EQ(charkind['!'], KDELIM | KSENTEND | KNUMBER);
    for (int c : {'#', '&', '\'', '(', '*', '-', '/', '<', '=', '>'})
        EXPECT_EQ(charkind[c], KNUMBER) << c;
    EXPECT_EQ(charkind[245], KNODE);
    EXPECT_EQ(charkind[254], KNODE);
    EXPECT_EQ(charkind[246], KNODEEND);
    EXPECT_EQ(charkind[243], KBAR);
    // no class at all: tab, '$', '@', '|', accented letters outside the list, DEL, 255
    for (int c : std::initializer_list<int>{0, '\t', '$', '@', '|', '%', 193, 255, 127})
        EXPECT_EQ(charkind[c], 0) << c;
    EXPECT_EQ(kindof(-1), 0);
    EXPECT_EQ(kindof(256), 0);
}

TEST(CharKind, IdentifiersAreWordCharactersAndPercent)
{
    EXPECT_TRUE(identchar('%'));
    EXPECT_TRUE(identchar(234));
    EXPECT_TRUE(identchar('9'));
    EXPECT_FALSE(identchar('.'));
    EXPECT_FALSE(identchar(193));
    EXPECT_FALSE(identchar(-1));
}

TEST(CharKind, WordsEndAtPunctuation)
{
    kelreset();
    COREFILE &c = curcore();
    removeline();
    addline("ab,cd.ef!gh\4\4ij");             // byte 4 counts as a word of its own
    const int starts[] = {1, 4, 7, 10, 12, 13, 14};
    for (int n = 1; n <= 7; n++) {
        c.curcol = 1;
        setptr();
        ASSERT_TRUE(locateword(n)) << n;
        EXPECT_EQ(cp, starts[n - 1]) << n;
    }
    c.curcol = 1;
    setptr();
    EXPECT_FALSE(locateword(8));
}
