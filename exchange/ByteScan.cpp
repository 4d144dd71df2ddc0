#include "exchange/ByteScan.h"
#if !defined(__SSE2__)

namespace {

#if defined(__i386__)
bool HasSse2()
{
    // Asked here, not in a constructor: in a DLL the library's own start may not have run.
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return has;
}
#endif

}  // namespace

size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c)
{
#if defined(__i386__)
    if (size - i >= 16 && HasSse2())
        return FindFirstOfThreeSse2(data, i, size, a, b, c);
#endif
    return FindFirstOfThreeByteByByte(data, i, size, a, b, c);
}

size_t FindFoldedLinesEnd(const char* data, size_t i, size_t size)
{
#if defined(__i386__)
    if (size - i >= 17 && HasSse2())
        return FindFoldedLinesEndSse2(data, i, size);
#endif
    return FindFoldedLinesEndByteByByte(data, i, size);
}
#endif
