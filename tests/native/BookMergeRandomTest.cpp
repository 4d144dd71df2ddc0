#include "RandomMergeRun.h"

namespace {

// Twenty seeds of 150 merges, and fifteen of books made mostly of copies: merges that take
// the two sides by different rules (the book in memory by its nodes' ids, the file by
// places) fail about one round in 400, mostly where two folders or copies stand alike; one
// that takes a side's edit of a copy, read as an addition, for an addition of its own, one
// round in 1,000 of many copies.
TEST(BookMergeRandom, RandomEditsOnBothSidesMergeByTheRules)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomMergeRun(seed).Run(150))
            return;
    }
    for (unsigned seed = 1; seed <= 15; ++seed) {
        SCOPED_TRACE("many copies, seed " + std::to_string(seed));
        if (!RandomMergeRun(seed, true).Run(150))
            return;
    }
}

}  // namespace
