// CPrefixKeys: places in a text of NUL-ended strings (32-bit offsets), sorted by the text
// that starts at each, so that the places where a prefix starts form one range. Beside
// them the least offset of every block of kBlock keys: the offsets of a range come out in
// increasing order (the order the text was laid out in) after reading only the blocks
// that hold the first of them, so that the first few of a large range cost a few blocks.
// Used by the completion index (CRecipientIndex).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CPrefixKeys {
public:
    static const size_t kBlock = 32;

    void Clear();
    void Reserve(size_t count) { m_Keys.reserve(count); }
    void Add(uint32_t offset) { m_Keys.push_back(offset); }
    // Ends the adding: sizes the block table, so that Sort allocates nothing.
    void Seal();
    // Sorts the keys by the text at them (then by offset) and notes each block's least
    // offset. May run on another thread while nothing else touches the keys.
    void Sort(const char* text);
    size_t Size() const { return m_Keys.size(); }
    uint32_t At(size_t i) const { return m_Keys[i]; }
    // The keys whose text starts with prefix, as [first, last).
    std::pair<size_t, size_t> Range(const char* text, const std::string& prefix) const;
    size_t MemoryBytes() const;

    // The offsets of the keys [first, last) in increasing order.
    class Ascending {
    public:
        Ascending() = default;
        Ascending(const CPrefixKeys& keys, size_t first, size_t last);
        bool Next(uint32_t& offset);

    private:
        const CPrefixKeys* m_pKeys = nullptr;
        std::vector<uint64_t> m_Blocks;   // blocks not read yet: least offset << 32 | block
        std::vector<uint32_t> m_Offsets;  // the offsets of the keys read (a heap, least first)
        void Read(size_t first, size_t last);
    };

private:
    std::vector<uint32_t> m_Keys;
    std::vector<uint32_t> m_BlockLeast;
};
