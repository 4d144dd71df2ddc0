#include "RandomRegistryRun.h"

namespace {

TEST(BookRegistryRandomTest, ShortRunsKeepEveryBookAndTheList)
{
    for (unsigned seed = 1; seed <= 2; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomRegistryRun(seed).Run(100))
            return;
    }
}

}  // namespace
