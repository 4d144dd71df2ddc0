// CRunTable: a flat hash table from nonzero 32-bit keys to small values, for CTextIndex,
// which adds tens of keys for every send-list entry: one array of slots, each key beside
// its value (one cache line read a lookup), no allocation per key.
// Keys are never removed; a value can be set back to its zero state instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename Value>
class CRunTable {
public:
    // The value of key, or none.
    const Value* Find(uint32_t key) const
    {
        if (m_Slots.empty())
            return nullptr;
        for (size_t slot = Slot(key);; slot = (slot + 1) & (m_Slots.size() - 1)) {
            if (m_Slots[slot].key == key)
                return &m_Slots[slot].value;
            if (m_Slots[slot].key == 0)
                return nullptr;
        }
    }

    // The value of key, added as Value() when it is new. key must not be 0.
    Value& At(uint32_t key)
    {
        if ((m_nUsed + 1) * 2 > m_Slots.size())
            Grow();
        size_t slot = Slot(key);
        while (m_Slots[slot].key != key && m_Slots[slot].key != 0)
            slot = (slot + 1) & (m_Slots.size() - 1);
        if (m_Slots[slot].key == 0) {
            m_Slots[slot].key = key;
            ++m_nUsed;
        }
        return m_Slots[slot].value;
    }

    void Clear()
    {
        m_Slots.clear();
        m_nUsed = 0;
    }

private:
    struct Entry {
        uint32_t key = 0;  // 0: an empty slot
        Value value = Value();
    };
    std::vector<Entry> m_Slots;
    size_t m_nUsed = 0;

    size_t Slot(uint32_t key) const
    {
        uint32_t mix = key * 2654435761u;
        return (mix ^ mix >> 15) & (m_Slots.size() - 1);
    }

    [[gnu::noinline]] void Grow()
    {
        std::vector<Entry> slots(m_Slots.empty() ? 1024 : m_Slots.size() * 2);
        slots.swap(m_Slots);
        m_nUsed = 0;
        for (const Entry& entry : slots) {
            if (entry.key)
                At(entry.key) = entry.value;
        }
    }
};
