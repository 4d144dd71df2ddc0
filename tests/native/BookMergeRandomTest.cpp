#include "RandomMergeRun.h"

namespace {

TEST(BookMergeRandom, RandomEditsOnBothSidesMergeByTheRules)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomMergeRun(seed).Run(150))
            return;
    }
}

}  // namespace
