#include "merge/KeyChains.h"

void CKeyChains::Reset(size_t expected)
{
    size_t wanted = 16;
    while (wanted < expected * 2)
        wanted *= 2;
    if (m_Head.size() < wanted) {
        m_Keys.assign(wanted, 0);
        m_Head.assign(wanted, -1);
        m_Tail.assign(wanted, -1);
        m_nMask = wanted - 1;
    } else {
        for (int slot : m_Used) {
            m_Head[static_cast<size_t>(slot)] = -1;
            m_Tail[static_cast<size_t>(slot)] = -1;
        }
    }
    m_Used.clear();
    m_Items.clear();
    m_Next.clear();
    m_Items.reserve(expected);
    m_Next.reserve(expected);
}

int CKeyChains::Find(uint64_t key) const
{
    if (m_Head.empty())
        return -1;
    for (size_t slot = Spread(key) & m_nMask;; slot = (slot + 1) & m_nMask) {
        if (m_Tail[slot] < 0)  // an empty slot ends the probe
            return -1;
        if (m_Keys[slot] == key)
            return static_cast<int>(slot);
    }
}

int CKeyChains::First(uint64_t key) const
{
    int slot = Find(key);
    return slot < 0 ? -1 : m_Head[static_cast<size_t>(slot)];
}

void CKeyChains::Add(uint64_t key, int item)
{
    if (m_Head.empty() || (m_Used.size() + 1) * 2 > m_Head.size())
        Grow();
    int link = static_cast<int>(m_Items.size());
    m_Items.push_back(item);
    m_Next.push_back(-1);
    size_t slot = Spread(key) & m_nMask;
    while (m_Tail[slot] >= 0 && m_Keys[slot] != key)
        slot = (slot + 1) & m_nMask;
    if (m_Tail[slot] < 0) {
        m_Keys[slot] = key;
        m_Head[slot] = link;
        m_Used.push_back(static_cast<int>(slot));
    } else if (m_Head[slot] < 0) {
        m_Head[slot] = link;  // every item before was passed
    } else {
        m_Next[static_cast<size_t>(m_Tail[slot])] = link;
    }
    m_Tail[slot] = link;
}

void CKeyChains::Grow()
{
    std::vector<int> items = std::move(m_Items);
    std::vector<int> next = std::move(m_Next);
    std::vector<uint64_t> keys;
    std::vector<int> heads;
    for (int slot : m_Used) {
        keys.push_back(m_Keys[static_cast<size_t>(slot)]);
        heads.push_back(m_Head[static_cast<size_t>(slot)]);
    }
    size_t size = m_Head.empty() ? 32 : m_Head.size() * 2;
    m_Keys.assign(size, 0);
    m_Head.assign(size, -1);
    m_Tail.assign(size, -1);
    m_nMask = size - 1;
    m_Used.clear();
    m_Items.clear();
    m_Next.clear();
    m_Items.reserve(items.size() * 2);
    m_Next.reserve(items.size() * 2);
    for (size_t k = 0; k < keys.size(); ++k) {
        for (int link = heads[k]; link >= 0; link = next[static_cast<size_t>(link)])
            Add(keys[k], items[static_cast<size_t>(link)]);
    }
}
