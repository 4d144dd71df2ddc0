// The base of a local book: the bytes its AL-MAIL file held when this run last read or
// wrote it, their hash for the file's fingerprint, and a range of ids that names the
// entries of those bytes. The book's folders and addresses carry the id of the entry they
// are (ADTDATA::nBaseId), so that a save that finds the file changed by someone else can
// merge this run's changes with theirs (MergeBook). Kept by the book registry, one per
// local book; it holds only the bytes (the size of its file) and reads their entries again
// when they are needed (loading, stamping after a write, a merge).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include "store/AddrBook.h"
#include "merge/BookEntries.h"

class CBookBase {
public:
    CBookBase() = default;
    // Movable (the entries follow the bytes), not copyable.
    CBookBase(CBookBase&& other) noexcept;
    CBookBase& operator=(CBookBase&& other) noexcept;
    CBookBase(const CBookBase&) = delete;
    CBookBase& operator=(const CBookBase&) = delete;

    // Takes bytes (what the file holds now) as the base, with fresh ids for its entries.
    void Capture(std::string bytes);
    // Forgets the base: the book then has no base, and a merge adds both sides together.
    void Clear();

    bool IsSet() const { return m_bSet; }
    const std::string& Bytes() const { return m_strBytes; }
    // The entries of the bytes (views into them), read anew at each call.
    CBookEntries Entries() const { return CBookEntries::Parse(m_strBytes, m_nIdCount); }
    // The memory the base holds, for the benchmark.
    size_t MemoryUse() const;
    // The content part of the file's fingerprint (HashBookBytes of the bytes).
    uint64_t Hash() const;
    // True when bytes are the base's own: the file has not changed since this run last
    // read or wrote it (whatever its size, time or stamp say).
    bool Holds(std::string_view bytes) const;

    // Reads the base's bytes into book, which must be empty, as ReadList reads a file (the
    // same nodes, shown the same way), each node carrying the id of its entry.
    void Load(CAddrBook& store, ADTDATA* book) const;
    // Gives the folders and addresses of book the ids of the entries they are, once the base
    // holds what the book was just written as: by their places when the book reads back
    // the same shape, otherwise by EntryMatch's rule. Nodes that are no entry get none.
    void Stamp(ADTDATA* book) const;

    // The base entry that an id names (its index in file order), or -1.
    int EntryOf(uint32_t id) const;
    uint32_t IdOf(int entry) const { return m_nFirstId + static_cast<uint32_t>(entry); }

private:
    std::string m_strBytes;
    mutable uint64_t m_nHash = 0;  // worked out when first asked for
    mutable bool m_bHashed = false;
    uint32_t m_nFirstId = 0;
    uint32_t m_nIdCount = 0;  // ids in the range: at least the entries (one a line)
    bool m_bSet = false;
};

// The content hash of a book file's bytes: fast (several bytes a cycle), 64 bits.
uint64_t HashBookBytes(std::string_view bytes);
