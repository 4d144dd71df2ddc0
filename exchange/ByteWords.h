// Bytes of a text looked at eight at a time: which bytes of a 64-bit word are below a value
// or equal to one. The import looks through names and addresses so for the characters it
// has to change (control characters, commas, colons) before it copies or converts them.
#pragma once
#include <cstdint>

namespace ByteWords {

const uint64_t kOnes = 0x0101010101010101ull;
const uint64_t kHighBits = kOnes * 0x80;

// Nonzero when a byte of word is below limit (at most 0x80): the high bit of each such byte,
// and maybe of bytes above one (never without one).
inline uint64_t Below(uint64_t word, unsigned limit)
{
    return (word - kOnes * limit) & ~word & kHighBits;
}

// Nonzero when a byte of word is value.
inline uint64_t Equal(uint64_t word, unsigned char value)
{
    return Below(word ^ (kOnes * value), 1);
}

}  // namespace ByteWords
