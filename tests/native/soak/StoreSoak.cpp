// The long random run of the store: a million operations (or the number given) across a
// few seeds, every invariant checked every hundred steps. Built in the native tree under
// AddressSanitizer and UndefinedBehaviorSanitizer; run by tests/native/soak/run, not by the
// default test run.
#include <cstdlib>
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

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_nSteps = std::atol(argv[1]);
    return RUN_ALL_TESTS();
}
