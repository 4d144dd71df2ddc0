#include "merge/StableRuns.h"
#include <algorithm>
#include <cstring>
#include "store/BookWalk.h"

namespace {

// text (a node's string, none for empty) holds exactly the bytes of view. (A node's string
// holds no zero byte, so a view with one never matches.)
bool SameText(const char* text, std::string_view view)
{
    if (!text)
        return view.empty();
#ifdef _WIN32
    // One pass inline: the C runtime's strnlen and memcmp walk byte by byte there anyway.
    for (size_t k = 0; k < view.size(); ++k) {
        if (text[k] == '\0' || text[k] != view[k])
            return false;
    }
    return text[view.size()] == '\0';
#else
    return strnlen(text, view.size() + 1) == view.size() && std::memcmp(text, view.data(), view.size()) == 0;
#endif
}

const size_t kLookAhead = 8;

// Whether entry x lies inside folder f (-1: the top level holds everything) of a version
// in file order, where parentOf(x) names its parent (-1 for the top level) and every
// parent stands before its children.
template <class ParentOf>
bool Within(int x, int f, ParentOf parentOf)
{
    if (f < 0)
        return true;
    int p = parentOf(x);
    while (p > f)
        p = parentOf(p);
    return p == f;
}

// Pairs the entries of a version ("other") with the base's as a comparison of two versions
// of a text pairs their lines: along runs where aligned(b, v) holds, resuming a few entries
// on where they part. pair(b, v) is called for each pair, in order. Where no pair is near,
// entries that one version holds at the end of a folder that the other has already left
// (additions or deletions there, or entries moved in or out) are passed on that side only,
// so that the next folder still pairs. The version is described by otherParent (its
// entries' parents, -1 at the top) and otherBase (the base entry an entry was paired with,
// -1 for none); the base by baseParent and baseOther (the reverse). mayAlign(b, v) is a
// quick test that aligned(b, v) needs (equal keys): where the versions part, most pairs the
// look-ahead tries differ, and their keys tell at once.
template <class MayAlign, class Aligned, class Pair, class OtherParent, class OtherBase, class BaseParent,
          class BaseOther>
void WalkAligned(int baseSize, int size, MayAlign mayAlign, Aligned aligned, Pair pair, OtherParent otherParent,
                 OtherBase otherBase, BaseParent baseParent, BaseOther baseOther)
{
    int b = 0;
    int v = 0;
    while (b < baseSize && v < size) {
        if (aligned(b, v)) {
            pair(b++, v++);
            continue;
        }
        int skipBase = 0;
        int skipOther = 0;
        for (int d = 1; d <= static_cast<int>(kLookAhead) && !skipBase && !skipOther; ++d) {
            if (b + d < baseSize && mayAlign(b + d, v) && aligned(b + d, v))
                skipBase = d;
            else if (v + d < size && mayAlign(b, v + d) && aligned(b, v + d))
                skipOther = d;
        }
        if (!skipBase && !skipOther) {
            int up = otherParent(v);
            int folder = up < 0 ? -1 : otherBase(up);  // the base folder that v stands in
            int baseUp = baseParent(b);
            int otherFolder = baseUp < 0 ? -1 : baseOther(baseUp);  // the folder of the other that b stands in
            if ((up < 0 || folder >= 0) && !Within(b, folder, baseParent))
                skipOther = 1;
            else if ((baseUp < 0 || otherFolder >= 0) && !Within(v, otherFolder, otherParent))
                skipBase = 1;
        }
        b += skipBase ? skipBase : skipOther ? 0 : 1;
        v += skipOther ? skipOther : skipBase ? 0 : 1;
    }
}

}  // namespace

CStableRuns::CStableRuns(const CBookBase& baseIds, const CBookBase& theirsIds, ADTDATA* book)
    : m_Base(baseIds.Entries()), m_Theirs(theirsIds.Entries())
{
    AlignTheirs();
    TakeOurs(book, theirsIds);
    std::vector<int> baseIndex;
    if (FindRuns()) {
        BuildBase(baseIndex);
        BuildTheirs(baseIndex);
    } else {
        TakeWhole(baseIndex);
    }
    BuildOurs(baseIndex);
}

// Without runs, the base and theirs are the whole versions as they were read.
void CStableRuns::TakeWhole(std::vector<int>& baseIndex)
{
    baseIndex.resize(m_Base.entries.size());
    for (size_t b = 0; b < baseIndex.size(); ++b)
        baseIndex[b] = static_cast<int>(b);
    theirsFirst.resize(m_Theirs.entries.size());
    for (size_t t = 0; t < theirsFirst.size(); ++t)
        theirsFirst[t] = static_cast<int>(t);
    runPairs.assign(m_Theirs.entries.size(), -1);
    base = std::move(m_Base);
    base.Link();
    theirs = std::move(m_Theirs);
    theirs.Link();
}

// The book's nodes in pre-order, each known as the base entry it stands for by the rule
// theirs is known by (AlignTheirs), not by its id: the merge then reads both sides alike
// and is the same whichever side is in memory. A node whose entry theirs has in its place
// takes that entry's id in theirs already.
void CStableRuns::TakeOurs(ADTDATA* book, const CBookBase& theirsIds)
{
    m_Ours.reserve(m_Base.entries.size() + m_Base.entries.size() / 8);
    m_OursOf.assign(m_Base.entries.size(), -1);
    ForEachBelow(book, [&](ADTDATA* node, int parent) { m_Ours.push_back({node, parent, -1, false}); });
    auto aligned = [this](int b, int o) {
        const BookEntry& base = m_Base.entries[static_cast<size_t>(b)];
        const OursNode& ours = m_Ours[static_cast<size_t>(o)];
        // A node whose key an earlier look-ahead worked out is told apart by it.
        uint64_t key = m_OursKeys.empty() ? 0 : m_OursKeys[static_cast<size_t>(o)];
        if (key && key != m_Base.PreparedKey(b))
            return false;
        if (base.kind != ours.node->cType || !SameText(ours.node->psName, base.name) ||
            !SameText(ours.node->psAddr, base.addr))
            return false;
        if (base.parent < 0 || ours.parent < 0)
            return base.parent == ours.parent;
        return m_OursOf[static_cast<size_t>(base.parent)] == ours.parent;
    };
    auto pair = [&](int b, int o) {
        OursNode& ours = m_Ours[static_cast<size_t>(o)];
        m_OursOf[static_cast<size_t>(b)] = o;
        ours.base = b;
        ours.unchanged = true;
        if (m_TheirsOf[static_cast<size_t>(b)] >= 0)
            ours.node->nBaseId = theirsIds.IdOf(m_TheirsOf[static_cast<size_t>(b)]);
    };
    // Where the versions part, the look-ahead tries many pairs: their keys tell most apart.
    m_OursKeys.clear();
    auto mayAlign = [this](int b, int o) { return m_Base.PreparedKey(b) == KeyOfOurs(o); };
    WalkAligned(m_Base.Size(), static_cast<int>(m_Ours.size()), mayAlign, aligned, pair,
                [this](int o) { return m_Ours[static_cast<size_t>(o)].parent; },
                [this](int o) { return m_Ours[static_cast<size_t>(o)].base; }, [this](int b) { return BaseParent(b); },
                [this](int b) { return m_OursOf[static_cast<size_t>(b)]; });
}

uint64_t CStableRuns::KeyOfOurs(int o)
{
    if (m_OursKeys.empty())
        m_OursKeys.assign(m_Ours.size(), 0);
    uint64_t& key = m_OursKeys[static_cast<size_t>(o)];
    if (!key) {
        const ADTDATA* node = m_Ours[static_cast<size_t>(o)].node;
        key = EntryKey({0, node->cType, node->psName ? node->psName : "", node->psAddr ? node->psAddr : ""}) | 1;
    }
    return key;
}

// Entries of theirs that stand where the base has the same entry, found as a comparison of
// two versions of a text pairs their lines: along runs that agree, resuming a few entries
// on where they part.
void CStableRuns::AlignTheirs()
{
    m_TheirsOf.assign(m_Base.entries.size(), -1);
    m_BaseOfTheirs.assign(m_Theirs.entries.size(), -1);
    m_Base.PrepareKeys();
    m_Theirs.PrepareKeys();
    WalkAligned(
        m_Base.Size(), m_Theirs.Size(),
        [this](int b, int t) { return m_Base.PreparedKey(b) == m_Theirs.PreparedKey(t); },
        [this](int b, int t) { return Aligned(b, t); },
        [this](int b, int t) {
            m_TheirsOf[static_cast<size_t>(b)] = t;
            m_BaseOfTheirs[static_cast<size_t>(t)] = b;
        },
        [this](int t) { return m_Theirs.entries[static_cast<size_t>(t)].parent; },
        [this](int t) { return m_BaseOfTheirs[static_cast<size_t>(t)]; }, [this](int b) { return BaseParent(b); },
        [this](int b) { return m_TheirsOf[static_cast<size_t>(b)]; });
}

// The same entry under parents that are aligned themselves (or both at the top).
bool CStableRuns::Aligned(int b, int t) const
{
    const BookEntry& base = m_Base.entries[static_cast<size_t>(b)];
    const BookEntry& theirs = m_Theirs.entries[static_cast<size_t>(t)];
    if (!SameContent(base, theirs))
        return false;
    if (base.parent < 0 || theirs.parent < 0)
        return base.parent == theirs.parent;
    return m_TheirsOf[static_cast<size_t>(base.parent)] == theirs.parent;
}

// A base address that theirs has in its place and that the book holds unchanged in its
// place.
bool CStableRuns::Stable(int b) const
{
    const BookEntry& entry = m_Base.entries[static_cast<size_t>(b)];
    int o = m_OursOf[static_cast<size_t>(b)];
    if (entry.kind != ADT_ADDR || m_TheirsOf[static_cast<size_t>(b)] < 0 || o < 0)
        return false;
    int parent = entry.parent < 0 ? -1 : m_OursOf[static_cast<size_t>(entry.parent)];
    const OursNode& ours = m_Ours[static_cast<size_t>(o)];
    return ours.unchanged && ours.parent == parent && (entry.parent < 0 || parent >= 0);
}

// Runs of two or more stable addresses that follow each other in all three versions;
// false when there are none.
bool CStableRuns::FindRuns()
{
    bool found = false;
    m_RunEnd.assign(m_Base.entries.size(), -1);
    m_Pinned.assign(m_Base.entries.size(), 0);
    int b = 0;
    while (b < m_Base.Size()) {
        if (!Stable(b)) {
            ++b;
            continue;
        }
        int end = b + 1;
        while (end < m_Base.Size() && m_Base.entries[static_cast<size_t>(end)].parent ==
                                          m_Base.entries[static_cast<size_t>(b)].parent &&
               m_TheirsOf[static_cast<size_t>(end)] == m_TheirsOf[static_cast<size_t>(end - 1)] + 1 &&
               m_OursOf[static_cast<size_t>(end)] == m_OursOf[static_cast<size_t>(end - 1)] + 1 && Stable(end))
            ++end;
        if (end - b >= 2) {
            found = true;
            m_RunEnd[static_cast<size_t>(b)] = end;
            // The folders above a run stay paired as aligned, so that the run stays where it is.
            for (int up = m_Base.entries[static_cast<size_t>(b)].parent; up >= 0 && !m_Pinned[static_cast<size_t>(up)];
                 up = m_Base.entries[static_cast<size_t>(up)].parent)
                m_Pinned[static_cast<size_t>(up)] = 1;
        }
        b = end;
    }
    return found;
}

std::string_view CStableRuns::RunText(int first) const
{
    const BookEntry& head = m_Base.entries[static_cast<size_t>(first)];
    const BookEntry& tail = m_Base.entries[static_cast<size_t>(m_RunEnd[static_cast<size_t>(first)] - 1)];
    return std::string_view(head.name.data(),
                            static_cast<size_t>(tail.addr.data() + tail.addr.size() - head.name.data()));
}

// baseIndex: per full base entry, its entry in the shorter base (a run's entries: the run's).
void CStableRuns::BuildBase(std::vector<int>& baseIndex)
{
    baseIndex.assign(m_Base.entries.size(), -1);
    base.entries.reserve(m_Base.entries.size());
    std::vector<uint64_t> keys;  // the keys worked out already go along
    keys.reserve(m_Base.entries.size());
    for (int b = 0; b < m_Base.Size();) {
        const BookEntry& entry = m_Base.entries[static_cast<size_t>(b)];
        int parent = entry.parent < 0 ? -1 : baseIndex[static_cast<size_t>(entry.parent)];
        int index = base.Size();
        int end = m_RunEnd[static_cast<size_t>(b)];
        if (end < 0) {
            base.entries.push_back({parent, entry.kind, entry.name, entry.addr});
            keys.push_back(m_Base.KnownKey(b));
            baseIndex[static_cast<size_t>(b++)] = index;
            continue;
        }
        base.entries.push_back({parent, kRunKind, RunText(b), {}});
        keys.push_back(0);
        for (; b < end; ++b)
            baseIndex[static_cast<size_t>(b)] = index;
    }
    base.TakeKeys(std::move(keys));
    base.Link();
}

void CStableRuns::BuildTheirs(const std::vector<int>& baseIndex)
{
    std::vector<int> theirsIndex(m_Theirs.entries.size(), -1);
    theirs.entries.reserve(m_Theirs.entries.size());
    theirsFirst.reserve(m_Theirs.entries.size());
    runPairs.reserve(m_Theirs.entries.size());
    std::vector<uint64_t> keys;
    keys.reserve(m_Theirs.entries.size());
    for (int t = 0; t < m_Theirs.Size();) {
        const BookEntry& entry = m_Theirs.entries[static_cast<size_t>(t)];
        int parent = entry.parent < 0 ? -1 : theirsIndex[static_cast<size_t>(entry.parent)];
        int b = m_BaseOfTheirs[static_cast<size_t>(t)];
        int end = b >= 0 ? m_RunEnd[static_cast<size_t>(b)] : -1;
        int index = theirs.Size();
        theirsFirst.push_back(t);
        if (end < 0) {
            theirs.entries.push_back({parent, entry.kind, entry.name, entry.addr});
            keys.push_back(m_Theirs.KnownKey(t));
            runPairs.push_back(b >= 0 && m_Pinned[static_cast<size_t>(b)] ? baseIndex[static_cast<size_t>(b)] : -1);
            theirsIndex[static_cast<size_t>(t++)] = index;
            continue;
        }
        theirs.entries.push_back({parent, kRunKind, RunText(b), {}});
        keys.push_back(0);
        runPairs.push_back(baseIndex[static_cast<size_t>(b)]);
        for (int k = b; k < end; ++k)
            theirsIndex[static_cast<size_t>(t++)] = index;
    }
    theirs.TakeKeys(std::move(keys));
    theirs.Link();
}

void CStableRuns::BuildOurs(const std::vector<int>& baseIndex)
{
    std::vector<int> oursIndex(m_Ours.size(), -1);
    for (auto* list : {&oursToBase, &oursRunPairs})
        list->reserve(m_Ours.size());
    for (auto* list : {&firstNodes, &lastNodes})
        list->reserve(m_Ours.size());
    ours.entries.reserve(m_Ours.size());
    std::vector<uint64_t> keys;
    keys.reserve(m_Ours.size());
    for (int o = 0; o < static_cast<int>(m_Ours.size());) {
        const OursNode& here = m_Ours[static_cast<size_t>(o)];
        ADTDATA* node = here.node;
        int parent = here.parent < 0 ? -1 : oursIndex[static_cast<size_t>(here.parent)];
        int b = here.base;
        int end = b >= 0 ? m_RunEnd[static_cast<size_t>(b)] : -1;
        int index = ours.Size();
        oursToBase.push_back(b < 0 ? -1 : baseIndex[static_cast<size_t>(b)]);
        oursRunPairs.push_back(b >= 0 && (end >= 0 || m_Pinned[static_cast<size_t>(b)]) ? baseIndex[static_cast<size_t>(b)] : -1);
        firstNodes.push_back(node);
        if (end < 0) {
            if (here.unchanged) {  // the same bytes as its base entry: no need to measure the node's
                int same = baseIndex[static_cast<size_t>(b)];
                const BookEntry& entry = base.entries[static_cast<size_t>(same)];
                ours.entries.push_back({parent, node->cType, entry.name, entry.addr});
                keys.push_back(base.KnownKey(same));
            } else {
                ours.entries.push_back({parent, node->cType, node->psName ? node->psName : "",
                                        node->psAddr ? node->psAddr : ""});
                keys.push_back(m_OursKeys.empty() ? 0 : m_OursKeys[static_cast<size_t>(o)]);
            }
            lastNodes.push_back(node);
            oursIndex[static_cast<size_t>(o++)] = index;
            continue;
        }
        ours.entries.push_back({parent, kRunKind, RunText(b), {}});
        keys.push_back(0);
        lastNodes.push_back(m_Ours[static_cast<size_t>(o + end - b - 1)].node);
        for (int k = b; k < end; ++k)
            oursIndex[static_cast<size_t>(o++)] = index;
    }
    ours.TakeKeys(std::move(keys));
    ours.Link();
}
