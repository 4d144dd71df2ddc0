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
    bool Empty() const { return m_Links.empty(); }

    // The first link of key's chain, -1 for none; Next: the link after one; Item: its item.
    int First(uint64_t key) const;
    int Next(int link) const { return m_Links[static_cast<size_t>(link)].next; }
    int Item(int link) const { return m_Links[static_cast<size_t>(link)].item; }
    // Drops the front of key's chain while passed(item) holds, for the look-ups to come.
    template <class Passed>
    void Advance(uint64_t key, Passed passed)
    {
        int slot = Find(key);
        if (slot < 0)
            return;
        int& head = m_Slots[static_cast<size_t>(slot)].head;
        while (head >= 0 && passed(m_Links[static_cast<size_t>(head)].item))
            head = m_Links[static_cast<size_t>(head)].next;
    }

private:
    // A slot's fields, and a link's, side by side: a look-up of a large index touches one
    // cache line for each.
    struct Slot {
        uint64_t key;
        int head;  // its chain's first link still live, -1 for none
        int tail;  // its chain's last link, -1 for an empty slot
    };
    struct Link {
        int item;
        int next;  // the next link of its chain, -1 at the end
    };
    std::vector<Slot> m_Slots;
    std::vector<Link> m_Links;
    std::vector<int> m_Used;  // the slots in use, to be emptied at the next Reset
    size_t m_nMask = 0;

    int Find(uint64_t key) const;
    void Grow();
    static size_t Spread(uint64_t key)
    {
        key = (key ^ (key >> 33)) * 0xFF51AFD7ED558CCDull;
        return static_cast<size_t>(key ^ (key >> 33));
    }
};
