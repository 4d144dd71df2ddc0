// A set of 64-bit keys that may answer "perhaps" for a key it does not hold, but never
// "no" for one it holds (one bit per key in a table of 2^21 bits): the merge asks it which
// entries can have an equal one on the other side at all, so that a level whose every
// entry changed costs no look-ups.
#pragma once
#include <cstdint>
#include <vector>

class CKeyFilter {
public:
    void Clear() { m_Bits.assign(kWords, 0); }
    void Add(uint64_t key) { m_Bits[Word(key)] |= Bit(key); }
    bool MayHold(uint64_t key) const { return (m_Bits[Word(key)] & Bit(key)) != 0; }

private:
    static const size_t kWords = (size_t{1} << 21) / 64;
    std::vector<uint64_t> m_Bits;

    static size_t Word(uint64_t key) { return static_cast<size_t>(key >> 40) % kWords; }
    static uint64_t Bit(uint64_t key) { return uint64_t{1} << (key >> 34 & 63); }
};
