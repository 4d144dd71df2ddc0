#include "merge/KeyChains.h"

void CKeyChains::Reset(size_t expected)
{
    size_t wanted = 16;
    while (wanted < expected * 2)
        wanted *= 2;
    if (m_Slots.size() < wanted) {
        m_Slots.assign(wanted, {0, -1, -1});
        m_nMask = wanted - 1;
    } else {
        for (int slot : m_Used) {
            m_Slots[static_cast<size_t>(slot)].head = -1;
            m_Slots[static_cast<size_t>(slot)].tail = -1;
        }
    }
    m_Used.clear();
    m_Links.clear();
    m_Links.reserve(expected);
}

int CKeyChains::Find(uint64_t key) const
{
    if (m_Slots.empty())
        return -1;
    for (size_t slot = Spread(key) & m_nMask;; slot = (slot + 1) & m_nMask) {
        const Slot& at = m_Slots[slot];
        if (at.tail < 0)  // an empty slot ends the probe
            return -1;
        if (at.key == key)
            return static_cast<int>(slot);
    }
}

int CKeyChains::First(uint64_t key) const
{
    int slot = Find(key);
    return slot < 0 ? -1 : m_Slots[static_cast<size_t>(slot)].head;
}

void CKeyChains::Add(uint64_t key, int item)
{
    if (m_Slots.empty() || (m_Used.size() + 1) * 2 > m_Slots.size())
        Grow();
    int link = static_cast<int>(m_Links.size());
    m_Links.push_back({item, -1});
    size_t slot = Spread(key) & m_nMask;
    while (m_Slots[slot].tail >= 0 && m_Slots[slot].key != key)
        slot = (slot + 1) & m_nMask;
    Slot& at = m_Slots[slot];
    if (at.tail < 0) {
        at.key = key;
        at.head = link;
        m_Used.push_back(static_cast<int>(slot));
    } else if (at.head < 0) {
        at.head = link;  // every item before was passed
    } else {
        m_Links[static_cast<size_t>(at.tail)].next = link;
    }
    at.tail = link;
}

void CKeyChains::Grow()
{
    std::vector<Link> links = std::move(m_Links);
    std::vector<uint64_t> keys;
    std::vector<int> heads;
    for (int slot : m_Used) {
        keys.push_back(m_Slots[static_cast<size_t>(slot)].key);
        heads.push_back(m_Slots[static_cast<size_t>(slot)].head);
    }
    size_t size = m_Slots.empty() ? 32 : m_Slots.size() * 2;
    m_Slots.assign(size, {0, -1, -1});
    m_nMask = size - 1;
    m_Used.clear();
    m_Links.clear();
    m_Links.reserve(links.size() * 2);
    for (size_t k = 0; k < keys.size(); ++k) {
        for (int link = heads[k]; link >= 0; link = links[static_cast<size_t>(link)].next)
            Add(keys[k], links[static_cast<size_t>(link)].item);
    }
}
