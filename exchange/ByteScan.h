// The readers' comparison of short texts, and their search of a text for the first of three
// bytes (a line end, a field's or a head's end) and for the end of a run of folded lines,
// sixteen bytes a step with SSE2: inline where the compiler may assume it (x86-64), and in
// the 32-bit DLL, which cannot assume it, when the processor has it (asked once).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__) || defined(__i386__)
#include <emmintrin.h>
#define VELMORA_HAS_SSE2_SCAN 1
#endif

// Whether the size bytes at a and b are the same, a word at a time, the last word
// overlapping the one before (no call to a C library that may compare them one by one).
inline bool SameBytes(const char* a, const char* b, size_t size)
{
    if (size < sizeof(uint64_t)) {
        for (size_t i = 0; i < size; ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }
    uint64_t x, y;
    for (size_t i = 0; i + sizeof x < size; i += sizeof x) {
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        if (x != y)
            return false;
    }
    std::memcpy(&x, a + size - sizeof x, sizeof x);
    std::memcpy(&y, b + size - sizeof y, sizeof y);
    return x == y;
}

// Where the first of a, b and c is in data from i on, a byte a step; size when there is none.
inline size_t FindFirstOfThreeByteByByte(const char* data, size_t i, size_t size, char a, char b, char c)
{
    while (i < size && data[i] != a && data[i] != b && data[i] != c)
        ++i;
    return i;
}

// Whether the line end byte at data[i] may end a run of folded lines: the byte after it
// does not begin a folded line (a blank or a tab) nor completes CR LF.
inline bool MayEndFoldedLines(const char* data, size_t i, size_t size)
{
    char after = i + 1 < size ? data[i + 1] : '\0';
    return after != ' ' && after != '\t' && !(data[i] == '\r' && after == '\n');
}

// The first CR or LF from i on for which MayEndFoldedLines holds, a byte a step; size when
// there is none.
inline size_t FindFoldedLinesEndByteByByte(const char* data, size_t i, size_t size)
{
    for (; i < size; ++i) {
        if ((data[i] == '\r' || data[i] == '\n') && MayEndFoldedLines(data, i, size))
            return i;
    }
    return size;
}

#if defined(VELMORA_HAS_SSE2_SCAN)
#if !defined(__SSE2__)
__attribute__((target("sse2")))
#endif
inline size_t FindFoldedLinesEndSse2(const char* data, size_t i, size_t size)
{
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    for (; size - i >= 17; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
        __m128i isCr = _mm_cmpeq_epi8(block, cr);
        __m128i ends = _mm_or_si128(isCr, _mm_cmpeq_epi8(block, lf));
        __m128i continued = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(after, blank), _mm_cmpeq_epi8(after, tab)),
                                         _mm_and_si128(isCr, _mm_cmpeq_epi8(after, lf)));
        int mask = _mm_movemask_epi8(_mm_andnot_si128(continued, ends));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    return FindFoldedLinesEndByteByByte(data, i, size);
}

// The same, sixteen bytes a step; built for SSE2 even where the build does not assume it, so
// only called there once the processor said it has it.
#if !defined(__SSE2__)
__attribute__((target("sse2")))
#endif
inline size_t FindFirstOfThreeSse2(const char* data, size_t i, size_t size, char a, char b, char c)
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
    return FindFirstOfThreeByteByByte(data, i, size, a, b, c);
}
#endif

// Where the first of a, b and c is in data from i on; size when there is none.
#if defined(__SSE2__)
inline size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c)
{
    return FindFirstOfThreeSse2(data, i, size, a, b, c);
}

// Where a run of folded lines may end: the first CR or LF from i on for which
// MayEndFoldedLines holds; size when there is none. Every line end before it is followed by
// a line that begins with a blank.
inline size_t FindFoldedLinesEnd(const char* data, size_t i, size_t size)
{
    return FindFoldedLinesEndSse2(data, i, size);
}
#elif defined(VELMORA_HAS_SSE2_SCAN)
// Whether the processor has SSE2: asked once, then a flag to read (1 yes, 0 no, -1 not yet
// asked), so that a search of a short line costs no more than one call.
extern std::atomic<int> g_nHasSse2;
bool AskSse2();
inline bool HasSse2()
{
    int has = g_nHasSse2.load(std::memory_order_relaxed);
    return has > 0 || (has < 0 && AskSse2());
}

inline size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c)
{
    if (size - i >= 16 && HasSse2())
        return FindFirstOfThreeSse2(data, i, size, a, b, c);
    return FindFirstOfThreeByteByByte(data, i, size, a, b, c);
}

inline size_t FindFoldedLinesEnd(const char* data, size_t i, size_t size)
{
    if (size - i >= 17 && HasSse2())
        return FindFoldedLinesEndSse2(data, i, size);
    return FindFoldedLinesEndByteByByte(data, i, size);
}
#else
inline size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c)
{
    return FindFirstOfThreeByteByByte(data, i, size, a, b, c);
}

inline size_t FindFoldedLinesEnd(const char* data, size_t i, size_t size)
{
    return FindFoldedLinesEndByteByByte(data, i, size);
}
#endif
