// CRecipientIndex: the address nodes of every book, indexed for the completion of the
// manual entry. A typed text matches a node whose name, a word of its name (words are
// parted by half-width and full-width blanks), its whole address or its domain starts with
// it, compared in folded form (MatchFold.h); a list node (several addresses) matches by its
// name only. Matches come exact names first, then name and word prefixes, then address
// prefixes; within each, the addresses picked more often first, then in tree order; a
// name and address that several books hold come once.
//
// The index is built from the whole store: the folded names and addresses in one block of
// text, laid out in tree order, and sorted places in it where names, their words and
// addresses start (CPrefixKeys, 32-bit offsets). A lookup takes the range of places that
// start with the typed text and reads it in tree order only as far as the first ten
// matches (and a few more for duplicates), so its cost follows the ten and not the size
// of the range; the addresses picked before, few, are matched one by one. The text is
// folded on the caller's thread, the places are sorted on a thread of the index's own,
// and until they are a lookup reads the folded text from end to end. It then follows
// the store's edits as the store's watch: a node that is added, moved or renamed leaves
// its built entry and is matched directly until the next build, which happens when such
// nodes (or nodes gone) grow many. Used by the address book window.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>
#include "store/AddrBook.h"
#include "store/PickCounts.h"
#include "store/PrefixKeys.h"
#include "store/StoreWatch.h"

struct RecipientMatch {
    enum Tier { kExactName = 0, kNamePrefix = 1, kAddressPrefix = 2 };
    const ADTDATA* node = nullptr;
    int tier = kAddressPrefix;
};

class CRecipientIndex : public IStoreWatch {
public:
    // Nodes followed one by one (or gone) before the next lookup builds the index again.
    static const size_t kMaxLooseNodes = 2048;

    CRecipientIndex(CAddrBook& store, const CPickCounts& picks);
    ~CRecipientIndex();
    CRecipientIndex(const CRecipientIndex&) = delete;
    CRecipientIndex& operator=(const CRecipientIndex&) = delete;

    // Builds the index and becomes the store's watch until destroyed.
    void Attach();
    // Waits until the keys of the last build are sorted (tests and benchmarks).
    void WaitBuilt();
    // Builds again when the store's edits have outgrown the loose nodes, or picks changed.
    void Refresh();
    // Up to limit matches of typed (Shift-JIS, as typed), best first.
    std::vector<RecipientMatch> Find(const std::string& typed, size_t limit);
    // The key of node's address in the pick counts.
    static std::string PickKey(const ADTDATA* node);
    // Whether a comes before b in the tree (books in order, each in pre-order).
    static bool TreeBefore(const ADTDATA* a, const ADTDATA* b);

    // Bytes the index holds (its tables and text).
    size_t MemoryBytes() const;
    size_t BuiltEntries() const { return m_Entries.size(); }

    // IStoreWatch.
    void NodeLinked(const ADTDATA* node) override;
    void NodeUnlinked(const ADTDATA* node) override;
    void NodeFreed(const ADTDATA* node) override;
    void NodeTextChanged(const ADTDATA* node) override;

private:
    // An address node of the last build: the offset of its folded name in m_Text, which the
    // folded address follows (each ends in NUL). The offsets grow with the index, the rank.
    struct Entry {
        const ADTDATA* node;
        uint32_t text;
    };
    struct Candidate;
    class TierEntries;
    static bool ComesFirst(const Candidate& a, const Candidate& b);

    CAddrBook& m_Store;
    const CPickCounts& m_Picks;
    bool m_bAttached = false;
    bool m_bStale = true;
    bool m_bPicksLoaded = false;
    uint64_t m_nPickGeneration = 0;
    std::string m_Text;
    std::vector<Entry> m_Entries;                  // in tree order: the index is the rank
    std::vector<uint32_t> m_ByNode;                // the entries by node address
    std::vector<bool> m_Gone;                      // the node changed or left since the build
    size_t m_nGone = 0;
    std::vector<bool> m_Picked;                    // the address was picked before
    std::vector<std::pair<uint32_t, uint32_t>> m_PickedOrder;  // entry and count, best first
    std::vector<uint32_t> m_Lists;                 // the entries of list nodes
    CPrefixKeys m_Names;                           // where names start
    CPrefixKeys m_Words;                           // where later words of names start
    CPrefixKeys m_Addrs;                           // where addresses and their domains start
    // The nodes changed since the build, with their folded name, NUL and folded address.
    std::unordered_map<const ADTDATA*, std::string> m_Loose;
    std::thread m_Sorter;                          // sorts a build's keys; touches them and m_Text only
    std::atomic<bool> m_bSorted{true};
    bool m_bSorting = false;

    void Build();
    // Takes the sorted keys once the sorter is done (or, with wait, once it will be).
    void AdoptSorted(bool wait);
    void AddEntry(const ADTDATA* node);
    void SortKeys();
    void LoadPicks();
    uint32_t EntryAt(uint32_t offset) const;
    const char* NameOf(uint32_t entry) const { return m_Text.c_str() + m_Entries[entry].text; }
    const char* AddressOf(uint32_t entry) const;
    Candidate Built(uint32_t entry, int tier, uint32_t picks) const;
    // Every entry that matches, while the keys are sorted: those picked before go to
    // picked, the others to byTier in rank order.
    void ScanAll(const std::string& folded, std::vector<Candidate>& picked, std::vector<uint32_t> (&byTier)[3]) const;
    void Forget(const ADTDATA* node);
    void Loosen(const ADTDATA* node);
};
