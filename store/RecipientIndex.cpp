#include "store/RecipientIndex.h"
#include <algorithm>
#include <cstring>
#include <numeric>
#include "store/MatchFold.h"

namespace {

bool IsCandidate(const ADTDATA* node)
{
    return node->cType == ADT_ADDR && node->psAddr && *node->psAddr;
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

// The tier at which a folded name matches the folded typed text, or -1.
int NameTier(const char* name, const std::string& folded)
{
    if (!*name)
        return -1;
    if (std::strcmp(name, folded.c_str()) == 0)
        return RecipientMatch::kExactName;
    size_t length = folded.size();
    if (std::strncmp(name, folded.c_str(), length) == 0)
        return RecipientMatch::kNamePrefix;
    for (const char* at = name + 1; *at; ++at) {
        if (*at != ' ' && at[-1] == ' ' && std::strncmp(at, folded.c_str(), length) == 0)
            return RecipientMatch::kNamePrefix;
    }
    return -1;
}

// The tier at which a folded name and address match, or -1; a list (addresses parted by
// ",") matches by its name only.
int TextTier(const char* name, const char* addr, const std::string& folded)
{
    int tier = NameTier(name, folded);
    if (tier >= 0 || std::strchr(addr, ','))
        return tier;
    const char* at = std::strrchr(addr, '@');
    size_t length = folded.size();
    if (std::strncmp(addr, folded.c_str(), length) == 0 || (at && std::strncmp(at + 1, folded.c_str(), length) == 0))
        return RecipientMatch::kAddressPrefix;
    return -1;
}

}  // namespace

// One match of a lookup, ordered as the list shows them.
struct CRecipientIndex::Candidate {
    const ADTDATA* node;
    int tier;
    uint32_t picks;
    int64_t rank;      // place in the built index, -1 for a node changed since
    const char* text;  // folded name, NUL, folded address: one person in several books
    size_t length;
};

bool CRecipientIndex::ComesFirst(const Candidate& a, const Candidate& b)
{
    if (a.tier != b.tier)
        return a.tier < b.tier;
    if (a.picks != b.picks)
        return a.picks > b.picks;
    if (a.rank >= 0 && b.rank >= 0)
        return a.rank < b.rank;
    return TreeBefore(a.node, b.node);
}

// The built entries of one tier that were not picked before, in rank order: read from the
// key ranges the typed text starts (two for the name tier: names and later words), or
// from the lists of a scan while the keys are sorted.
class CRecipientIndex::TierEntries {
public:
    TierEntries(const CRecipientIndex& index, int tier, const std::string& folded) : m_Index(index)
    {
        const char* text = index.m_Text.c_str();
        if (tier == RecipientMatch::kAddressPrefix) {
            std::pair<size_t, size_t> range = index.m_Addrs.Range(text, folded);
            m_First = CPrefixKeys::Ascending(index.m_Addrs, range.first, range.second);
            m_pFolded = &folded;
            return;
        }
        // The names that are the typed text come first in its range ("\0" sorts first).
        std::pair<size_t, size_t> range = index.m_Names.Range(text, folded);
        size_t low = range.first, high = range.second;
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            if (text[index.m_Names.At(middle) + folded.size()] == '\0')
                low = middle + 1;
            else
                high = middle;
        }
        if (tier == RecipientMatch::kExactName) {
            m_First = CPrefixKeys::Ascending(index.m_Names, range.first, low);
        } else {
            m_First = CPrefixKeys::Ascending(index.m_Names, low, range.second);
            range = index.m_Words.Range(text, folded);
            m_Second = CPrefixKeys::Ascending(index.m_Words, range.first, range.second);
        }
    }

    TierEntries(const CRecipientIndex& index, const std::vector<uint32_t>& scanned)
        : m_Index(index), m_pScanned(&scanned)
    {
    }

    bool Next(uint32_t& entry)
    {
        if (m_pScanned) {
            if (m_nAt == m_pScanned->size())
                return false;
            entry = (*m_pScanned)[m_nAt++];
            return true;
        }
        if (!m_bStarted) {
            m_bFirst = m_First.Next(m_nFirst);
            m_bSecond = m_Second.Next(m_nSecond);
            m_bStarted = true;
        }
        while (m_bFirst || m_bSecond) {
            uint32_t offset;
            if (m_bFirst && (!m_bSecond || m_nFirst < m_nSecond)) {
                offset = m_nFirst;
                m_bFirst = m_First.Next(m_nFirst);
            } else {
                offset = m_nSecond;
                m_bSecond = m_Second.Next(m_nSecond);
            }
            // An entry's places lie together (its text does), so one matched at several
            // places comes in a row.
            uint32_t at = m_Index.EntryAt(offset);
            if (m_bAny && at == m_nLast)
                continue;
            m_bAny = true;
            m_nLast = at;
            if (m_Index.m_Gone[at] || m_Index.m_Picked[at])
                continue;
            // An address whose name matches came in a tier before. (A later word never
            // makes an exact name: it is shorter than the name.)
            if (m_pFolded && NameTier(m_Index.NameOf(at), *m_pFolded) >= 0)
                continue;
            entry = at;
            return true;
        }
        return false;
    }

private:
    const CRecipientIndex& m_Index;
    const std::string* m_pFolded = nullptr;  // the address tier: names that match are skipped
    CPrefixKeys::Ascending m_First, m_Second;
    uint32_t m_nFirst = 0, m_nSecond = 0;
    bool m_bFirst = false, m_bSecond = false, m_bStarted = false;
    bool m_bAny = false;
    uint32_t m_nLast = 0;
    const std::vector<uint32_t>* m_pScanned = nullptr;
    size_t m_nAt = 0;
};

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
    else if (!m_bSorting && (!m_bPicksLoaded || m_nPickGeneration != m_Picks.Generation()))
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
    m_Names.Clear();
    m_Words.Clear();
    m_Addrs.Clear();
    m_Lists.clear();
    m_Loose.clear();
    m_PickedOrder.clear();
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
    m_Names.Reserve(count);
    m_Words.Reserve(count * 2);
    m_Addrs.Reserve(count * 2);
    for (ADTDATA* node = m_Store.m_Root.pChild; node; node = NextPreOrder(node, &m_Store.m_Root)) {
        if (IsCandidate(node))
            AddEntry(node);
    }
    m_Names.Seal();
    m_Words.Seal();
    m_Addrs.Seal();
    m_ByNode.resize(m_Entries.size());
    std::iota(m_ByNode.begin(), m_ByNode.end(), 0u);
    std::sort(m_ByNode.begin(), m_ByNode.end(),
              [this](uint32_t a, uint32_t b) { return m_Entries[a].node < m_Entries[b].node; });
    m_Gone.assign(m_Entries.size(), false);
    m_nGone = 0;
    m_Picked.assign(m_Entries.size(), false);
    m_bPicksLoaded = false;
    m_bStale = false;
    // The sort is most of a build's time: it runs beside the window, on the keys and the
    // folded text, which nothing else changes until it is adopted.
    m_bSorted = false;
    m_bSorting = true;
    try {
        m_Sorter = std::thread([this] { SortKeys(); });
    } catch (...) {
        SortKeys();
    }
}

void CRecipientIndex::SortKeys()
{
    const char* text = m_Text.c_str();
    m_Names.Sort(text);
    m_Words.Sort(text);
    m_Addrs.Sort(text);
    m_bSorted = true;
}

void CRecipientIndex::AddEntry(const ADTDATA* node)
{
    uint32_t id = static_cast<uint32_t>(m_Entries.size());
    uint32_t name = static_cast<uint32_t>(m_Text.size());
    m_Entries.push_back({node, name});
    if (node->psName)
        AppendFolded(node->psName, std::strlen(node->psName), m_Text);
    size_t nameLength = m_Text.size() - name;
    m_Text.push_back('\0');
    uint32_t addr = static_cast<uint32_t>(m_Text.size());
    AppendFolded(node->psAddr, std::strlen(node->psAddr), m_Text);
    size_t addrLength = m_Text.size() - addr;
    m_Text.push_back('\0');

    if (nameLength) {
        m_Names.Add(name);
        ForEachLaterWord(m_Text.data() + name, nameLength,
                         [&](size_t at) { m_Words.Add(name + static_cast<uint32_t>(at)); });
    }
    if (std::memchr(m_Text.data() + addr, ',', addrLength)) {
        m_Lists.push_back(id);
        return;  // a list is found by its name only
    }
    m_Addrs.Add(addr);
    const char* text = m_Text.data() + addr;
    for (size_t i = addrLength; i > 0; --i) {
        if (text[i - 1] == '@') {
            if (i < addrLength)
                m_Addrs.Add(addr + static_cast<uint32_t>(i));
            break;
        }
    }
}

// The counts of the pick file onto the entries, the picked ones in their order: addresses
// through their keys, lists one by one (they are few).
void CRecipientIndex::LoadPicks()
{
    m_nPickGeneration = m_Picks.Generation();
    m_bPicksLoaded = true;
    for (const auto& picked : m_PickedOrder)
        m_Picked[picked.first] = false;
    m_PickedOrder.clear();
    const char* text = m_Text.c_str();
    for (const auto& pick : m_Picks.All()) {
        if (pick.second == 0 || pick.first.find(',') != std::string::npos)
            continue;
        std::pair<size_t, size_t> range = m_Addrs.Range(text, pick.first);
        for (size_t i = range.first; i < range.second; ++i) {
            uint32_t offset = m_Addrs.At(i);
            if (text[offset - 1] == '\0' && text[offset + pick.first.size()] == '\0')
                m_PickedOrder.push_back({EntryAt(offset), pick.second});
        }
    }
    for (uint32_t list : m_Lists) {
        uint32_t count = m_Picks.Count(AddressOf(list));
        if (count)
            m_PickedOrder.push_back({list, count});
    }
    std::sort(m_PickedOrder.begin(), m_PickedOrder.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    for (const auto& picked : m_PickedOrder)
        m_Picked[picked.first] = true;
}

uint32_t CRecipientIndex::EntryAt(uint32_t offset) const
{
    auto after = std::upper_bound(m_Entries.begin(), m_Entries.end(), offset,
                                  [](uint32_t at, const Entry& entry) { return at < entry.text; });
    return static_cast<uint32_t>(after - m_Entries.begin()) - 1;
}

const char* CRecipientIndex::AddressOf(uint32_t entry) const
{
    const char* name = NameOf(entry);
    return name + std::strlen(name) + 1;
}

CRecipientIndex::Candidate CRecipientIndex::Built(uint32_t entry, int tier, uint32_t picks) const
{
    const char* text = NameOf(entry);
    const char* addr = AddressOf(entry);
    return {m_Entries[entry].node, tier, picks, entry, text, static_cast<size_t>(addr - text) + std::strlen(addr)};
}

std::vector<RecipientMatch> CRecipientIndex::Find(const std::string& typed, size_t limit)
{
    std::vector<RecipientMatch> matches;
    std::string folded = Folded(typed);
    if (folded.empty() || limit == 0)
        return matches;
    Refresh();

    // The matches that come before the others of their tier, or among them out of rank
    // order: the addresses picked before and the nodes changed since the build.
    std::vector<Candidate> firsts;
    std::vector<uint32_t> scanned[3];
    bool scan = m_bSorting;
    if (scan) {
        ScanAll(folded, firsts, scanned);
    } else {
        for (const auto& picked : m_PickedOrder) {
            int tier = m_Gone[picked.first] ? -1 : TextTier(NameOf(picked.first), AddressOf(picked.first), folded);
            if (tier >= 0)
                firsts.push_back(Built(picked.first, tier, picked.second));
        }
    }
    for (const auto& loose : m_Loose) {
        const char* name = loose.second.c_str();
        const char* addr = name + std::strlen(name) + 1;
        int tier = TextTier(name, addr, folded);
        if (tier >= 0)
            firsts.push_back({loose.first, tier, m_Picks.Count(addr), -1, name, loose.second.size()});
    }
    std::sort(firsts.begin(), firsts.end(), ComesFirst);

    // Each tier's entries merged with those first ones, until the list is full; a name and
    // address shown already is left out.
    std::vector<Candidate> taken;
    taken.reserve(limit);
    auto offer = [&](const Candidate& candidate) {
        for (const Candidate& before : taken) {
            if (before.length == candidate.length && std::memcmp(before.text, candidate.text, candidate.length) == 0)
                return;
        }
        taken.push_back(candidate);
        matches.push_back({candidate.node, candidate.tier});
    };
    size_t next = 0;
    for (int tier = 0; tier < 3 && matches.size() < limit; ++tier) {
        TierEntries entries = scan ? TierEntries(*this, scanned[tier]) : TierEntries(*this, tier, folded);
        uint32_t entry = 0;
        bool more = entries.Next(entry);
        while (matches.size() < limit) {
            bool first = next < firsts.size() && firsts[next].tier == tier;
            if (first && (!more || ComesFirst(firsts[next], Built(entry, tier, 0)))) {
                offer(firsts[next++]);
            } else if (more) {
                offer(Built(entry, tier, 0));
                more = entries.Next(entry);
            } else {
                break;
            }
        }
    }
    return matches;
}

// Every entry's folded text read in turn, while the keys are being sorted.
void CRecipientIndex::ScanAll(const std::string& folded, std::vector<Candidate>& picked,
                              std::vector<uint32_t> (&byTier)[3]) const
{
    bool picks = !m_Picks.All().empty();
    for (uint32_t id = 0; id < m_Entries.size(); ++id) {
        if (m_Gone[id])
            continue;
        const char* addr = AddressOf(id);
        int tier = TextTier(NameOf(id), addr, folded);
        if (tier < 0)
            continue;
        uint32_t count = picks ? m_Picks.Count(addr) : 0;
        if (count)
            picked.push_back(Built(id, tier, count));
        else
            byTier[tier].push_back(id);
    }
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
    size_t loose = m_Loose.bucket_count() * sizeof(void*);
    for (const auto& node : m_Loose)
        loose += sizeof(void*) * 2 + sizeof(node) + node.second.capacity();
    return m_Text.capacity() + m_Entries.capacity() * sizeof(Entry) + m_ByNode.capacity() * sizeof(uint32_t) +
           (m_Gone.capacity() + m_Picked.capacity()) / 8 + m_PickedOrder.capacity() * sizeof(m_PickedOrder[0]) +
           m_Lists.capacity() * sizeof(uint32_t) + m_Names.MemoryBytes() + m_Words.MemoryBytes() +
           m_Addrs.MemoryBytes() + loose;
}

void CRecipientIndex::Forget(const ADTDATA* node)
{
    auto found = std::lower_bound(m_ByNode.begin(), m_ByNode.end(), node,
                                  [this](uint32_t entry, const ADTDATA* key) { return m_Entries[entry].node < key; });
    if (found != m_ByNode.end() && m_Entries[*found].node == node && !m_Gone[*found]) {
        m_Gone[*found] = true;
        if (++m_nGone > kMaxLooseNodes)
            m_bStale = true;
    }
    m_Loose.erase(node);
}

void CRecipientIndex::Loosen(const ADTDATA* node)
{
    if (node->cType != ADT_ADDR)
        return;
    Forget(node);
    if (!IsCandidate(node))
        return;
    std::string& text = m_Loose[node];
    text.clear();
    if (node->psName)
        AppendFolded(node->psName, std::strlen(node->psName), text);
    text.push_back('\0');
    AppendFolded(node->psAddr, std::strlen(node->psAddr), text);
    if (m_Loose.size() > kMaxLooseNodes)
        m_bStale = true;
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
