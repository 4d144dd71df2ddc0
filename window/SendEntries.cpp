#include "window/SendEntries.h"
#include <algorithm>
#include "window/SendListRules.h"

bool CSendEntries::Blocks(int type, const std::string& key) const
{
    return (type == SEND_REPLYTO ? m_ReplyTo : m_Others).AnyContains(key);
}

size_t CSendEntries::PositionFor(int32_t sortKey) const
{
    auto position = std::upper_bound(m_Entries.begin(), m_Entries.end(), sortKey,
                                     [](int32_t key, const Entry& entry) { return key < entry.key; });
    return static_cast<size_t>(position - m_Entries.begin());
}

void CSendEntries::Insert(size_t position, const std::string& text, int32_t sortKey)
{
    bool replyTo = text.find("[ReplyTo]") != std::string::npos;
    uint32_t id = IndexOf(replyTo).Add(text);
    m_Entries.insert(m_Entries.begin() + static_cast<std::ptrdiff_t>(std::min(position, m_Entries.size())),
                     Entry{sortKey, replyTo, id});
}

void CSendEntries::Erase(size_t position)
{
    if (position >= m_Entries.size())
        return;
    const Entry& entry = m_Entries[position];
    IndexOf(entry.replyTo).Remove(entry.id);
    m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(position));
}

void CSendEntries::Clear()
{
    m_Entries.clear();
    m_ReplyTo.Clear();
    m_Others.Clear();
}

const std::string& CSendEntries::Text(size_t position) const
{
    const Entry& entry = m_Entries[position];
    return (entry.replyTo ? m_ReplyTo : m_Others).Text(entry.id);
}
