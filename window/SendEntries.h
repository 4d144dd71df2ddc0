// CSendEntries: the entries of the send list as its list view holds them, in the same
// order. It keeps their sort keys for the sorted insert and their texts in two indexes,
// the ReplyTo entries and the others, so the duplicate test reads only the few entries
// that can match a new key. The address book window changes it with its list view.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include "window/EntryOrder.h"
#include "window/TextIndex.h"

class CSendEntries {
public:
    // True when an entry already listed blocks a new entry of type (1 to 4) whose address
    // key is key: an entry of the same kind, ReplyTo or not, that contains the key.
    bool Blocks(int type, std::string_view key) const;
    // Where an entry with sortKey goes: after every entry whose key is not greater.
    size_t PositionFor(int32_t sortKey) const;

    // The entry that text makes as type, unless an entry already listed blocks it (then
    // false): its whole text, prefix included, its sort key and its place. The buffers of
    // proposal are used again from one entry to the next.
    struct Proposal {
        std::string text;
        int32_t sortKey = 0;
        size_t position = 0;
    };
    bool Propose(int type, std::string_view text, Proposal& proposal);

    // Adds an entry where PositionFor(sortKey) said; text is its whole text, prefix included.
    void Insert(std::string_view text, int32_t sortKey);
    void Erase(size_t position);
    void Clear();

    size_t Size() const { return m_Entries.Size(); }
    std::string_view Text(size_t position) const;

private:
    // Each entry's value in the order: its id in the index of its kind, with kReplyTo set
    // when its text holds "[ReplyTo]".
    static const uint32_t kReplyTo = 0x80000000u;
    CEntryOrder m_Entries;
    CTextIndex m_ReplyTo;
    CTextIndex m_Others;
    std::string m_Key;  // room for an address key that is not a part of its text

    CTextIndex& IndexOf(bool replyTo) { return replyTo ? m_ReplyTo : m_Others; }
};
