#include "RandomStoreRun.h"

namespace {

TEST(AddrBookRandom, LongOperationSequencesKeepEveryInvariant)
{
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        if (!RandomStoreRun(seed).Run(600))
            return;
    }
}

}  // namespace
