#include "window/EntryOrder.h"
#include <algorithm>

size_t CEntryOrder::PlaceFor(int32_t key) const
{
    size_t place = 0;
    for (size_t block = 0; block < m_Blocks.size(); ++block) {
        if (m_LastKeys[block] > key) {
            const std::vector<Item>& items = m_Blocks[block];
            auto after = std::upper_bound(items.begin(), items.end(), key,
                                          [](int32_t k, const Item& item) { return k < item.key; });
            return place + static_cast<size_t>(after - items.begin());
        }
        place += m_Sizes[block];
    }
    return place;
}

size_t CEntryOrder::Insert(int32_t key, uint32_t value)
{
    ForgetCursor();
    if (m_Blocks.empty()) {
        m_Blocks.emplace_back();
        m_Blocks.back().reserve(kMaxBlock + 1);
        m_Sizes.push_back(0);
        m_LastKeys.push_back(key);
    }
    // The first block whose last key is greater, or the last block when there is none.
    size_t block = 0;
    size_t place = 0;
    while (block + 1 < m_Blocks.size() && m_LastKeys[block] <= key)
        place += m_Sizes[block++];
    std::vector<Item>& items = m_Blocks[block];
    auto at = std::upper_bound(items.begin(), items.end(), key,
                               [](int32_t k, const Item& item) { return k < item.key; });
    place += static_cast<size_t>(at - items.begin());
    items.insert(at, Item{key, value});
    ++m_Sizes[block];
    m_LastKeys[block] = items.back().key;
    ++m_nSize;
    if (items.size() > kMaxBlock)
        SplitBlock(block);
    return place;
}

// A full block becomes two; when it is the last one and grew at its end, as a list that is
// added to in key order does, the new block starts with the last entry alone, so the blocks
// before stay full.
void CEntryOrder::SplitBlock(size_t block)
{
    std::vector<Item>& items = m_Blocks[block];
    bool appending = block + 1 == m_Blocks.size();
    size_t keep = appending ? items.size() - 1 : items.size() / 2;
    std::vector<Item> rest;
    rest.reserve(kMaxBlock + 1);
    rest.assign(items.begin() + static_cast<std::ptrdiff_t>(keep), items.end());
    items.resize(keep);
    m_Sizes[block] = static_cast<uint32_t>(keep);
    m_LastKeys[block] = items.back().key;
    m_Sizes.insert(m_Sizes.begin() + static_cast<std::ptrdiff_t>(block + 1), static_cast<uint32_t>(rest.size()));
    m_LastKeys.insert(m_LastKeys.begin() + static_cast<std::ptrdiff_t>(block + 1), rest.back().key);
    m_Blocks.insert(m_Blocks.begin() + static_cast<std::ptrdiff_t>(block + 1), std::move(rest));
}

size_t CEntryOrder::BlockOf(size_t place, size_t& start) const
{
    size_t block = 0;
    start = 0;
    if (place >= m_nCursorStart && m_nCursorBlock < m_Blocks.size()) {
        block = m_nCursorBlock;
        start = m_nCursorStart;
    }
    while (place >= start + m_Sizes[block])
        start += m_Sizes[block++];
    m_nCursorBlock = block;
    m_nCursorStart = start;
    return block;
}

uint32_t CEntryOrder::Value(size_t place) const
{
    size_t start = 0;
    size_t block = BlockOf(place, start);
    return m_Blocks[block][place - start].value;
}

void CEntryOrder::Erase(size_t place)
{
    if (place >= m_nSize)
        return;
    size_t start = 0;
    size_t block = BlockOf(place, start);
    ForgetCursor();
    std::vector<Item>& items = m_Blocks[block];
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(place - start));
    --m_nSize;
    if (items.empty()) {
        m_Blocks.erase(m_Blocks.begin() + static_cast<std::ptrdiff_t>(block));
        m_Sizes.erase(m_Sizes.begin() + static_cast<std::ptrdiff_t>(block));
        m_LastKeys.erase(m_LastKeys.begin() + static_cast<std::ptrdiff_t>(block));
        return;
    }
    --m_Sizes[block];
    m_LastKeys[block] = items.back().key;
}

void CEntryOrder::Clear()
{
    m_Blocks.clear();
    m_Sizes.clear();
    m_LastKeys.clear();
    m_nSize = 0;
    ForgetCursor();
}
