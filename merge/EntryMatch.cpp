#include "merge/EntryMatch.h"
#include <algorithm>
#include <unordered_set>
#include <utility>
#include "merge/KeyChains.h"
#include "merge/KeyFilter.h"

namespace {

class CEntryMatcher {
public:
    CEntryMatcher(const CBookEntries& base, const CBookEntries& other, MatchRoom& room)
        : m_Base(base), m_Other(other), m_OtherToBase(static_cast<size_t>(other.Size()), -1),
          m_BaseToOther(static_cast<size_t>(base.Size()), -1), m_Equal(room.equal), m_Moved(room.moved),
          m_ByName(room.byName), m_ByText(room.byText), m_ListKeys(room.listKeys)
    {
    }

    std::vector<int> Run(const std::vector<int>* paired)
    {
        for (size_t o = 0; paired && o < paired->size(); ++o) {
            if ((*paired)[o] >= 0)
                Pair((*paired)[o], static_cast<int>(o));
        }
        m_Pending.push_back({-1, -1});
        MatchPending();
        MatchMoved(ADT_FOLDER);
        MatchMoved(ADT_ADDR);
        MatchEdits();
        MatchMoved(ADT_FOLDER);
        MatchMoved(ADT_ADDR);
        return std::move(m_OtherToBase);
    }

private:
    const CBookEntries& m_Base;
    const CBookEntries& m_Other;
    std::vector<int> m_OtherToBase;
    std::vector<int> m_BaseToOther;
    std::vector<std::pair<int, int>> m_Pending;  // paired folders whose contents wait
    CKeyChains& m_Equal;  // the indexes of rules 1, 2 and 3 (MatchRoom)
    CKeyChains& m_Moved;
    CKeyChains& m_ByName;
    CKeyChains& m_ByText;
    std::vector<uint64_t>* m_ListKeys;  // MatchInOrder's lists' keys, two

    const BookEntry& B(int i) const { return m_Base.entries[static_cast<size_t>(i)]; }
    const BookEntry& O(int i) const { return m_Other.entries[static_cast<size_t>(i)]; }
    uint64_t BKey(int b) const { return m_Base.Key(b); }
    uint64_t OKey(int o) const { return m_Other.Key(o); }
    bool BaseFree(int b) const { return m_BaseToOther[static_cast<size_t>(b)] < 0; }
    bool OtherFree(int o) const { return m_OtherToBase[static_cast<size_t>(o)] < 0; }

    void Pair(int b, int o)
    {
        m_BaseToOther[static_cast<size_t>(b)] = o;
        m_OtherToBase[static_cast<size_t>(o)] = b;
        if (B(b).kind == ADT_FOLDER)
            m_Pending.push_back({b, o});
    }

    // Rule 1 for the contents of every pair of folders found so far, and below them.
    void MatchPending()
    {
        while (!m_Pending.empty()) {
            std::pair<int, int> folders = m_Pending.back();
            m_Pending.pop_back();
            MatchChildren(folders.first, folders.second);
        }
    }

    std::vector<int> FreeChildren(const CBookEntries& book, int parent, bool base, unsigned char kind) const
    {
        std::vector<int> children;
        for (const int* child = book.ChildrenBegin(parent); child != book.ChildrenEnd(parent); ++child) {
            if ((base ? BaseFree(*child) : OtherFree(*child)) && book.entries[static_cast<size_t>(*child)].kind == kind)
                children.push_back(*child);
        }
        return children;
    }

    void MatchChildren(int baseFolder, int otherFolder)
    {
        std::vector<int> baseFolders = FreeChildren(m_Base, baseFolder, true, ADT_FOLDER);
        for (int o : FreeChildren(m_Other, otherFolder, false, ADT_FOLDER)) {
            int b = BestFolder(baseFolders, o);
            if (b >= 0)
                Pair(b, o);
        }
        std::vector<int> base = FreeChildren(m_Base, baseFolder, true, ADT_ADDR);
        std::vector<int> other = FreeChildren(m_Other, otherFolder, false, ADT_ADDR);
        MatchInOrder(base, other);
        if (base.empty() || other.empty())
            return;
        base.erase(std::remove_if(base.begin(), base.end(), [this](int b) { return !BaseFree(b); }), base.end());
        other.erase(std::remove_if(other.begin(), other.end(), [this](int o) { return !OtherFree(o); }), other.end());
        if (!base.empty() && !other.empty())
            MatchEqual(base, other);
    }

    // Pairs equal addresses of two lists in order, as a comparison of two versions of a
    // text pairs their lines: along runs that agree, and where the lists part, from the
    // nearest place a few entries on where they agree again. An entry whose list has no
    // equal one near is left for MatchEqual.
    void MatchInOrder(const std::vector<int>& base, const std::vector<int>& other)
    {
        const size_t kLookAhead = 8;
        // The keys of both lists side by side: the look-ahead compares many pairs.
        m_ListKeys[0].resize(base.size());
        m_ListKeys[1].resize(other.size());
        for (size_t k = 0; k < base.size(); ++k)
            m_ListKeys[0][k] = BKey(base[k]);
        for (size_t k = 0; k < other.size(); ++k)
            m_ListKeys[1][k] = OKey(other[k]);
        const uint64_t* baseKeys = m_ListKeys[0].data();
        const uint64_t* otherKeys = m_ListKeys[1].data();
        auto same = [&](size_t i, size_t j) {
            return baseKeys[i] == otherKeys[j] && SameContent(B(base[i]), O(other[j]));
        };
        size_t i = 0;
        size_t j = 0;
        while (i < base.size() && j < other.size()) {
            if (same(i, j)) {
                Pair(base[i++], other[j++]);
                continue;
            }
            size_t skipBase = 0;
            size_t skipOther = 0;
            for (size_t d = 1; d <= kLookAhead && !skipBase && !skipOther; ++d) {
                if (i + d < base.size() && same(i + d, j))
                    skipBase = d;
                else if (j + d < other.size() && same(i, j + d))
                    skipOther = d;
            }
            if (!skipBase && !skipOther) {
                ++i;
                ++j;
            }
            i += skipBase;
            j += skipOther;
        }
    }

    // The free base folder among candidates that has folder o's name: the first one, or,
    // when several have it, the one that shares the most contents with o.
    int BestFolder(const std::vector<int>& candidates, int o) const
    {
        int best = -1;
        int bestShared = -1;
        for (int b : candidates) {
            if (!BaseFree(b) || B(b).name != O(o).name)
                continue;
            if (best < 0) {
                best = b;
                continue;
            }
            if (bestShared < 0)
                bestShared = SharedChildren(best, o);
            int shared = SharedChildren(b, o);
            if (shared > bestShared) {
                best = b;
                bestShared = shared;
            }
        }
        return best;
    }

    int SharedChildren(int b, int o) const
    {
        std::unordered_set<uint64_t> keys;
        for (const int* child = m_Base.ChildrenBegin(b); child != m_Base.ChildrenEnd(b); ++child)
            keys.insert(BKey(*child));
        int shared = 0;
        for (const int* child = m_Other.ChildrenBegin(o); child != m_Other.ChildrenEnd(o); ++child)
            shared += static_cast<int>(keys.count(OKey(*child)));
        return shared;
    }

    // The k-th of equal entries of other pairs with the k-th of the base.
    // Only entries whose key the other list may hold are indexed and looked up (when the
    // lists are long enough for that to pay).
    void MatchEqual(const std::vector<int>& base, const std::vector<int>& other)
    {
        bool filtered = base.size() > kFilteredSize && other.size() > kFilteredSize;
        if (filtered) {
            FillFilters(base.begin(), base.end(), other.begin(), other.end());
        }
        IndexBase(m_Equal, base, filtered);
        for (int o : other) {
            if (filtered && !m_BaseKeys.MayHold(OKey(o)))
                continue;
            int b = FindEqual(m_Equal, o);
            if (b >= 0)
                Pair(b, o);
        }
    }

    static const size_t kFilteredSize = 256;
    std::vector<int> m_Indexed;

    // Files the base entries of list by key (filtered: those whose key the other side may hold).
    void IndexBase(CKeyChains& index, const std::vector<int>& list, bool filtered)
    {
        m_Indexed.clear();
        for (int b : list) {
            if (!filtered || m_OtherKeys.MayHold(BKey(b)))
                m_Indexed.push_back(b);
        }
        index.Reset(m_Indexed.size());
        for (int b : m_Indexed)
            index.Add(BKey(b), b);
    }
    CKeyFilter m_BaseKeys;   // the keys of the base entries, and of the other entries, that
    CKeyFilter m_OtherKeys;  // a rule may pair

    template <class BaseIt, class OtherIt>
    void FillFilters(BaseIt baseBegin, BaseIt baseEnd, OtherIt otherBegin, OtherIt otherEnd)
    {
        m_BaseKeys.Clear();
        m_OtherKeys.Clear();
        for (BaseIt b = baseBegin; b != baseEnd; ++b)
            m_BaseKeys.Add(BKey(*b));
        for (OtherIt o = otherBegin; o != otherEnd; ++o)
            m_OtherKeys.Add(OKey(*o));
    }

    // The first free base entry of index (base entries by key, in file order) equal to o.
    int FindEqual(CKeyChains& index, int o)
    {
        uint64_t key = OKey(o);
        index.Advance(key, [this](int b) { return !BaseFree(b); });
        for (int link = index.First(key); link >= 0; link = index.Next(link)) {
            int b = index.Item(link);
            if (BaseFree(b) && SameContent(B(b), O(o)))
                return b;
        }
        return -1;
    }

    // Rule 2 for one kind, with the contents of each moved folder matched below it at once.
    // Only entries whose key a free entry of the other side may hold are indexed and looked up.
    void MatchMoved(unsigned char kind)
    {
        std::vector<int> base;
        std::vector<int> other;
        for (int b = 0; b < m_Base.Size(); ++b) {
            if (BaseFree(b) && B(b).kind == kind)
                base.push_back(b);
        }
        if (base.empty())
            return;
        for (int o = 0; o < m_Other.Size(); ++o) {
            if (OtherFree(o) && O(o).kind == kind)
                other.push_back(o);
        }
        bool filtered = base.size() > kFilteredSize && other.size() > kFilteredSize;
        if (filtered)
            FillFilters(base.begin(), base.end(), other.begin(), other.end());
        IndexBase(m_Moved, base, filtered);
        if (m_Moved.Empty())
            return;
        std::vector<int> candidates;
        for (int o : other) {
            if (!OtherFree(o) || (filtered && !m_BaseKeys.MayHold(OKey(o))))
                continue;
            int b = -1;
            if (kind == ADT_FOLDER) {
                candidates.clear();
                for (int link = m_Moved.First(OKey(o)); link >= 0; link = m_Moved.Next(link))
                    candidates.push_back(m_Moved.Item(link));
                b = BestFolder(candidates, o);
            } else {
                b = FindEqual(m_Moved, o);
            }
            if (b >= 0) {
                Pair(b, o);
                MatchPending();
            }
        }
    }

    // Rule 3 in every pair of folders, from the top: a new pair's contents are matched by
    // rule 1 before its own left-overs are looked at.
    void MatchEdits()
    {
        MatchEditsIn(-1, -1);
        for (int o = 0; o < m_Other.Size(); ++o) {
            if (O(o).kind == ADT_FOLDER && !OtherFree(o))
                MatchEditsIn(m_OtherToBase[static_cast<size_t>(o)], o);
        }
    }

    // A left-over entry between the same paired neighbours that keeps its name or its text
    // (any folder) is the left-over base entry edited: the first such one of the gap, found
    // through the gap's left-overs by name and by text, so that a level whose every entry
    // changed is matched in linear time.
    void MatchEditsIn(int baseFolder, int otherFolder)
    {
        // The gaps of the base's list: each gap's left-overs stand together in m_GapAddrs
        // and m_GapFolders, in file order.
        m_Gaps.clear();
        m_GapAddrs.clear();
        m_GapFolders.clear();
        int previous = -1;
        OpenGap(previous);
        for (const int* b = m_Base.ChildrenBegin(baseFolder); b != m_Base.ChildrenEnd(baseFolder); ++b) {
            if (BaseFree(*b)) {
                (B(*b).kind == ADT_FOLDER ? m_GapFolders : m_GapAddrs).push_back(*b);
            } else if (O(m_BaseToOther[static_cast<size_t>(*b)]).parent == otherFolder) {
                previous = *b;
                OpenGap(previous);
            }
        }
        if (!m_GapAddrs.empty() || !m_GapFolders.empty()) {
            m_Gaps.push_back({-2, m_GapAddrs.size(), m_GapFolders.size()});  // the end of the last gap
            m_bIndexed = false;
            previous = -1;
            for (const int* o = m_Other.ChildrenBegin(otherFolder); o != m_Other.ChildrenEnd(otherFolder); ++o) {
                if (!OtherFree(*o)) {
                    if (B(m_OtherToBase[static_cast<size_t>(*o)]).parent == baseFolder)
                        previous = m_OtherToBase[static_cast<size_t>(*o)];
                    continue;
                }
                int b = EditedBase(previous, *o);
                if (b >= 0) {
                    Pair(b, *o);
                    MatchPending();
                }
            }
        }
        for (const Gap& gap : m_Gaps) {
            if (gap.anchor != -2)
                m_GapOf[static_cast<size_t>(gap.anchor + 1)] = -1;
        }
    }

    // A gap of the base's list: the paired entry before it (-1: the front) and where its
    // left-overs begin in m_GapAddrs and m_GapFolders (the next gap's beginning ends them).
    struct Gap {
        int anchor;
        size_t addrs;
        size_t folders;
    };
    std::vector<Gap> m_Gaps;
    std::vector<int> m_GapAddrs;
    std::vector<int> m_GapFolders;
    std::vector<int> m_GapOf;  // per base entry + 1: its gap in m_Gaps while a list is matched, else -1
    bool m_bIndexed = false;   // m_ByName and m_ByText hold the list's left-overs

    void OpenGap(int anchor)
    {
        if (m_GapOf.empty())
            m_GapOf.assign(static_cast<size_t>(m_Base.Size()) + 1, -1);
        m_GapOf[static_cast<size_t>(anchor + 1)] = static_cast<int>(m_Gaps.size());
        m_Gaps.push_back({anchor, m_GapAddrs.size(), m_GapFolders.size()});
    }

    // The left-over base entry that the left-over entry o of the gap after previous is an
    // edit of: of the gap's free left-overs of its kind, the first folder, or the first
    // address with its name or its text; -1 for none. Most edits are found as the gap's
    // first free address: only when that one is no edit of o are the gap's left-overs
    // looked up by name and by text.
    int EditedBase(int previous, int o)
    {
        int g = m_GapOf[static_cast<size_t>(previous + 1)];
        if (g < 0)
            return -1;
        Gap& gap = m_Gaps[static_cast<size_t>(g)];
        const Gap& next = m_Gaps[static_cast<size_t>(g) + 1];
        const BookEntry& entry = O(o);
        bool folder = entry.kind == ADT_FOLDER;
        std::vector<int>& list = folder ? m_GapFolders : m_GapAddrs;
        size_t& at = folder ? gap.folders : gap.addrs;
        size_t end = folder ? next.folders : next.addrs;
        while (at < end && !BaseFree(list[at]))
            ++at;
        if (at == end)
            return -1;
        if (IsEditOf(B(list[at]), entry))
            return list[at];
        if (folder)
            return -1;
        if (!m_bIndexed) {
            m_ByName.Reset(m_GapAddrs.size());
            m_ByText.Reset(m_GapAddrs.size());
            for (const Gap& each : m_Gaps) {
                if (each.anchor == -2)
                    break;
                const Gap& following = (&each)[1];
                for (size_t i = each.addrs; i < following.addrs; ++i) {
                    const BookEntry& left = B(m_GapAddrs[i]);
                    m_ByName.Add(GapKey(each.anchor, HashBytes(left.name.data(), left.name.size(), 1)), m_GapAddrs[i]);
                    m_ByText.Add(GapKey(each.anchor, HashBytes(left.addr.data(), left.addr.size(), 2)), m_GapAddrs[i]);
                }
            }
            m_bIndexed = true;
        }
        int sameName = FirstFree(m_ByName, GapKey(previous, HashBytes(entry.name.data(), entry.name.size(), 1)), entry);
        int sameText = FirstFree(m_ByText, GapKey(previous, HashBytes(entry.addr.data(), entry.addr.size(), 2)), entry);
        return sameName < 0 ? sameText : sameText < 0 ? sameName : std::min(sameName, sameText);
    }

    static uint64_t GapKey(int previous, uint64_t hash)
    {
        return hash ^ (static_cast<uint64_t>(previous + 2) * 0x9E3779B97F4A7C15ull);
    }

    // The first free base entry of the candidates under key (the gap's left-overs by name,
    // by text or as folders, in file order) that entry is an edit of, or -1.
    int FirstFree(CKeyChains& index, uint64_t key, const BookEntry& entry)
    {
        index.Advance(key, [this](int b) { return !BaseFree(b); });
        for (int link = index.First(key); link >= 0; link = index.Next(link)) {
            int b = index.Item(link);
            if (BaseFree(b) && IsEditOf(B(b), entry))
                return b;
        }
        return -1;
    }

    static bool IsEditOf(const BookEntry& base, const BookEntry& other)
    {
        if (base.kind != other.kind)
            return false;
        return base.kind == ADT_FOLDER || base.name == other.name || base.addr == other.addr;
    }
};

}  // namespace

std::vector<int> MatchEntries(const CBookEntries& base, const CBookEntries& other, const std::vector<int>* paired,
                              MatchRoom* room)
{
    MatchRoom own;
    return CEntryMatcher(base, other, room ? *room : own).Run(paired);
}
