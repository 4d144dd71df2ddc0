// Native builds: failures and traces go nowhere unless a test captures them.
#include <cstdlib>
#include "store/StoreHeap.h"
#include "store/StoreHooks.h"

namespace {
void IgnoreError(const char*, const char*) {}
void IgnoreTrace(const char*) {}
}  // namespace

StoreHooks g_StoreHooks = {IgnoreError, IgnoreTrace, StoreHeapAllocate, StoreHeapRelease, StoreFileWrite};
