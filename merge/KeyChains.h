// Items (ints) filed under 64-bit keys, each key's items in the order they were added: the
// merge's indexes of entries by content, by name or by text. A flat hash table of chains,
// built and looked up in linear time (a sorted list of pairs costs a sort and a binary
// search per look-up, which dominated the merge of a book whose every entry changed).
// Items once passed for good at the front of a chain can be dropped from it (Advance).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CKeyChains {
public:
    // Forgets every item; room for about expected items without growing.
    void Reset(size_t expected);
    void Add(uint64_t key, int item);
    bool Empty() const { return m_Items.empty(); }

    // The first link of key's chain, -1 for none; Next: the link after one; Item: its item.
    int First(uint64_t key) const;
    int Next(int link) const { return m_Next[static_cast<size_t>(link)]; }
    int Item(int link) const { return m_Items[static_cast<size_t>(link)]; }
    // Drops the front of key's chain while passed(item) holds, for the look-ups to come.
    template <class Passed>
    void Advance(uint64_t key, Passed passed)
    {
        int slot = Find(key);
        if (slot < 0)
            return;
        int& head = m_Head[static_cast<size_t>(slot)];
        while (head >= 0 && passed(m_Items[static_cast<size_t>(head)]))
            head = m_Next[static_cast<size_t>(head)];
    }

private:
    std::vector<uint64_t> m_Keys;  // per slot
    std::vector<int> m_Head;       // per slot: its chain's first link still live, -1 for none
    std::vector<int> m_Tail;       // per slot: its chain's last link, -1 for an empty slot
    std::vector<int> m_Items;      // per link
    std::vector<int> m_Next;       // per link: the next link of its chain, -1 at the end
    std::vector<int> m_Used;       // the slots in use, to be emptied at the next Reset
    size_t m_nMask = 0;

    int Find(uint64_t key) const;
    void Grow();
    static size_t Spread(uint64_t key)
    {
        key = (key ^ (key >> 33)) * 0xFF51AFD7ED558CCDull;
        return static_cast<size_t>(key ^ (key >> 33));
    }
};
