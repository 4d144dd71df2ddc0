// A book's folders and addresses as flat records in file order (pre-order), read from the
// bytes of its AL-MAIL file by the reader's own rules, or taken from a book in memory. The
// book's base, the matching of entries and the merge work on these, not on nodes.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>
#include "store/AddrData.h"

struct BookEntry {
    int parent;          // index of the parent entry; -1 for the book's top level
    unsigned char kind;  // ADT_FOLDER or ADT_ADDR
    std::string_view name;
    std::string_view addr;  // empty for a folder
};

class CBookEntries {
public:
    std::vector<BookEntry> entries;

    // The entries of an address file's bytes, as ReadList would make the nodes (the views
    // point into bytes, which must outlive them). Not linked. lines: how many lines the
    // bytes hold, when known (0: counted here).
    static CBookEntries Parse(std::string_view bytes, size_t lines = 0);
    // The entries of a book's subtree; nodes (when given) receives each entry's node.
    // expected: about how many there are, if known.
    static CBookEntries FromBook(const ADTDATA* book, std::vector<ADTDATA*>* nodes = nullptr, size_t expected = 0);

    int Size() const { return static_cast<int>(entries.size()); }
    // The children of parent (-1: the top level) in order, once Link() has run (FromBook
    // links; Parse does not, since most of its callers walk the entries in order only).
    const int* ChildrenBegin(int parent) const { return m_Children.data() + m_Start[parent + 1]; }
    const int* ChildrenEnd(int parent) const { return m_Children.data() + m_Start[parent + 2]; }
    int ChildCount(int parent) const { return m_Start[parent + 2] - m_Start[parent + 1]; }
    void Link();
    // The EntryKey of entry i, worked out when first asked for and kept.
    uint64_t Key(int i) const
    {
        if (m_Keys.size() == entries.size()) {
            uint64_t key = m_Keys[static_cast<size_t>(i)];
            if (key)
                return key;
        }
        return NewKey(i);
    }
    // Key without its first check, for loops that ask for many keys: PrepareKeys first.
    void PrepareKeys() const
    {
        if (m_Keys.size() != entries.size())
            m_Keys.assign(entries.size(), 0);
    }
    uint64_t PreparedKey(int i) const
    {
        uint64_t key = m_Keys[static_cast<size_t>(i)];
        return key ? key : NewKey(i);
    }
    // The key of entry i if it was worked out already, else 0.
    uint64_t KnownKey(int i) const { return m_Keys.size() == entries.size() ? m_Keys[static_cast<size_t>(i)] : 0; }
    // Takes keys already worked out elsewhere (EntryKey(entry) | 1), one per entry, 0 where
    // not known.
    void TakeKeys(std::vector<uint64_t> keys) { m_Keys = std::move(keys); }

private:
    mutable std::vector<uint64_t> m_Keys;  // per entry, 0 where not yet worked out
    uint64_t NewKey(int i) const;
    std::vector<int> m_Start;     // per parent slot (parent + 1): where its children begin
    std::vector<int> m_Children;  // children grouped by parent, each group in order
};

// A fast 64-bit hash of bytes. It serves as the content part of a book file's
// fingerprint and as the key of entries when they are matched.
uint64_t HashBytes(const void* data, size_t size, uint64_t seed = 0);

// The hash of an entry's kind, name and address text: equal entries hash equally.
uint64_t EntryKey(const BookEntry& entry);

// a and b hold the same bytes. On Windows compared eight at a time, inline: the C
// runtime's memcmp under Wine compares byte by byte, and a merge compares most entries of a
// book (glibc's is vectorised).
inline bool SameBytes(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a.empty() || a.data() == b.data())  // an unchanged entry of a side and its base share their bytes
        return true;
#ifndef _WIN32
    return std::memcmp(a.data(), b.data(), a.size()) == 0;
#else
    const char* p = a.data();
    const char* q = b.data();
    size_t left = a.size();
    for (; left >= 8; left -= 8, p += 8, q += 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, p, 8);
        std::memcpy(&y, q, 8);
        if (x != y)
            return false;
    }
    for (; left; --left) {
        if (*p++ != *q++)
            return false;
    }
    return true;
#endif
}

inline bool SameContent(const BookEntry& a, const BookEntry& b)
{
    return a.kind == b.kind && SameBytes(a.name, b.name) && SameBytes(a.addr, b.addr);
}
