// A set of bytes made when compiling, and the search of a text for the first byte in it,
// four bytes a step: the writers look so for the bytes that make a value need escaping or
// quotes (mostly there are none), the name splitter for blanks.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string_view>

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
