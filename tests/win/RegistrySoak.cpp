// The long random runs of the book registry under Wine: many books, imports, saves with
// held files and restarts with read faults (RandomRegistryRun); and many host processes at
// once on shared files with random kills (RegistryStressRun). Run by
//   tests/native/soak/run books [steps]     and   tests/native/soak/run stress [rounds [first]]
// not by the default test run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "RandomRegistryRun.h"
#include "RegistryStressRun.h"

namespace {

long g_nSteps = 20000;
long g_nStressRounds = 20;
long g_nFirstRound = 1;

TEST(BookRegistrySoak, ManyStepsKeepEveryBookAndTheList)
{
    const unsigned seeds = 4;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomRegistryRun(2000 + seed).Run(g_nSteps / seeds))
            return;
    }
}

// Each round: four hosts of 240 steps at once (about a fifth of them saves), sixteen kills:
// long hosts spend the run on saves rather than on starting processes and folders.
TEST(BookRegistrySoak, ManyHostsAtOnceWithKillsLoseNothing)
{
    RegistryStressRun::Counts total;
    for (long round = g_nFirstRound; round < g_nFirstRound + g_nStressRounds; ++round) {
        SCOPED_TRACE(round);
        RegistryStressRun::Counts counts;
        if (!RegistryStressRun(static_cast<unsigned>(3000 + round)).Run(4, 240, 16, &counts))
            break;
        total.hosts += counts.hosts;
        total.kills += counts.kills;
        total.saves += counts.saves;
        total.additions += counts.additions;
        std::printf("round %ld: %d hosts, %d kills, %d saves, %d saved additions checked\n", round, counts.hosts,
                    counts.kills, counts.saves, counts.additions);
        std::fflush(stdout);
    }
    std::printf("all: %d hosts, %d kills, %d saves, %d saved additions checked\n", total.hosts, total.kills,
                total.saves, total.additions);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "stress") == 0) {
        ::testing::GTEST_FLAG(filter) = "*ManyHosts*";
        if (argc > 2)
            g_nStressRounds = std::atol(argv[2]);
        if (argc > 3)
            g_nFirstRound = std::atol(argv[3]);
    } else {
        ::testing::GTEST_FLAG(filter) = "*ManySteps*";
        if (argc > 1)
            g_nSteps = std::atol(argv[1]);
    }
    return RUN_ALL_TESTS();
}
