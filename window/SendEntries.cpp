#include "window/SendEntries.h"
#include "window/SendListRules.h"

bool CSendEntries::Blocks(int type, std::string_view key) const
{
    return (type == SEND_REPLYTO ? m_ReplyTo : m_Others).AnyContains(key);
}

size_t CSendEntries::PositionFor(int32_t sortKey) const
{
    return m_Entries.PlaceFor(sortKey);
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
    m_Entries.Insert(sortKey, replyTo ? id | kReplyTo : id);
}

void CSendEntries::Erase(size_t position)
{
    if (position >= m_Entries.Size())
        return;
    uint32_t value = m_Entries.Value(position);
    IndexOf((value & kReplyTo) != 0).Remove(value & ~kReplyTo);
    m_Entries.Erase(position);
}

void CSendEntries::Clear()
{
    m_Entries.Clear();
    m_ReplyTo.Clear();
    m_Others.Clear();
}

std::string_view CSendEntries::Text(size_t position) const
{
    uint32_t value = m_Entries.Value(position);
    return ((value & kReplyTo) ? m_ReplyTo : m_Others).Text(value & ~kReplyTo);
}
