#include "window/SendEntries.h"
#include "window/SendListRules.h"

bool CSendEntries::Blocks(int type, std::string_view key) const
{
    return (type == SEND_REPLYTO ? m_ReplyTo : m_Others).AnyContains(key);
}

size_t CSendEntries::PositionFor(int32_t sortKey) const
{
    return m_Entries.order_of_key({sortKey, m_nInserted});
}

bool CSendEntries::Propose(int type, std::string_view text, Proposal& proposal)
{
    if (Blocks(type, SendListRules::AddressKeyOf(text, m_Key)))
        return false;
    proposal.text.assign(SendListRules::Prefix(type));
    proposal.text.append(text);
    proposal.sortKey = SendListRules::SortKey(type, text);
    proposal.position = PositionFor(proposal.sortKey);
    return true;
}

void CSendEntries::Insert(std::string_view text, int32_t sortKey)
{
    bool replyTo = text.find("[ReplyTo]") != std::string_view::npos;
    uint32_t id = IndexOf(replyTo).Add(text);
    m_Entries.insert({{sortKey, m_nInserted++}, Entry{replyTo, id}});
}

void CSendEntries::Erase(size_t position)
{
    if (position >= m_Entries.size())
        return;
    auto entry = m_Entries.find_by_order(position);
    IndexOf(entry->second.replyTo).Remove(entry->second.id);
    m_Entries.erase(entry);
}

void CSendEntries::Clear()
{
    m_Entries.clear();
    m_ReplyTo.Clear();
    m_Others.Clear();
}

std::string_view CSendEntries::Text(size_t position) const
{
    const Entry& entry = m_Entries.find_by_order(position)->second;
    return (entry.replyTo ? m_ReplyTo : m_Others).Text(entry.id);
}
