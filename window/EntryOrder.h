// CEntryOrder: the send list's entries in list order, each a sort key and a value, kept so
// that every key is not greater than the keys after it and a new entry goes after the
// entries of an equal key. CSendEntries keeps its entries' places in one.
//
// The entries lie in blocks of at most kMaxBlock, with each block's size and last key in
// arrays of their own: finding a place reads those arrays and then one block, and an insert
// or a removal moves at most one block's entries. Adding a folder of thousands of entries
// thus costs no allocation per entry and no walk of the whole list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CEntryOrder {
public:
    // The number of entries whose key is not greater than key: where a new one goes.
    size_t PlaceFor(int32_t key) const;
    // Adds an entry at PlaceFor(key) and returns that place.
    size_t Insert(int32_t key, uint32_t value);
    // The value at a place (below Size()).
    uint32_t Value(size_t place) const;
    void Erase(size_t place);
    void Clear();
    size_t Size() const { return m_nSize; }

    static const size_t kMaxBlock = 512;

private:
    struct Item {
        int32_t key;
        uint32_t value;
    };
    std::vector<std::vector<Item>> m_Blocks;
    std::vector<uint32_t> m_Sizes;    // by block
    std::vector<int32_t> m_LastKeys;  // by block
    size_t m_nSize = 0;
    // The block of the last place looked up and the place its first entry has, so that
    // reading the entries in order does not count the blocks from the start each time.
    mutable size_t m_nCursorBlock = 0;
    mutable size_t m_nCursorStart = 0;

    // The block that holds place and the place of its first entry.
    size_t BlockOf(size_t place, size_t& start) const;
    void SplitBlock(size_t block);
    void ForgetCursor() { m_nCursorBlock = m_nCursorStart = 0; }
};
