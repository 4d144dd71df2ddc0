// A set of bytes made when compiling, and the search of a text for the first byte in it,
// four bytes a step: the writers look so for the bytes that make a value need escaping or
// quotes (mostly there are none), the name splitter for blanks.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct ByteSet {
    bool has[256] = {};
    constexpr ByteSet(std::initializer_list<unsigned char> bytes)
    {
        for (unsigned char b : bytes)
            has[b] = true;
    }
};

// Where the first byte of text that is in set is; text.size() when none is.
inline size_t FindFirstOf(std::string_view text, const ByteSet& set)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        if (set.has[p[i]] | set.has[p[i + 1]] | set.has[p[i + 2]] | set.has[p[i + 3]])
            break;
    }
    while (i < n && !set.has[p[i]])
        ++i;
    return i;
}

// Where the first of three given bytes is in data from i on, sixteen bytes at a time where the
// processor has SSE2 (the readers' field and head ends); size when there is none.
inline size_t FindFirstOfThree(const char* data, size_t i, size_t size, char a, char b, char c)
{
#if defined(__SSE2__)
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
#endif
    while (i < size && data[i] != a && data[i] != b && data[i] != c)
        ++i;
    return i;
}
