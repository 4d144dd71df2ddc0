// Temporary menu ids for plug-in commands.
#include <gtest/gtest.h>
#include "edmax/TempIdTable.h"

TEST(TempIdTable, SameCommandSameId)
{
    CTempIdTable table;
    HINSTANCE hPlugin = reinterpret_cast<HINSTANCE>(0x10000000);
    UINT first = table.Acquire(hPlugin, 35000);
    UINT second = table.Acquire(hPlugin, 35001);
    EXPECT_GE(first, CTempIdTable::kFirstId);
    EXPECT_NE(first, second);
    EXPECT_EQ(table.Acquire(hPlugin, 35000), first);
    EXPECT_EQ(table.Count(), 2u);

    int command = 0;
    ASSERT_TRUE(table.Lookup(second, &command));
    EXPECT_EQ(command, 35001);
    EXPECT_FALSE(table.Lookup(CTempIdTable::kFirstId - 1, &command));
    EXPECT_FALSE(table.Lookup(second + 1, &command));
}

TEST(TempIdTable, RangeRunsOut)
{
    CTempIdTable table;
    UINT last = 0;
    for (UINT i = CTempIdTable::kFirstId; i <= CTempIdTable::kLastId; ++i)
        last = table.Acquire(NULL, static_cast<int>(i));
    EXPECT_EQ(last, CTempIdTable::kLastId);
    EXPECT_EQ(table.Acquire(NULL, -1), 0u);
    EXPECT_LE(CTempIdTable::kLastId, 0xFFFFu);  // WM_COMMAND carries 16 bits of id
}
