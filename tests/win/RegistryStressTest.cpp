#include "RegistryStressRun.h"

namespace {

TEST(RegistryStressTest, FourHostsAtOnceWithKillsLoseNothing)
{
    RegistryStressRun::Counts counts;
    RegistryStressRun(1).Run(4, 30, 3, &counts);
    EXPECT_GT(counts.additions, 0);
}

}  // namespace
