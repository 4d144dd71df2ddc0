#include "merge/EntryMatch.h"
#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

class CEntryMatcher {
public:
    CEntryMatcher(const CBookEntries& base, const CBookEntries& other)
        : m_Base(base), m_Other(other), m_OtherToBase(static_cast<size_t>(other.Size()), -1),
          m_BaseToOther(static_cast<size_t>(base.Size()), -1)
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

    const BookEntry& B(int i) const { return m_Base.entries[static_cast<size_t>(i)]; }
    const BookEntry& O(int i) const { return m_Other.entries[static_cast<size_t>(i)]; }
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
        size_t i = 0;
        size_t j = 0;
        while (i < base.size() && j < other.size()) {
            if (SameContent(B(base[i]), O(other[j]))) {
                Pair(base[i++], other[j++]);
                continue;
            }
            size_t skipBase = 0;
            size_t skipOther = 0;
            for (size_t d = 1; d <= kLookAhead && !skipBase && !skipOther; ++d) {
                if (i + d < base.size() && SameContent(B(base[i + d]), O(other[j])))
                    skipBase = d;
                else if (j + d < other.size() && SameContent(B(base[i]), O(other[j + d])))
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
            keys.insert(EntryKey(B(*child)));
        int shared = 0;
        for (const int* child = m_Other.ChildrenBegin(o); child != m_Other.ChildrenEnd(o); ++child)
            shared += static_cast<int>(keys.count(EntryKey(O(*child))));
        return shared;
    }

    // The k-th of equal entries of other pairs with the k-th of the base.
    void MatchEqual(const std::vector<int>& base, const std::vector<int>& other)
    {
        std::vector<std::pair<uint64_t, int>> keyed;
        keyed.reserve(base.size());
        for (int b : base)
            keyed.push_back({EntryKey(B(b)), b});
        std::sort(keyed.begin(), keyed.end());
        for (int o : other) {
            int b = FindEqual(keyed, o);
            if (b >= 0)
                Pair(b, o);
        }
    }

    int FindEqual(const std::vector<std::pair<uint64_t, int>>& keyed, int o) const
    {
        uint64_t key = EntryKey(O(o));
        for (auto at = std::lower_bound(keyed.begin(), keyed.end(), std::make_pair(key, -1));
             at != keyed.end() && at->first == key; ++at) {
            if (BaseFree(at->second) && SameContent(B(at->second), O(o)))
                return at->second;
        }
        return -1;
    }

    // Rule 2 for one kind, with the contents of each moved folder matched below it at once.
    void MatchMoved(unsigned char kind)
    {
        std::vector<std::pair<uint64_t, int>> keyed;
        for (int b = 0; b < m_Base.Size(); ++b) {
            if (BaseFree(b) && B(b).kind == kind)
                keyed.push_back({EntryKey(B(b)), b});
        }
        if (keyed.empty())
            return;
        std::sort(keyed.begin(), keyed.end());
        std::vector<int> candidates;
        for (int o = 0; o < m_Other.Size(); ++o) {
            if (!OtherFree(o) || O(o).kind != kind)
                continue;
            int b = -1;
            if (kind == ADT_FOLDER) {
                candidates.clear();
                uint64_t key = EntryKey(O(o));
                for (auto at = std::lower_bound(keyed.begin(), keyed.end(), std::make_pair(key, -1));
                     at != keyed.end() && at->first == key; ++at)
                    candidates.push_back(at->second);
                b = BestFolder(candidates, o);
            } else {
                b = FindEqual(keyed, o);
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
        EditCandidates byName;
        EditCandidates byText;
        EditCandidates folders;
        int previous = -1;
        for (const int* b = m_Base.ChildrenBegin(baseFolder); b != m_Base.ChildrenEnd(baseFolder); ++b) {
            if (BaseFree(*b)) {
                const BookEntry& entry = B(*b);
                if (entry.kind == ADT_FOLDER) {
                    folders.Add(GapKey(previous, 0), *b);
                } else {
                    byName.Add(GapKey(previous, HashBytes(entry.name.data(), entry.name.size(), 1)), *b);
                    byText.Add(GapKey(previous, HashBytes(entry.addr.data(), entry.addr.size(), 2)), *b);
                }
            } else if (O(m_BaseToOther[static_cast<size_t>(*b)]).parent == otherFolder) {
                previous = *b;
            }
        }
        if (byName.empty() && folders.empty())
            return;
        byName.Sort();
        byText.Sort();
        folders.Sort();
        previous = -1;
        for (const int* o = m_Other.ChildrenBegin(otherFolder); o != m_Other.ChildrenEnd(otherFolder); ++o) {
            if (!OtherFree(*o)) {
                if (B(m_OtherToBase[static_cast<size_t>(*o)]).parent == baseFolder)
                    previous = m_OtherToBase[static_cast<size_t>(*o)];
                continue;
            }
            const BookEntry& entry = O(*o);
            int b = -1;
            if (entry.kind == ADT_FOLDER) {
                b = FirstFree(folders, GapKey(previous, 0), entry);
            } else {
                int sameName = FirstFree(byName, GapKey(previous, HashBytes(entry.name.data(), entry.name.size(), 1)), entry);
                int sameText = FirstFree(byText, GapKey(previous, HashBytes(entry.addr.data(), entry.addr.size(), 2)), entry);
                b = sameName < 0 ? sameText : sameText < 0 ? sameName : std::min(sameName, sameText);
            }
            if (b >= 0) {
                Pair(b, *o);
                MatchPending();
            }
        }
    }

    // The left-overs of each gap (the paired base entry before them) by name, by text or
    // as folders: sorted (key, entry) pairs, each key's entries in order, with how far the
    // paired ones at the front of each key's run are passed.
    struct EditCandidates {
        std::vector<std::pair<uint64_t, int>> keyed;
        std::vector<size_t> at;  // per run start: its first entry that may be free
        bool empty() const { return keyed.empty(); }
        void Add(uint64_t key, int b) { keyed.push_back({key, b}); }
        void Sort()
        {
            std::sort(keyed.begin(), keyed.end());
            at.resize(keyed.size());
            for (size_t i = 0; i < at.size(); ++i)
                at[i] = i;
        }
    };

    static uint64_t GapKey(int previous, uint64_t hash)
    {
        return hash ^ (static_cast<uint64_t>(previous + 2) * 0x9E3779B97F4A7C15ull);
    }

    // The first free base entry of the candidates under key that entry is an edit of, or -1.
    int FirstFree(EditCandidates& index, uint64_t key, const BookEntry& entry) const
    {
        auto start = std::lower_bound(index.keyed.begin(), index.keyed.end(), std::make_pair(key, -1));
        if (start == index.keyed.end() || start->first != key)
            return -1;
        size_t run = static_cast<size_t>(start - index.keyed.begin());
        size_t& at = index.at[run];
        while (at < index.keyed.size() && index.keyed[at].first == key && !BaseFree(index.keyed[at].second))
            ++at;
        for (size_t i = at; i < index.keyed.size() && index.keyed[i].first == key; ++i) {
            int b = index.keyed[i].second;
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

std::vector<int> MatchEntries(const CBookEntries& base, const CBookEntries& other, const std::vector<int>* paired)
{
    return CEntryMatcher(base, other).Run(paired);
}
