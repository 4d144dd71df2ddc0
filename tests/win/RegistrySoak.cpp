// The long random run of the book registry under Wine: many books, imports, saves with
// held files and restarts with read faults (RandomRegistryRun). Run by
// tests/native/soak/run books [steps], not by the default test run.
#include <cstdlib>
#include "RandomRegistryRun.h"

namespace {

long g_nSteps = 20000;

TEST(BookRegistrySoak, ManyStepsKeepEveryBookAndTheList)
{
    const unsigned seeds = 4;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomRegistryRun(2000 + seed).Run(g_nSteps / seeds))
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
