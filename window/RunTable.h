// CRunTable: a flat hash table from nonzero 32-bit keys to small values, for CTextIndex,
// which adds tens of keys for every send-list entry: one array, no allocation per key.
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
        if (m_Keys.empty())
            return nullptr;
        for (size_t slot = Slot(key);; slot = (slot + 1) & (m_Keys.size() - 1)) {
            if (m_Keys[slot] == key)
                return &m_Values[slot];
            if (m_Keys[slot] == 0)
                return nullptr;
        }
    }

    // The value of key, added as Value() when it is new. key must not be 0.
    Value& At(uint32_t key)
    {
        if ((m_nUsed + 1) * 2 > m_Keys.size())
            Grow();
        size_t slot = Slot(key);
        while (m_Keys[slot] != key && m_Keys[slot] != 0)
            slot = (slot + 1) & (m_Keys.size() - 1);
        if (m_Keys[slot] == 0) {
            m_Keys[slot] = key;
            ++m_nUsed;
        }
        return m_Values[slot];
    }

    void Clear()
    {
        m_Keys.clear();
        m_Values.clear();
        m_nUsed = 0;
    }

private:
    std::vector<uint32_t> m_Keys;  // 0: an empty slot
    std::vector<Value> m_Values;
    size_t m_nUsed = 0;

    size_t Slot(uint32_t key) const { return (key * 2654435761u) & (m_Keys.size() - 1); }

    void Grow()
    {
        std::vector<uint32_t> keys(m_Keys.empty() ? 1024 : m_Keys.size() * 2, 0);
        std::vector<Value> values(keys.size());
        keys.swap(m_Keys);
        values.swap(m_Values);
        m_nUsed = 0;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i])
                At(keys[i]) = values[i];
        }
    }
};
