#include "exchange/ByteScan.h"
#if !defined(__SSE2__) && defined(VELMORA_HAS_SSE2_SCAN)

std::atomic<int> g_nHasSse2{-1};

// Asked on the first search, not in a constructor: in a DLL the library's own start may not
// have run.
bool AskSse2()
{
    __builtin_cpu_init();
    bool has = __builtin_cpu_supports("sse2") != 0;
    g_nHasSse2.store(has ? 1 : 0, std::memory_order_relaxed);
    return has;
}
#endif
