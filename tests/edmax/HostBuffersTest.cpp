// The buffers handed to plug-ins and taken back all at once.
#include <gtest/gtest.h>
#include "edmax/HostBuffers.h"

TEST(HostBuffers, HandAndReleaseAll)
{
    CHostBuffers buffers;
    char* a = buffers.Hand("a@x.jp,b@y.jp");
    char* b = buffers.Hand("");
    EXPECT_STREQ(a, "a@x.jp,b@y.jp");
    EXPECT_STREQ(b, "");
    EXPECT_EQ(buffers.Count(), 2u);
    EXPECT_EQ(buffers.ReleaseAll(), 2u);
    EXPECT_EQ(buffers.Count(), 0u);
}
