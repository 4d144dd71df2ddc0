#include "merge/BookBase.h"
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>
#include "merge/BookEntries.h"
#include "merge/EntryMatch.h"

namespace {

// Ids are handed out in ranges, one per captured base, from one counter for the process,
// so an id never names an entry of another book's base or of an older base of the same
// book. 0 is no id.
uint32_t g_nNextBaseId = 1;

uint32_t TakeIdRange(uint32_t count)
{
    if (g_nNextBaseId > UINT32_MAX - count - 1)
        g_nNextBaseId = 1;  // after four billion entries: the oldest ranges are long re-stamped
    uint32_t first = g_nNextBaseId;
    g_nNextBaseId += count + 1;
    return first;
}

// The entries and nodes have the same shape: the same kinds, each under the same parent.
bool SameShape(const CBookEntries& a, const CBookEntries& b)
{
    if (a.Size() != b.Size())
        return false;
    for (size_t i = 0; i < a.entries.size(); ++i) {
        if (a.entries[i].kind != b.entries[i].kind || a.entries[i].parent != b.entries[i].parent)
            return false;
    }
    return true;
}

// The line ends in bytes, eight bytes at a time.
uint32_t CountLineEnds(const std::string& bytes)
{
    const uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const char* at = bytes.data();
    size_t left = bytes.size();
    uint64_t count = 0;
    while (left >= 8) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        uint64_t x = word ^ (kOnes * '\n');           // a zero byte where a line end stands
        uint64_t t = ((x & kLow7) + kLow7) | x;        // the top bit clear only in zero bytes
        count += (((~t >> 7) & kOnes) * kOnes) >> 56;  // their number
        at += 8;
        left -= 8;
    }
    for (; left; --left)
        count += *at++ == '\n';
    return static_cast<uint32_t>(count);
}

}  // namespace

uint64_t HashBookBytes(std::string_view bytes)
{
    return HashBytes(bytes.data(), bytes.size());
}

CBookBase::CBookBase(CBookBase&& other) noexcept
{
    *this = std::move(other);
}

CBookBase& CBookBase::operator=(CBookBase&& other) noexcept
{
    if (this == &other)
        return *this;
    m_strBytes = std::move(other.m_strBytes);
    m_nHash = other.m_nHash;
    m_bHashed = other.m_bHashed;
    m_nFirstId = other.m_nFirstId;
    m_nIdCount = other.m_nIdCount;
    m_bSet = other.m_bSet;
    other.Clear();
    return *this;
}

void CBookBase::Capture(std::string bytes)
{
    m_strBytes = std::move(bytes);
    m_bHashed = false;
    // Every entry is a line of its own: the lines bound the entries without reading them.
    m_nIdCount = CountLineEnds(m_strBytes) + 1;
    m_nFirstId = TakeIdRange(m_nIdCount);
    m_bSet = true;
}

size_t CBookBase::MemoryUse() const
{
    return m_strBytes.capacity();
}

void CBookBase::Clear()
{
    m_strBytes.clear();
    m_strBytes.shrink_to_fit();
    m_bHashed = false;
    m_nFirstId = 0;
    m_nIdCount = 0;
    m_bSet = false;
}

uint64_t CBookBase::Hash() const
{
    if (!m_bHashed) {
        m_nHash = HashBookBytes(m_strBytes);
        m_bHashed = true;
    }
    return m_nHash;
}

bool CBookBase::Holds(std::string_view bytes) const
{
    return m_bSet && bytes == m_strBytes;
}

int CBookBase::EntryOf(uint32_t id) const
{
    if (!m_bSet || id < m_nFirstId || id - m_nFirstId >= m_nIdCount)
        return -1;
    return static_cast<int>(id - m_nFirstId);
}

void CBookBase::Load(CAddrBook& store, ADTDATA* book) const
{
    CBookEntries entries = Entries();
    IAddrView* view = store.m_pTree;
    store.m_pTree = nullptr;  // shown once all is in, as ReadList does
    std::vector<ADTDATA*> nodes(entries.entries.size());
    ADTDATA* lastBefore = book->pLastChild;
    for (size_t i = 0; i < entries.entries.size(); ++i) {
        const BookEntry& entry = entries.entries[i];
        // A folder that could not be made takes its contents to its parent, as in ReadList.
        ADTDATA* parent = entry.parent < 0 ? book : nodes[static_cast<size_t>(entry.parent)];
        ADTDATA* node = store.AddData(entry.kind, std::string(entry.name).c_str(), std::string(entry.addr).c_str(),
                                      parent, PLACE_CHILD);
        if (node)
            node->nBaseId = IdOf(static_cast<int>(i));
        nodes[i] = node ? node : parent;
    }
    store.m_pTree = view;
    ADTDATA* firstRead = lastBefore ? lastBefore->pNext : book->pChild;
    if (firstRead)
        store.DispList(firstRead);
}

void CBookBase::Stamp(ADTDATA* book) const
{
    std::vector<ADTDATA*> nodes;
    CBookEntries live = CBookEntries::FromBook(book, &nodes);
    CBookEntries base = Entries();
    if (SameShape(base, live)) {
        for (size_t i = 0; i < nodes.size(); ++i)
            nodes[i]->nBaseId = IdOf(static_cast<int>(i));
        return;
    }
    base.Link();
    std::vector<int> liveToBase = MatchEntries(base, live);
    for (size_t i = 0; i < nodes.size(); ++i)
        nodes[i]->nBaseId = liveToBase[i] < 0 ? 0 : IdOf(liveToBase[i]);
}
