// The long random run of the store: a million operations (or the number given) across a
// few seeds, every invariant checked every hundred steps; then one merge of a book edited
// on two sides for every twenty of those steps (half of them of books made mostly of copies),
// each checked against the merge's rules. Built in the native tree under
// AddressSanitizer and UndefinedBehaviorSanitizer; run by tests/native/soak/run, not by the
// default test run.
#include <cstdlib>
#include "RandomMergeRun.h"
#include "RandomStoreRun.h"

namespace {

long g_nSteps = 1000000;

TEST(AddrBookSoak, AMillionOperationsKeepEveryInvariant)
{
    const unsigned seeds = 4;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomStoreRun(1000 + seed).Run(g_nSteps / seeds, 100))
            return;
    }
}

TEST(AddrBookSoak, ManyMergesKeepTheMergeRules)
{
    const unsigned seeds = 4;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomMergeRun(2000 + seed, seed % 2 == 0).Run(static_cast<int>(g_nSteps / 20 / seeds)))
            return;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_nSteps = std::atol(argv[1]);
    return RUN_ALL_TESTS();
}
