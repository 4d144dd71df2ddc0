#include "merge/DuplicateCopies.h"
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include "merge/KeyChains.h"
#include "merge/KeyFilter.h"

namespace {

const int kAbsent = -3;  // the side does not have the copy
const int kNew = -2;     // a folder the base does not have: the same as no other folder
const int kAnyFolder = -4;

// The additions of addresses on each side by what they hold, less those that pair with an
// addition alike on the other side in the same folder (MergePlan holds such a pair once):
// the additions left may be the other side's edit of a copy, read as an addition. Filed
// when first asked for; each is taken once.
class CSpareAdditions {
public:
    CSpareAdditions(const CBookEntries& ours, const std::vector<int>& oursToBase, const CBookEntries& theirs,
                    const std::vector<int>& theirsToBase)
        : m_Sides{{ours, oursToBase, {}}, {theirs, theirsToBase, {}}}
    {
    }

    // Takes a spare addition of ours (side 0) or theirs (1) that holds what entry holds, in
    // folder (as Folder tells it) unless kAnyFolder; false for none left.
    bool Take(int side, const BookEntry& entry, int folder)
    {
        if (!m_bFiled)
            File();
        Side& from = m_Sides[side];
        auto found = from.spare.find(EntryKey(entry));
        if (found == from.spare.end())
            return false;
        std::vector<int>& list = found->second;
        for (size_t k = 0; k < list.size(); ++k) {
            if ((folder == kAnyFolder || Folder(from, list[k]) == folder) &&
                SameContent(from.entries.entries[static_cast<size_t>(list[k])], entry)) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(k));
                return true;
            }
        }
        return false;
    }

private:
    struct Side {
        const CBookEntries& entries;
        const std::vector<int>& toBase;
        std::unordered_map<uint64_t, std::vector<int>> spare;
    };
    Side m_Sides[2];
    bool m_bFiled = false;

    const BookEntry& At(const Side& side, int s) const { return side.entries.entries[static_cast<size_t>(s)]; }

    // The base folder that the folder of side's entry s is (-1: the top level, kNew).
    int Folder(const Side& side, int s) const
    {
        int parent = At(side, s).parent;
        if (parent < 0)
            return -1;
        int b = side.toBase[static_cast<size_t>(parent)];
        return b >= 0 ? b : kNew;
    }

    void File()
    {
        m_bFiled = true;
        for (Side& side : m_Sides) {
            for (int s = 0; s < side.entries.Size(); ++s) {
                if (side.toBase[static_cast<size_t>(s)] < 0 && At(side, s).kind == ADT_ADDR)
                    side.spare[EntryKey(At(side, s))].push_back(s);
            }
        }
        for (auto& item : m_Sides[0].spare) {
            auto other = m_Sides[1].spare.find(item.first);
            if (other != m_Sides[1].spare.end())
                CancelPairs(item.second, other->second);
        }
    }

    // Drops from both lists the additions that pair up, alike and in the same folder.
    void CancelPairs(std::vector<int>& ours, std::vector<int>& theirs) const
    {
        auto byFolder = [this](const Side& side) {
            return [this, &side](int a, int b) { return Folder(side, a) < Folder(side, b); };
        };
        std::stable_sort(ours.begin(), ours.end(), byFolder(m_Sides[0]));
        std::stable_sort(theirs.begin(), theirs.end(), byFolder(m_Sides[1]));
        size_t o = 0;
        size_t t = 0;
        while (o < ours.size() && t < theirs.size()) {
            int oursFolder = Folder(m_Sides[0], ours[o]);
            int theirsFolder = Folder(m_Sides[1], theirs[t]);
            if (oursFolder != theirsFolder) {
                (oursFolder < theirsFolder ? o : t)++;
            } else if (SameContent(At(m_Sides[0], ours[o]), At(m_Sides[1], theirs[t]))) {
                ours[o++] = -1;
                theirs[t++] = -1;
            } else {
                ++o;
            }
        }
        ours.erase(std::remove(ours.begin(), ours.end(), -1), ours.end());
        theirs.erase(std::remove(theirs.begin(), theirs.end(), -1), theirs.end());
    }
};

class CCopyAligner {
public:
    CCopyAligner(const CBookEntries& base, const CBookEntries& ours, std::vector<int>& oursToBase,
                 const CBookEntries& theirs, const std::vector<int>& theirsToBase)
        : m_Base(base), m_Ours(ours), m_OursToBase(oursToBase), m_Theirs(theirs), m_TheirsToBase(theirsToBase),
          m_OursOf(static_cast<size_t>(base.Size()), -1), m_TheirsOf(static_cast<size_t>(base.Size()), -1),
          m_Added(ours, oursToBase, theirs, theirsToBase)
    {
        for (int o = 0; o < ours.Size(); ++o) {
            int b = oursToBase[static_cast<size_t>(o)];
            if (b >= 0 && m_OursOf[static_cast<size_t>(b)] < 0)
                m_OursOf[static_cast<size_t>(b)] = o;
        }
        for (int t = 0; t < theirs.Size(); ++t) {
            int b = theirsToBase[static_cast<size_t>(t)];
            if (b >= 0 && m_TheirsOf[static_cast<size_t>(b)] < 0)
                m_TheirsOf[static_cast<size_t>(b)] = t;
        }
    }

    void Run()
    {
        // In a long book, only addresses whose key may stand twice are filed by key.
        const int kFilteredSize = 4096;
        bool filtered = m_Base.Size() > kFilteredSize;
        CKeyFilter once;
        CKeyFilter twice;
        if (filtered) {
            once.Clear();
            twice.Clear();
        }
        auto mayStandTwice = [&](int b) { return B(b).kind == ADT_ADDR && (!filtered || twice.MayHold(m_Base.Key(b))); };
        for (int b = 0; filtered && b < m_Base.Size(); ++b) {
            if (B(b).kind != ADT_ADDR)
                continue;
            uint64_t key = m_Base.Key(b);
            if (once.MayHold(key))
                twice.Add(key);
            once.Add(key);
        }
        CKeyChains byKey;
        byKey.Reset(0);
        for (int b = 0; b < m_Base.Size(); ++b) {
            if (mayStandTwice(b))
                byKey.Add(m_Base.Key(b), b);
        }
        // Each group of equal addresses once, from its first copy.
        std::vector<int> copies;
        for (int b = 0; b < m_Base.Size(); ++b) {
            if (!mayStandTwice(b))
                continue;
            int first = byKey.First(m_Base.Key(b));
            if (byKey.Item(first) != b || byKey.Next(first) < 0)
                continue;
            copies.clear();
            for (int link = first; link >= 0; link = byKey.Next(link)) {
                if (SameContent(B(byKey.Item(link)), B(b)))
                    copies.push_back(byKey.Item(link));
            }
            if (copies.size() >= 2)
                AlignGroup(copies);
        }
    }

private:
    const CBookEntries& m_Base;
    const CBookEntries& m_Ours;
    std::vector<int>& m_OursToBase;
    const CBookEntries& m_Theirs;
    const std::vector<int>& m_TheirsToBase;
    std::vector<int> m_OursOf;    // per base entry: the entry of ours that is it, or -1
    std::vector<int> m_TheirsOf;  // the same for theirs
    CSpareAdditions m_Added;

    const BookEntry& B(int b) const { return m_Base.entries[static_cast<size_t>(b)]; }

    // Where a side's entry stands, as the base folder its folder is (-1: the top level).
    static int ParentInBase(const CBookEntries& side, const std::vector<int>& toBase, int entry)
    {
        int parent = side.entries[static_cast<size_t>(entry)].parent;
        if (parent < 0)
            return -1;
        int b = toBase[static_cast<size_t>(parent)];
        return b >= 0 ? b : kNew;
    }

    // 0: theirs keeps the copy as it was; 1: theirs edited it; 2: theirs deleted it.
    int TheirsState(int b) const
    {
        int t = m_TheirsOf[static_cast<size_t>(b)];
        if (t < 0)
            return 2;
        return SameContent(m_Theirs.entries[static_cast<size_t>(t)], B(b)) ? 0 : 1;
    }

    int TheirsPlace(int b) const
    {
        int t = m_TheirsOf[static_cast<size_t>(b)];
        return t < 0 ? kAbsent : ParentInBase(m_Theirs, m_TheirsToBase, t);
    }

    // Ours' edits of copies of the group first take a copy that theirs edited alike, then one
    // that theirs deleted where theirs added what the edit holds, then one that theirs
    // deleted or edited (an edit stays where the other side deleted, and keeps both versions
    // where it edited too), leaving those that theirs keeps to ours' unchanged copies, and
    // those that theirs edited alike to an addition of ours to that addition. Ours'
    // unchanged copies (its survivors) each take a copy: one that theirs keeps in the same
    // folder (for a copy that ours left where it stood, one that stood there too), then one
    // that theirs keeps anywhere (their own first), then their own, then any.
    void AlignGroup(const std::vector<int>& copies)
    {
        std::vector<int> survivors;  // entries of ours, each with the copy it is now (own)
        std::vector<int> own;
        std::vector<int> edits;
        std::vector<int> editOwn;
        for (size_t i = 0; i < copies.size(); ++i) {
            int o = m_OursOf[static_cast<size_t>(copies[i])];
            if (o < 0)
                continue;
            bool same = SameContent(m_Ours.entries[static_cast<size_t>(o)], B(copies[i]));
            (same ? survivors : edits).push_back(o);
            (same ? own : editOwn).push_back(static_cast<int>(i));
        }
        if (survivors.empty() && edits.empty())
            return;
        std::vector<int> state(copies.size());
        std::vector<int> place(copies.size());
        for (size_t i = 0; i < copies.size(); ++i) {
            state[i] = TheirsState(copies[i]);
            place[i] = TheirsPlace(copies[i]);
        }
        std::vector<char> taken(copies.size(), 0);
        auto firstFree = [&](int wanted) {
            for (size_t i = 0; i < copies.size(); ++i) {
                if (!taken[i] && (wanted < 0 || state[i] == wanted))
                    return static_cast<int>(i);
            }
            return -1;
        };
        std::vector<int> editChosen(edits.size(), -1);
        for (size_t e = 0; e < edits.size(); ++e) {
            int i = EditedAlike(copies, state, taken, edits[e], editOwn[e]);
            if (i >= 0) {
                editChosen[e] = i;
                taken[static_cast<size_t>(i)] = 1;
            }
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t e = 0; e < edits.size(); ++e) {
                if (editChosen[e] >= 0)
                    continue;
                int folder = pass == 0 ? ParentInBase(m_Ours, m_OursToBase, edits[e]) : kAnyFolder;
                int i = DeletedForAddition(state, taken, edits[e], editOwn[e], folder);
                if (i >= 0) {
                    editChosen[e] = i;
                    taken[static_cast<size_t>(i)] = 1;
                }
            }
        }
        size_t waiting = survivors.size() + static_cast<size_t>(std::count(editChosen.begin(), editChosen.end(), -1));
        ReserveForAdditions(copies, waiting, state, place, taken);
        for (size_t e = 0; e < edits.size(); ++e) {
            if (editChosen[e] < 0 && !taken[static_cast<size_t>(editOwn[e])] &&
                state[static_cast<size_t>(editOwn[e])] != 0) {
                editChosen[e] = editOwn[e];
                taken[static_cast<size_t>(editOwn[e])] = 1;
            }
        }
        for (size_t e = 0; e < edits.size(); ++e) {
            if (editChosen[e] >= 0)
                continue;
            int i = firstFree(2);
            i = i >= 0 ? i : firstFree(1);
            i = i >= 0 ? i : !taken[static_cast<size_t>(editOwn[e])] ? editOwn[e] : firstFree(-1);
            editChosen[e] = i;
            taken[static_cast<size_t>(i)] = 1;
        }
        std::vector<int> chosen = ChooseForSurvivors(copies, survivors, own, state, place, taken);
        for (size_t e = 0; e < edits.size(); ++e)
            m_OursToBase[static_cast<size_t>(edits[e])] = copies[static_cast<size_t>(editChosen[e])];
        for (size_t s = 0; s < survivors.size(); ++s)
            m_OursToBase[static_cast<size_t>(survivors[s])] = copies[static_cast<size_t>(chosen[s])];
    }

    // A free copy that theirs edited to what ours' edit o holds (its own copy first), or -1:
    // the same edit made on both sides, which the merge then makes once.
    int EditedAlike(const std::vector<int>& copies, const std::vector<int>& state, const std::vector<char>& taken,
                    int o, int own) const
    {
        auto alike = [&](size_t i) {
            return !taken[i] && state[i] == 1 &&
                   SameContent(m_Theirs.entries[static_cast<size_t>(m_TheirsOf[static_cast<size_t>(copies[i])])],
                               m_Ours.entries[static_cast<size_t>(o)]);
        };
        if (alike(static_cast<size_t>(own)))
            return own;
        for (size_t i = 0; i < copies.size(); ++i) {
            if (alike(i))
                return static_cast<int>(i);
        }
        return -1;
    }

    // Copies that theirs edited to what an addition of ours holds are left to that addition
    // (MergePlan takes it for the same edit made on both sides) as long as the waiting
    // entries of ours still find one each: an unchanged copy or another edit that took one
    // would keep theirs' edit beside ours' alike, and which copy ours edited would hang on
    // where it put the edit.
    // Additions in the folder where theirs keeps its edit come first.
    void ReserveForAdditions(const std::vector<int>& copies, size_t waiting, const std::vector<int>& state,
                             const std::vector<int>& place, std::vector<char>& taken)
    {
        size_t spare = static_cast<size_t>(std::count(taken.begin(), taken.end(), 0));
        spare = spare > waiting ? spare - waiting : 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < copies.size() && spare; ++i) {
                if (taken[i] || state[i] != 1)
                    continue;
                const BookEntry& edit = m_Theirs.entries[static_cast<size_t>(m_TheirsOf[static_cast<size_t>(copies[i])])];
                if (m_Added.Take(0, edit, pass == 0 ? place[i] : kAnyFolder)) {
                    taken[i] = 1;
                    --spare;
                }
            }
        }
    }

    // A free copy that theirs deleted (its own first) for ours' edit o when theirs added what
    // o holds (in folder, unless kAnyFolder), or -1: theirs made that edit too, on a copy it
    // then read as deleted and the edit as an addition, and MergePlan takes the two for one
    // edit.
    int DeletedForAddition(const std::vector<int>& state, const std::vector<char>& taken, int o, int own, int folder)
    {
        int i = !taken[static_cast<size_t>(own)] && state[static_cast<size_t>(own)] == 2 ? own : -1;
        for (size_t k = 0; i < 0 && k < state.size(); ++k) {
            if (!taken[k] && state[k] == 2)
                i = static_cast<int>(k);
        }
        return i >= 0 && m_Added.Take(1, m_Ours.entries[static_cast<size_t>(o)], folder) ? i : -1;
    }

    // The folder that copy i of the group stood in in the base (-1: the top level).
    int BaseParent(const std::vector<int>& copies, int i) const { return B(copies[static_cast<size_t>(i)]).parent; }

    std::vector<int> ChooseForSurvivors(const std::vector<int>& copies, const std::vector<int>& survivors,
                                        const std::vector<int>& own, const std::vector<int>& state,
                                        const std::vector<int>& place,
                                        std::vector<char>& taken) const
    {
        std::vector<int> chosen(survivors.size(), -1);
        auto take = [&](size_t s, int i) {
            chosen[s] = i;
            taken[static_cast<size_t>(i)] = 1;
        };
        std::vector<int> oursPlace(survivors.size());
        for (size_t s = 0; s < survivors.size(); ++s)
            oursPlace[s] = ParentInBase(m_Ours, m_OursToBase, survivors[s]);
        for (size_t s = 0; s < survivors.size(); ++s) {
            size_t i = static_cast<size_t>(own[s]);
            if (!taken[i] && state[i] == 0 && place[i] == oursPlace[s] && place[i] != kNew)
                take(s, own[s]);
        }
        // Copies that theirs keeps, by the folder it keeps them in, each list in file order.
        std::unordered_map<int, std::vector<int>> keptIn;
        for (size_t i = 0; i < state.size(); ++i) {
            if (state[i] == 0 && !taken[i])
                keptIn[place[i]].push_back(static_cast<int>(i));
        }
        std::unordered_map<int, size_t> cursor;
        for (size_t s = 0; s < survivors.size(); ++s) {
            if (chosen[s] >= 0 || oursPlace[s] == kNew)
                continue;
            auto list = keptIn.find(oursPlace[s]);
            if (list == keptIn.end())
                continue;
            size_t& at = cursor[oursPlace[s]];
            while (at < list->second.size() && taken[static_cast<size_t>(list->second[at])])
                ++at;
            if (oursPlace[s] == BaseParent(copies, own[s])) {
                // A copy that ours left where it stood takes none that theirs moved in: it
                // would read as moved by ours, and ours' place would then win over where
                // theirs moved the copy it leaves.
                for (size_t k = at; k < list->second.size(); ++k) {
                    int i = list->second[k];
                    if (!taken[static_cast<size_t>(i)] && BaseParent(copies, i) == oursPlace[s]) {
                        take(s, i);
                        break;
                    }
                }
            } else if (at < list->second.size()) {
                take(s, list->second[at]);
            }
        }
        // Then its own copy when theirs keeps it, any copy that theirs keeps, its own copy,
        // and any copy left.
        for (int pass = 0; pass < 4; ++pass) {
            size_t next = 0;
            for (size_t s = 0; s < survivors.size(); ++s) {
                if (chosen[s] >= 0)
                    continue;
                size_t i = static_cast<size_t>(own[s]);
                bool ownFits = !taken[i] && (pass >= 2 || state[i] == 0);
                if ((pass == 0 || pass == 2) && ownFits) {
                    take(s, own[s]);
                    continue;
                }
                if (pass == 0 || pass == 2)
                    continue;
                while (next < state.size() && (taken[next] || (pass == 1 && state[next] != 0)))
                    ++next;
                if (next < state.size())
                    take(s, static_cast<int>(next));
            }
        }
        return chosen;
    }
};

}  // namespace

void AlignDuplicateCopies(const CBookEntries& base, const CBookEntries& ours, std::vector<int>& oursToBase,
                          const CBookEntries& theirs, const std::vector<int>& theirsToBase)
{
    CCopyAligner(base, ours, oursToBase, theirs, theirsToBase).Run();
}
