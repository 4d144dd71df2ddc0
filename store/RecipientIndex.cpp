#include "store/RecipientIndex.h"
#include <algorithm>
#include <cstring>
#include <queue>
#include <unordered_set>
#include "store/MatchFold.h"

namespace {

const uint8_t kNoTier = 0xFF;

bool IsCandidate(const ADTDATA* node)
{
    return node->cType == ADT_ADDR && node->psAddr && *node->psAddr;
}

bool IsList(const ADTDATA* node)
{
    return std::strchr(node->psAddr, ',') != nullptr;
}

bool StartsWith(const std::string& text, size_t at, const std::string& prefix)
{
    return text.compare(at, prefix.size(), prefix) == 0 && at + prefix.size() <= text.size();
}

// Where the words of a folded name after the first one start.
template <typename Visit>
void ForEachLaterWord(const char* name, size_t length, Visit visit)
{
    for (size_t i = 1; i < length; ++i) {
        if (name[i] != ' ' && name[i - 1] == ' ')
            visit(i);
    }
}

// The node and every node below it, in pre-order.
template <typename Visit>
void ForEachInSubtree(const ADTDATA* node, Visit visit)
{
    visit(node);
    ADTDATA* top = const_cast<ADTDATA*>(node);
    for (ADTDATA* below = top->pChild; below; below = NextPreOrder(below, top))
        visit(below);
}

// One candidate of a lookup, ordered as the list shows them.
struct Candidate {
    const ADTDATA* node;
    int tier;
    uint32_t picks;
    int64_t rank;  // place in the built index, -1 for a node changed since
    std::string dedup;
};

bool ComesFirst(const Candidate& a, const Candidate& b)
{
    if (a.tier != b.tier)
        return a.tier < b.tier;
    if (a.picks != b.picks)
        return a.picks > b.picks;
    if (a.rank >= 0 && b.rank >= 0)
        return a.rank < b.rank;
    return CRecipientIndex::TreeBefore(a.node, b.node);
}

}  // namespace

CRecipientIndex::CRecipientIndex(CAddrBook& store, const CPickCounts& picks) : m_Store(store), m_Picks(picks) {}

CRecipientIndex::~CRecipientIndex()
{
    AdoptSorted(true);
    if (m_bAttached && m_Store.m_pWatch == this)
        m_Store.m_pWatch = nullptr;
}

void CRecipientIndex::Attach()
{
    m_Store.m_pWatch = this;
    m_bAttached = true;
    Build();
}

void CRecipientIndex::Refresh()
{
    AdoptSorted(false);
    if (m_bStale)
        Build();
    else if (m_nPickGeneration != m_Picks.Generation())
        LoadPicks();
}

void CRecipientIndex::WaitBuilt()
{
    AdoptSorted(true);
}

void CRecipientIndex::AdoptSorted(bool wait)
{
    if (!m_bSorting || (!wait && !m_bSorted))
        return;
    if (m_Sorter.joinable())
        m_Sorter.join();
    m_bSorting = false;
}

void CRecipientIndex::Build()
{
    AdoptSorted(true);
    m_Text.clear();
    m_Entries.clear();
    m_NameKeys.clear();
    m_AddrKeys.clear();
    m_ByNode.clear();
    m_Loose.clear();
    size_t count = 0;
    size_t bytes = 0;
    for (ADTDATA* node = m_Store.m_Root.pChild; node; node = NextPreOrder(node, &m_Store.m_Root)) {
        if (IsCandidate(node)) {
            ++count;
            bytes += (node->psName ? std::strlen(node->psName) : 0) + std::strlen(node->psAddr) + 2;
        }
    }
    m_Text.reserve(bytes);
    m_Entries.reserve(count);
    m_ByNode.reserve(count);
    m_NameKeys.reserve(count * 2);
    m_AddrKeys.reserve(count * 2);
    for (ADTDATA* node = m_Store.m_Root.pChild; node; node = NextPreOrder(node, &m_Store.m_Root)) {
        if (IsCandidate(node))
            AddEntry(node);
    }
    m_NameKeys.shrink_to_fit();
    m_AddrKeys.shrink_to_fit();
    std::sort(m_ByNode.begin(), m_ByNode.end());
    m_Best.assign(m_Entries.size(), kNoTier);
    m_bStale = false;
    // The sort is most of a build's time: it runs beside the window, on the keys and the
    // folded text, which nothing else changes until it is adopted.
    m_bSorted = false;
    m_bSorting = true;
    LoadPicks();
    try {
        m_Sorter = std::thread([this] {
            SortKeys(m_NameKeys);
            SortKeys(m_AddrKeys);
            m_bSorted = true;
        });
    } catch (...) {
        SortKeys(m_NameKeys);
        SortKeys(m_AddrKeys);
        m_bSorted = true;
    }
}

void CRecipientIndex::AddEntry(const ADTDATA* node)
{
    uint32_t id = static_cast<uint32_t>(m_Entries.size());
    Entry entry;
    entry.node = node;
    entry.picks = 0;
    entry.alive = true;
    entry.name = static_cast<uint32_t>(m_Text.size());
    if (node->psName)
        AppendFolded(node->psName, std::strlen(node->psName), m_Text);
    size_t nameLength = m_Text.size() - entry.name;
    m_Text.push_back('\0');
    entry.addr = static_cast<uint32_t>(m_Text.size());
    AppendFolded(node->psAddr, std::strlen(node->psAddr), m_Text);
    size_t addrLength = m_Text.size() - entry.addr;
    m_Text.push_back('\0');
    m_Entries.push_back(entry);
    m_ByNode.emplace_back(node, id);

    if (nameLength) {
        m_NameKeys.push_back({id | kNameStart, entry.name});
        ForEachLaterWord(m_Text.data() + entry.name, nameLength,
                         [&](size_t at) { m_NameKeys.push_back({id, entry.name + static_cast<uint32_t>(at)}); });
    }
    if (IsList(node))
        return;  // a list is found by its name only
    m_AddrKeys.push_back({id, entry.addr});
    const char* addr = m_Text.data() + entry.addr;
    const void* at = nullptr;
    for (size_t i = addrLength; i > 0 && !at; --i) {
        if (addr[i - 1] == '@')
            at = addr + i - 1;
    }
    if (at) {
        uint32_t domain = static_cast<uint32_t>(static_cast<const char*>(at) - m_Text.data()) + 1;
        if (domain < entry.addr + addrLength)
            m_AddrKeys.push_back({id, domain});
    }
}

void CRecipientIndex::SortKeys(std::vector<Key>& keys)
{
    const char* text = m_Text.c_str();
    std::sort(keys.begin(), keys.end(), [text](const Key& a, const Key& b) {
        int order = std::strcmp(text + a.offset, text + b.offset);
        return order != 0 ? order < 0 : a.entry < b.entry;
    });
}

// The counts of the pick file onto the entries: addresses through their keys, lists one
// by one (they are few).
void CRecipientIndex::LoadPicks()
{
    m_nPickGeneration = m_Picks.Generation();
    for (Entry& entry : m_Entries)
        entry.picks = 0;
    const char* text = m_Text.c_str();
    if (m_Picks.All().empty())
        return;
    if (m_bSorting) {
        // The keys are not ready: every entry looks itself up.
        for (Entry& entry : m_Entries)
            entry.picks = static_cast<uint16_t>(std::min<uint32_t>(m_Picks.Count(text + entry.addr), 0xFFFF));
        return;
    }
    for (const auto& pick : m_Picks.All()) {
        if (pick.first.find(',') == std::string::npos) {
            size_t length = pick.first.size();
            Collect(m_AddrKeys, pick.first, [&](const Key& key) {
                Entry& entry = m_Entries[key.entry];
                if (key.offset == entry.addr && text[key.offset + length] == '\0')
                    entry.picks = static_cast<uint16_t>(std::min<uint32_t>(pick.second, 0xFFFF));
            });
        }
    }
    for (Entry& entry : m_Entries) {
        if (std::strchr(text + entry.addr, ','))
            entry.picks = static_cast<uint16_t>(std::min<uint32_t>(m_Picks.Count(text + entry.addr), 0xFFFF));
    }
}

template <typename Visit>
void CRecipientIndex::Collect(const std::vector<Key>& keys, const std::string& folded, Visit visit) const
{
    const char* text = m_Text.c_str();
    size_t length = folded.size();
    auto first = std::lower_bound(keys.begin(), keys.end(), folded, [&](const Key& key, const std::string& typed) {
        return std::strncmp(text + key.offset, typed.c_str(), length) < 0;
    });
    auto last = std::upper_bound(first, keys.end(), folded, [&](const std::string& typed, const Key& key) {
        return std::strncmp(typed.c_str(), text + key.offset, length) < 0;
    });
    for (auto key = first; key != last; ++key)
        visit(*key);
}

std::vector<RecipientMatch> CRecipientIndex::Find(const std::string& typed, size_t limit)
{
    std::vector<RecipientMatch> matches;
    std::string folded = Folded(typed);
    if (folded.empty() || limit == 0)
        return matches;
    Refresh();

    // The best tier of every entry that matches.
    const char* text = m_Text.c_str();
    std::vector<uint32_t> touched;
    auto note = [&](uint32_t id, uint8_t tier) {
        if (!m_Entries[id].alive)
            return;
        if (m_Best[id] == kNoTier)
            touched.push_back(id);
        m_Best[id] = std::min(m_Best[id], tier);
    };
    if (m_bSorting) {
        ScanAll(folded, note);
    } else {
        Collect(m_NameKeys, folded, [&](const Key& key) {
            bool exact = (key.entry & kNameStart) && text[key.offset + folded.size()] == '\0';
            note(key.entry & ~kNameStart, exact ? RecipientMatch::kExactName : RecipientMatch::kNamePrefix);
        });
        Collect(m_AddrKeys, folded, [&](const Key& key) { note(key.entry, RecipientMatch::kAddressPrefix); });
    }

    std::vector<Candidate> loose;
    for (const ADTDATA* node : m_Loose) {
        int tier = MatchTier(node, folded);
        if (tier >= 0) {
            std::string name = Folded(node->psName ? node->psName : "");
            loose.push_back({node, tier, m_Picks.Count(PickKey(node)), -1, name + '\0' + PickKey(node)});
        }
    }

    // The best few of the built entries by (tier, picks, rank), a few more than needed for
    // the duplicates; more when the duplicates ate them.
    auto order = [&](uint32_t id) {
        return (static_cast<uint64_t>(m_Best[id]) << 56) | (static_cast<uint64_t>(0xFFFF - m_Entries[id].picks) << 32) |
               id;
    };
    for (size_t wanted = limit * 2 + 8;; wanted *= 4) {
        std::priority_queue<uint64_t> best;
        for (uint32_t id : touched) {
            uint64_t key = order(id);
            if (best.size() < wanted) {
                best.push(key);
            } else if (key < best.top()) {
                best.pop();
                best.push(key);
            }
        }
        std::vector<Candidate> candidates = loose;
        for (; !best.empty(); best.pop()) {
            uint32_t id = static_cast<uint32_t>(best.top() & 0xFFFFFFFFu);
            const Entry& entry = m_Entries[id];
            candidates.push_back({entry.node, m_Best[id], entry.picks, id,
                                  std::string(text + entry.name) + '\0' + std::string(text + entry.addr)});
        }
        std::sort(candidates.begin(), candidates.end(), ComesFirst);
        // When only the best built entries were taken, a changed node that sorts after the
        // last of them might come after one left out: it waits for a longer round.
        bool cut = touched.size() > wanted;
        if (cut) {
            while (!candidates.empty() && candidates.back().rank < 0)
                candidates.pop_back();
        }
        matches.clear();
        std::unordered_set<std::string> seen;
        for (const Candidate& candidate : candidates) {
            if (matches.size() == limit)
                break;
            if (seen.insert(candidate.dedup).second)
                matches.push_back({candidate.node, candidate.tier});
        }
        if (matches.size() == limit || !cut)
            break;
    }
    for (uint32_t id : touched)
        m_Best[id] = kNoTier;
    return matches;
}

// Every entry's folded text read in turn, while the keys are being sorted.
void CRecipientIndex::ScanAll(const std::string& folded, const std::function<void(uint32_t, uint8_t)>& note) const
{
    const char* text = m_Text.c_str();
    size_t length = folded.size();
    for (uint32_t id = 0; id < m_Entries.size(); ++id) {
        const char* name = text + m_Entries[id].name;
        const char* addr = text + m_Entries[id].addr;
        if (*name && std::strcmp(name, folded.c_str()) == 0) {
            note(id, RecipientMatch::kExactName);
            continue;
        }
        bool word = *name && std::strncmp(name, folded.c_str(), length) == 0;
        ForEachLaterWord(name, std::strlen(name), [&](size_t at) {
            word = word || std::strncmp(name + at, folded.c_str(), length) == 0;
        });
        if (word) {
            note(id, RecipientMatch::kNamePrefix);
            continue;
        }
        if (std::strchr(addr, ','))
            continue;
        const char* at = std::strrchr(addr, '@');
        if (std::strncmp(addr, folded.c_str(), length) == 0 || (at && std::strncmp(at + 1, folded.c_str(), length) == 0))
            note(id, RecipientMatch::kAddressPrefix);
    }
}

int CRecipientIndex::MatchTier(const ADTDATA* node, const std::string& folded)
{
    if (!IsCandidate(node) || folded.empty())
        return -1;
    std::string name = Folded(node->psName ? node->psName : "");
    if (name == folded)
        return RecipientMatch::kExactName;
    bool word = StartsWith(name, 0, folded);
    ForEachLaterWord(name.c_str(), name.size(), [&](size_t at) { word = word || StartsWith(name, at, folded); });
    if (word)
        return RecipientMatch::kNamePrefix;
    if (IsList(node))
        return -1;
    std::string addr = Folded(node->psAddr);
    size_t at = addr.rfind('@');
    if (StartsWith(addr, 0, folded) || (at != std::string::npos && StartsWith(addr, at + 1, folded)))
        return RecipientMatch::kAddressPrefix;
    return -1;
}

std::string CRecipientIndex::PickKey(const ADTDATA* node)
{
    return node && node->psAddr ? Folded(node->psAddr) : std::string();
}

bool CRecipientIndex::TreeBefore(const ADTDATA* a, const ADTDATA* b)
{
    if (a == b)
        return false;
    std::vector<const ADTDATA*> pathA, pathB;
    for (const ADTDATA* node = a; node && node->pParent; node = node->pParent)
        pathA.push_back(node);
    for (const ADTDATA* node = b; node && node->pParent; node = node->pParent)
        pathB.push_back(node);
    auto ia = pathA.rbegin();
    auto ib = pathB.rbegin();
    while (ia != pathA.rend() && ib != pathB.rend() && *ia == *ib) {
        ++ia;
        ++ib;
    }
    if (ia == pathA.rend())
        return true;  // a holds b
    if (ib == pathB.rend())
        return false;
    const ADTDATA* x = *ia;
    const ADTDATA* y = *ib;
    if (x->nOrder != y->nOrder)
        return x->nOrder < y->nOrder;
    for (const ADTDATA* next = x->pNext; next; next = next->pNext) {
        if (next == y)
            return true;
    }
    return false;
}

size_t CRecipientIndex::MemoryBytes() const
{
    return m_Text.capacity() + m_Entries.capacity() * sizeof(Entry) +
           (m_NameKeys.capacity() + m_AddrKeys.capacity()) * sizeof(Key) +
           m_ByNode.capacity() * sizeof(m_ByNode[0]) + m_Best.capacity() +
           m_Loose.size() * (sizeof(void*) * 3) + m_Loose.bucket_count() * sizeof(void*);
}

void CRecipientIndex::Forget(const ADTDATA* node)
{
    auto found = std::lower_bound(m_ByNode.begin(), m_ByNode.end(), std::make_pair(node, uint32_t{0}));
    if (found != m_ByNode.end() && found->first == node)
        m_Entries[found->second].alive = false;
    m_Loose.erase(node);
}

void CRecipientIndex::Loosen(const ADTDATA* node)
{
    if (node->cType != ADT_ADDR)
        return;
    Forget(node);
    m_Loose.insert(node);
    if (m_Loose.size() > kMaxLooseNodes) {
        m_bStale = true;
        m_Loose.clear();
    }
}

void CRecipientIndex::NodeLinked(const ADTDATA* node)
{
    if (!m_bStale)
        ForEachInSubtree(node, [this](const ADTDATA* below) {
            if (!m_bStale)
                Loosen(below);
        });
}

void CRecipientIndex::NodeUnlinked(const ADTDATA* node)
{
    if (!m_bStale)
        ForEachInSubtree(node, [this](const ADTDATA* below) { Forget(below); });
}

void CRecipientIndex::NodeFreed(const ADTDATA* node)
{
    if (!m_bStale)
        Forget(node);
}

void CRecipientIndex::NodeTextChanged(const ADTDATA* node)
{
    if (!m_bStale)
        Loosen(node);
}
