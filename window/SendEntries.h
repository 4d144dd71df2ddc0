// CSendEntries: the entries of the send list as its list view holds them, in the same
// order. It keeps their sort keys for the sorted insert and their texts in two indexes,
// the ReplyTo entries and the others, so the duplicate test reads only the few entries
// that can match a new key. The address book window changes it with its list view.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "window/TextIndex.h"

class CSendEntries {
public:
    // True when an entry already listed blocks a new entry of type (1 to 4) whose address
    // key is key: an entry of the same kind, ReplyTo or not, that contains the key.
    bool Blocks(int type, const std::string& key) const;
    // Where an entry with sortKey goes: after every entry whose key is not greater.
    size_t PositionFor(int32_t sortKey) const;

    // text is the entry's whole text, prefix included.
    void Insert(size_t position, const std::string& text, int32_t sortKey);
    void Erase(size_t position);
    void Clear();

    size_t Size() const { return m_Entries.size(); }
    const std::string& Text(size_t position) const;

private:
    struct Entry {
        int32_t key;
        bool replyTo;  // the text holds "[ReplyTo]"
        uint32_t id;   // in the index of its kind
    };
    std::vector<Entry> m_Entries;
    CTextIndex m_ReplyTo;
    CTextIndex m_Others;

    CTextIndex& IndexOf(bool replyTo) { return replyTo ? m_ReplyTo : m_Others; }
};
