#include "store/PrefixKeys.h"
#include <algorithm>
#include <cstring>
#include <functional>

void CPrefixKeys::Clear()
{
    m_Keys.clear();
    m_BlockLeast.clear();
}

void CPrefixKeys::Seal()
{
    m_Keys.shrink_to_fit();
    m_BlockLeast.assign((m_Keys.size() + kBlock - 1) / kBlock, 0);
    m_BlockLeast.shrink_to_fit();
}

void CPrefixKeys::Sort(const char* text)
{
    std::sort(m_Keys.begin(), m_Keys.end(), [text](uint32_t a, uint32_t b) {
        int order = std::strcmp(text + a, text + b);
        return order != 0 ? order < 0 : a < b;
    });
    for (size_t block = 0; block < m_BlockLeast.size(); ++block) {
        size_t end = std::min(m_Keys.size(), (block + 1) * kBlock);
        m_BlockLeast[block] = *std::min_element(m_Keys.begin() + static_cast<ptrdiff_t>(block * kBlock),
                                                m_Keys.begin() + static_cast<ptrdiff_t>(end));
    }
}

std::pair<size_t, size_t> CPrefixKeys::Range(const char* text, const std::string& prefix) const
{
    size_t length = prefix.size();
    auto first = std::lower_bound(m_Keys.begin(), m_Keys.end(), prefix, [&](uint32_t key, const std::string& typed) {
        return std::strncmp(text + key, typed.c_str(), length) < 0;
    });
    auto last = std::upper_bound(first, m_Keys.end(), prefix, [&](const std::string& typed, uint32_t key) {
        return std::strncmp(typed.c_str(), text + key, length) < 0;
    });
    return {static_cast<size_t>(first - m_Keys.begin()), static_cast<size_t>(last - m_Keys.begin())};
}

size_t CPrefixKeys::MemoryBytes() const
{
    return (m_Keys.capacity() + m_BlockLeast.capacity()) * sizeof(uint32_t);
}

// The blocks the range covers whole wait in a heap by their least offset; the keys of the
// partly covered blocks at its ends are read at once.
CPrefixKeys::Ascending::Ascending(const CPrefixKeys& keys, size_t first, size_t last) : m_pKeys(&keys)
{
    if (first >= last)
        return;
    size_t whole = (first + kBlock - 1) / kBlock;
    size_t end = last / kBlock;
    if (whole >= end) {
        Read(first, last);
        return;
    }
    Read(first, whole * kBlock);
    Read(end * kBlock, last);
    m_Blocks.reserve(end - whole);
    for (size_t block = whole; block < end; ++block)
        m_Blocks.push_back(static_cast<uint64_t>(keys.m_BlockLeast[block]) << 32 | block);
    std::make_heap(m_Blocks.begin(), m_Blocks.end(), std::greater<uint64_t>());
}

void CPrefixKeys::Ascending::Read(size_t first, size_t last)
{
    for (size_t i = first; i < last; ++i) {
        m_Offsets.push_back(m_pKeys->m_Keys[i]);
        std::push_heap(m_Offsets.begin(), m_Offsets.end(), std::greater<uint32_t>());
    }
}

// A block whose least offset comes before every offset read so far is read before the
// next offset is given: the blocks still waiting hold none less than it.
bool CPrefixKeys::Ascending::Next(uint32_t& offset)
{
    while (!m_Blocks.empty() && (m_Offsets.empty() || (m_Blocks.front() >> 32) < m_Offsets.front())) {
        size_t block = static_cast<size_t>(m_Blocks.front() & 0xFFFFFFFFu);
        std::pop_heap(m_Blocks.begin(), m_Blocks.end(), std::greater<uint64_t>());
        m_Blocks.pop_back();
        Read(block * kBlock, (block + 1) * kBlock);
    }
    if (m_Offsets.empty())
        return false;
    offset = m_Offsets.front();
    std::pop_heap(m_Offsets.begin(), m_Offsets.end(), std::greater<uint32_t>());
    m_Offsets.pop_back();
    return true;
}
