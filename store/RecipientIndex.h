// CRecipientIndex: the address nodes of every book, indexed for the completion of the
// manual entry. A typed text matches a node whose name, a word of its name (words are
// parted by half-width and full-width blanks), its whole address or its domain starts with
// it, compared in folded form (MatchFold.h); a list node (several addresses) matches by its
// name only. Matches come exact names first, then name and word prefixes, then address
// prefixes; within each, the addresses picked more often first, then in tree order; a
// name and address that several books hold come once.
//
// The index is built from the whole store (sorted keys over one block of folded text): the
// text is folded on the caller's thread, the keys are sorted on a thread of the index's
// own, and until they are a lookup reads the folded text from end to end. It then follows
// the store's edits as the store's watch: a node that is added, moved or renamed leaves its
// built entry and is matched directly until the next build, which happens when such nodes
// grow many. Used by the address book window.
#pragma once
#include <atomic>
#include <functional>
#include <cstdint>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>
#include "store/AddrBook.h"
#include "store/PickCounts.h"
#include "store/StoreWatch.h"

struct RecipientMatch {
    enum Tier { kExactName = 0, kNamePrefix = 1, kAddressPrefix = 2 };
    const ADTDATA* node = nullptr;
    int tier = kAddressPrefix;
};

class CRecipientIndex : public IStoreWatch {
public:
    // Nodes followed one by one before the next lookup builds the index again.
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
    // The tier at which node matches the folded text, or -1.
    static int MatchTier(const ADTDATA* node, const std::string& folded);
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
    struct Entry {
        const ADTDATA* node;
        uint32_t name;     // offsets of the folded name and address in m_Text
        uint32_t addr;
        uint16_t picks;
        bool alive;        // false once the node changed or left
    };
    // A place in m_Text where a name, a word, an address or a domain starts.
    struct Key {
        uint32_t entry;    // with kNameStart set for the start of a name
        uint32_t offset;
    };
    static const uint32_t kNameStart = 0x80000000u;

    CAddrBook& m_Store;
    const CPickCounts& m_Picks;
    bool m_bAttached = false;
    bool m_bStale = true;
    uint64_t m_nPickGeneration = 0;
    std::string m_Text;
    std::vector<Entry> m_Entries;              // in tree order: the index is the rank
    std::vector<Key> m_NameKeys;
    std::vector<Key> m_AddrKeys;
    std::vector<std::pair<const ADTDATA*, uint32_t>> m_ByNode;
    std::unordered_set<const ADTDATA*> m_Loose;  // nodes changed since the build
    std::vector<uint8_t> m_Best;                // a lookup's best tier per entry (0xFF none)
    std::thread m_Sorter;                       // sorts a build's keys; touches them and m_Text only
    std::atomic<bool> m_bSorted{true};
    bool m_bSorting = false;

    void Build();
    // Takes the sorted keys once the sorter is done (or, with wait, once it will be).
    void AdoptSorted(bool wait);
    void ScanAll(const std::string& folded, const std::function<void(uint32_t, uint8_t)>& note) const;
    void AddEntry(const ADTDATA* node);
    void SortKeys(std::vector<Key>& keys);
    void LoadPicks();
    void Forget(const ADTDATA* node);
    void Loosen(const ADTDATA* node);
    template <typename Visit>
    void Collect(const std::vector<Key>& keys, const std::string& folded, Visit visit) const;
};
