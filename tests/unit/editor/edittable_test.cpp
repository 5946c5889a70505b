// The edit table's rows against the key types they serve.
#include <gtest/gtest.h>
#include "editor/editor.h"

TEST(EditTable, RowsCarryTheirKeyTypesMasks)
{
    // Cursor and command keys are allowed in every view whatever the object.
    EXPECT_EQ(edittable[21].cmpmask, 0xffu);
    EXPECT_EQ(edittable[18].cmpmask, 0x7bu);
    EXPECT_EQ(edittable[30].replimit, 3);
    EXPECT_EQ(edittable[2].sideffects, 0xau);
    EXPECT_EQ(edittable[4].operatn[0], &bldtxt);
    EXPECT_EQ(edittable[5].operatn[0], &rubtxt);
    EXPECT_EQ(edittable[0].operatn[0], &noop);
}

TEST(EditTable, NoEmptyCell)
{
    for (int t = 0; t < NEDITROWS; t++)
        for (int v = 0; v < NVIEWS; v++)
            EXPECT_NE(edittable[t].operatn[v], nullptr) << "key type " << t << " view " << v;
}
