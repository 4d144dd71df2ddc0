#include "exchange/ByteScan.h"
#if !defined(__SSE2__)
#if defined(__i386__)
#include <emmintrin.h>
#endif

namespace {

size_t FindByteByByte(const char* data, size_t i, size_t size, char a, char b, char c)
{
    while (i < size && data[i] != a && data[i] != b && data[i] != c)
        ++i;
    return i;
}

#if defined(__i386__)
__attribute__((target("sse2"))) size_t FindSse2(const char* data, size_t i, size_t size, char a, char b, char c)
{
    const __m128i first = _mm_set1_epi8(a);
    const __m128i second = _mm_set1_epi8(b);
    const __m128i third = _mm_set1_epi8(c);
    for (; size - i >= 16; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, first), _mm_cmpeq_epi8(block, second)),
                                    _mm_cmpeq_epi8(block, third));
        int mask = _mm_movemask_epi8(hits);
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    return FindByteByByte(data, i, size, a, b, c);
}

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
        return FindSse2(data, i, size, a, b, c);
#endif
    return FindByteByByte(data, i, size, a, b, c);
}
#endif
