// Windows builds: failures are message boxes without owner, traces go to the debugger.
#include <windows.h>
#include <cstdlib>
#include "store/StoreHeap.h"
#include "store/StoreHooks.h"

namespace {

void ShowError(const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

void DebuggerTrace(const char* line)
{
    OutputDebugStringA(line);
}

}  // namespace

StoreHooks g_StoreHooks = {ShowError, DebuggerTrace, StoreHeapAllocate, StoreHeapRelease, StoreFileWrite};
