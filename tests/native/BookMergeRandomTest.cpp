#include "RandomMergeRun.h"

namespace {

// Thirty seeds of 150 merges: merges that take the two sides by different rules (the book
// in memory by its nodes' ids, the file by places) fail about one round in 400, mostly where
// two folders or copies stand alike.
TEST(BookMergeRandom, RandomEditsOnBothSidesMergeByTheRules)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomMergeRun(seed).Run(150))
            return;
    }
}

}  // namespace
