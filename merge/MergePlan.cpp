#include "merge/MergePlan.h"
#include <algorithm>

namespace {

const int kNone = -2;  // a version that lacks the folder whose children are asked for

}  // namespace

CMergePlan::CMergePlan(const CBookEntries& base, const CBookEntries& ours, const std::vector<int>& oursToBase,
                       const CBookEntries& theirs, const std::vector<int>& theirsToBase)
    : m_Base(base), m_Ours(ours), m_Theirs(theirs)
{
    TakeEntries(oursToBase, theirsToBase);
    int count = static_cast<int>(entries.size());
    for (int e = 0; e < count; ++e)
        DecideContent(e);
    m_ParentFromTheirs.assign(entries.size(), false);
    for (int e = 0; e < count; ++e)
        DecideParent(e);
    BreakCycles();
    for (size_t c = static_cast<size_t>(count); c < entries.size(); ++c)
        entries[c].parent = E(entries[c].conflictOf).parent;
    KeepAncestors();
    OrderChildren();
}

const BookEntry& CMergePlan::Content(int e) const
{
    const MergeEntry& entry = entries[static_cast<size_t>(e)];
    switch (entry.content) {
    case MergeEntry::OURS: return m_Ours.entries[static_cast<size_t>(entry.ours)];
    case MergeEntry::THEIRS: return m_Theirs.entries[static_cast<size_t>(entry.theirs)];
    default: return m_Base.entries[static_cast<size_t>(entry.base)];
    }
}

int CMergePlan::Identity(int e) const
{
    const MergeEntry& entry = entries[static_cast<size_t>(e)];
    return entry.conflicted ? -1 : entry.theirs;
}

int CMergePlan::OursParent(int o) const
{
    int parent = m_Ours.entries[static_cast<size_t>(o)].parent;
    return parent < 0 ? -1 : oursToMerged[static_cast<size_t>(parent)];
}

int CMergePlan::TheirsParent(int t) const
{
    int parent = m_Theirs.entries[static_cast<size_t>(t)].parent;
    return parent < 0 ? -1 : m_TheirsToMerged[static_cast<size_t>(parent)];
}

// One merged entry per base entry (at its index), per entry of ours that the base lacks,
// and per entry of theirs that the base lacks. An addition of theirs that equals an
// addition of ours in the same merged folder (the k-th equal one with the k-th) is the
// same entry: both sides added it, and the merge holds it once. So is an addition on one
// side that equals the other side's edit of an entry that the first side no longer has:
// both made that edit, and one of them reads as a deletion and an addition (the edit of
// both name and text, or an edit and a move at once). Each side's additions are taken for
// the other's edits first, so that neither side is read before the other.
void CMergePlan::TakeEntries(const std::vector<int>& oursToBase, const std::vector<int>& theirsToBase)
{
    entries.resize(static_cast<size_t>(m_Base.Size()));
    for (int b = 0; b < m_Base.Size(); ++b) {
        E(b).base = b;
        E(b).kind = m_Base.entries[static_cast<size_t>(b)].kind;
    }
    std::vector<int> oursAt = SideAt(m_Ours, oursToBase);
    std::vector<int> theirsAt = SideAt(m_Theirs, theirsToBase);
    m_Taken.assign(static_cast<size_t>(m_Base.Size()), 0);
    EditIndex editedByOurs;
    EditIndex editedByTheirs;
    EditedByOneSide(editedByOurs, m_Ours, oursAt, theirsAt);
    EditedByOneSide(editedByTheirs, m_Theirs, theirsAt, oursAt);
    auto addedKey = [](uint64_t key, int parent) { return key ^ (static_cast<uint64_t>(parent + 2) * 0x9E3779B97F4A7C15ull); };
    CKeyChains oursAdded;  // ours' additions by content and merged parent, in order
    oursAdded.Reset(0);
    oursToMerged.assign(static_cast<size_t>(m_Ours.Size()), -1);
    for (int o = 0; o < m_Ours.Size(); ++o) {
        const BookEntry& entry = m_Ours.entries[static_cast<size_t>(o)];
        int b = oursToBase[static_cast<size_t>(o)];
        if (b < 0 || oursAt[static_cast<size_t>(b)] != o)
            b = TakeEdit(editedByTheirs, m_Theirs, theirsAt, entry, m_Ours.Key(o));
        if (b >= 0) {
            E(b).ours = o;
            oursToMerged[static_cast<size_t>(o)] = b;
            continue;
        }
        int e = static_cast<int>(entries.size());
        entries.emplace_back();
        E(e).ours = o;
        E(e).kind = entry.kind;
        oursToMerged[static_cast<size_t>(o)] = e;
        oursAdded.Add(addedKey(m_Ours.Key(o), OursParent(o)), e);
    }
    m_TheirsToMerged.assign(static_cast<size_t>(m_Theirs.Size()), -1);
    for (int t = 0; t < m_Theirs.Size(); ++t) {
        const BookEntry& entry = m_Theirs.entries[static_cast<size_t>(t)];
        int b = theirsToBase[static_cast<size_t>(t)];
        int e = -1;
        if (b >= 0 && theirsAt[static_cast<size_t>(b)] == t) {
            e = b;
        } else {
            int parent = TheirsParent(t);
            uint64_t key = m_Theirs.Key(t);
            e = TakeEdit(editedByOurs, m_Ours, oursAt, entry, key);
            for (int link = oursAdded.Empty() ? -1 : oursAdded.First(addedKey(key, parent)); link >= 0 && e < 0;
                 link = oursAdded.Next(link)) {
                int candidate = oursAdded.Item(link);
                if (E(candidate).theirs < 0 && OursParent(E(candidate).ours) == parent &&
                    SameContent(m_Ours.entries[static_cast<size_t>(E(candidate).ours)], entry))
                    e = candidate;
            }
        }
        if (e < 0) {
            e = static_cast<int>(entries.size());
            entries.emplace_back();
            E(e).kind = entry.kind;
        }
        E(e).theirs = t;
        m_TheirsToMerged[static_cast<size_t>(t)] = e;
    }
}

// Per base entry, the entry of the side that is it (the first one of its kind), or -1.
std::vector<int> CMergePlan::SideAt(const CBookEntries& side, const std::vector<int>& toBase) const
{
    std::vector<int> at(static_cast<size_t>(m_Base.Size()), -1);
    for (int s = 0; s < side.Size(); ++s) {
        int b = toBase[static_cast<size_t>(s)];
        if (b >= 0 && at[static_cast<size_t>(b)] < 0 &&
            m_Base.entries[static_cast<size_t>(b)].kind == side.entries[static_cast<size_t>(s)].kind)
            at[static_cast<size_t>(b)] = s;
    }
    return at;
}

// The base entries that side edited and the other side no longer has, by the side's
// version, each key's list in file order.
void CMergePlan::EditedByOneSide(EditIndex& index, const CBookEntries& side, const std::vector<int>& sideAt,
                                 const std::vector<int>& otherAt) const
{
    index.Reset(0);
    for (int b = 0; b < m_Base.Size(); ++b) {
        int s = sideAt[static_cast<size_t>(b)];
        if (s < 0 || otherAt[static_cast<size_t>(b)] >= 0)
            continue;
        const BookEntry& version = side.entries[static_cast<size_t>(s)];
        if (!SameContent(version, m_Base.entries[static_cast<size_t>(b)]))
            index.Add(side.Key(s), b);
    }
}

// The first base entry of index whose edit on side equals entry (whose key is key), taken
// out of the index; -1.
int CMergePlan::TakeEdit(EditIndex& index, const CBookEntries& side, const std::vector<int>& sideAt,
                         const BookEntry& entry, uint64_t key)
{
    if (index.Empty())
        return -1;
    index.Advance(key, [this](int b) { return m_Taken[static_cast<size_t>(b)] != 0; });
    for (int link = index.First(key); link >= 0; link = index.Next(link)) {
        int b = index.Item(link);
        if (!m_Taken[static_cast<size_t>(b)] &&
            SameContent(side.entries[static_cast<size_t>(sideAt[static_cast<size_t>(b)])], entry)) {
            m_Taken[static_cast<size_t>(b)] = 1;
            return b;
        }
    }
    return -1;
}

// What an entry holds and whether the merge keeps it. An edit or a deletion on one side
// wins where the other side left the entry alone; an entry deleted on one side and edited
// on the other is kept, edited; one edited differently on both sides keeps ours' version
// and gains theirs' as a second entry beside it (the only conflict). Additions are kept.
void CMergePlan::DecideContent(int e)
{
    const BookEntry* base = E(e).base >= 0 ? &m_Base.entries[static_cast<size_t>(E(e).base)] : nullptr;
    const BookEntry* ours = E(e).ours >= 0 ? &m_Ours.entries[static_cast<size_t>(E(e).ours)] : nullptr;
    const BookEntry* theirs = E(e).theirs >= 0 ? &m_Theirs.entries[static_cast<size_t>(E(e).theirs)] : nullptr;
    MergeEntry::Content content = ours ? MergeEntry::OURS : theirs ? MergeEntry::THEIRS : MergeEntry::BASE;
    bool kept = true;
    if (base) {
        bool oursEdited = ours && !SameContent(*ours, *base);
        bool theirsEdited = theirs && !SameContent(*theirs, *base);
        if (ours && theirs) {
            if (theirsEdited && !oursEdited)
                content = MergeEntry::THEIRS;
            if (oursEdited && theirsEdited && !SameContent(*ours, *theirs)) {
                int copy = static_cast<int>(entries.size());
                entries.emplace_back();
                E(copy).conflictOf = e;
                E(copy).theirs = E(e).theirs;
                E(copy).kind = E(e).kind;
                E(copy).content = MergeEntry::THEIRS;
                E(copy).kept = true;
                E(e).conflicted = true;
                conflicts.push_back(copy);
            }
        } else {
            kept = ours ? oursEdited : theirs ? theirsEdited : false;
        }
    }
    E(e).content = content;
    E(e).kept = kept;
}

// Where an entry goes: a move on one side wins where the other side left the entry in its
// folder; moved on both sides, ours wins.
void CMergePlan::DecideParent(int e)
{
    MergeEntry& entry = E(e);
    int ours = entry.ours >= 0 ? OursParent(entry.ours) : kNone;
    int theirs = entry.theirs >= 0 ? TheirsParent(entry.theirs) : kNone;
    int base = entry.base >= 0 ? m_Base.entries[static_cast<size_t>(entry.base)].parent : kNone;
    if (ours != kNone && (ours != base || theirs == kNone || theirs == base)) {
        entry.parent = ours;
    } else if (theirs != kNone) {
        entry.parent = theirs;
        m_ParentFromTheirs[static_cast<size_t>(e)] = true;
    } else {
        entry.parent = base;
    }
}

// Moves on both sides can put two folders into each other (ours moved A into B, theirs
// B into A). Each such loop is opened by taking back a move of theirs in it.
void CMergePlan::BreakCycles()
{
    std::vector<char> state(entries.size(), 0);  // 0 unseen, 1 on the current path, 2 done
    std::vector<int> path;
    for (int e = 0; e < static_cast<int>(entries.size()); ++e) {
        for (;;) {
            path.clear();
            int x = e;
            while (x >= 0 && state[static_cast<size_t>(x)] == 0) {
                state[static_cast<size_t>(x)] = 1;
                path.push_back(x);
                x = E(x).parent;
            }
            if (x < 0 || state[static_cast<size_t>(x)] == 2) {
                for (int p : path)
                    state[static_cast<size_t>(p)] = 2;
                break;
            }
            auto loop = std::find(path.begin(), path.end(), x);
            auto undo = std::find_if(loop, path.end(), [this](int p) {
                return m_ParentFromTheirs[static_cast<size_t>(p)] && E(p).ours >= 0;
            });
            if (undo != path.end()) {
                E(*undo).parent = OursParent(E(*undo).ours);
                m_ParentFromTheirs[static_cast<size_t>(*undo)] = false;
            } else {
                E(*loop).parent = -1;
            }
            for (int p : path)
                state[static_cast<size_t>(p)] = 0;
        }
    }
}

// A folder that one side deleted stays when the merge keeps something inside it.
void CMergePlan::KeepAncestors()
{
    for (size_t e = 0; e < entries.size(); ++e) {
        if (!entries[e].kept)
            continue;
        for (int up = entries[e].parent; up >= 0 && !E(up).kept; up = E(up).parent)
            E(up).kept = true;
    }
}

void CMergePlan::OrderChildren()
{
    size_t count = entries.size();
    std::vector<int> start(count + 2, 0);
    for (const MergeEntry& entry : entries) {
        if (entry.kept)
            ++start[Slot(entry.parent) + 1];
    }
    for (size_t s = 1; s < start.size(); ++s)
        start[s] += start[s - 1];
    std::vector<int> kept(static_cast<size_t>(start.back()));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (size_t e = 0; e < count; ++e) {
        if (entries[e].kept)
            kept[static_cast<size_t>(fill[Slot(entries[e].parent)]++)] = static_cast<int>(e);
    }
    m_Range.assign(count + 1, {0, 0});
    m_Mark.assign(count, 0);
    m_Order.reserve(kept.size());
    std::vector<int> next(count, -1);
    std::vector<int> prev(count, -1);
    std::vector<char> placed(count, 0);
    std::vector<int> level;
    for (int parent = -1; parent < static_cast<int>(count); ++parent) {
        if (parent >= 0 && (!E(parent).kept || E(parent).kind != ADT_FOLDER))
            continue;
        level.assign(kept.begin() + start[Slot(parent)], kept.begin() + start[Slot(parent) + 1]);
        OrderLevel(parent, level, next, prev, placed);
    }
}

// The merged children of one folder in their order. The list of the side that reordered
// the folder's entries (ours when neither or both did) gives the order; each entry that
// only the other side's list has goes just after the entry before it in that list (the
// first one just before the first entry after it that is placed), and, when neither side
// reordered, past entries it stood after (or before) in the base. Theirs' version of a
// conflict goes just after ours'.
void CMergePlan::OrderLevel(int parent, const std::vector<int>& kept, std::vector<int>& next,
                            std::vector<int>& prev, std::vector<char>& placed)
{
    int oursFolder = parent < 0 ? -1 : E(parent).ours >= 0 ? E(parent).ours : kNone;
    int theirsFolder = parent < 0 ? -1 : E(parent).theirs >= 0 ? E(parent).theirs : kNone;
    std::vector<int> ours = Sequence(m_Ours, oursFolder, oursToMerged, parent);
    std::vector<int> theirs = Sequence(m_Theirs, theirsFolder, m_TheirsToMerged, parent);
    bool oursReordered = Reordered(ours, parent);
    bool theirsReordered = Reordered(theirs, parent);
    bool oursFirst = oursReordered || !theirsReordered;
    bool byBase = !oursReordered && !theirsReordered;
    const std::vector<int>& primary = oursFirst ? ours : theirs;
    const std::vector<int>& secondary = oursFirst ? theirs : ours;

    int head = -1;
    int tail = -1;
    auto link = [&](int x, int after) {  // after -1: at the front
        int following = after < 0 ? head : next[static_cast<size_t>(after)];
        prev[static_cast<size_t>(x)] = after;
        next[static_cast<size_t>(x)] = following;
        (after < 0 ? head : next[static_cast<size_t>(after)]) = x;
        (following < 0 ? tail : prev[static_cast<size_t>(following)]) = x;
        placed[static_cast<size_t>(x)] = 1;
    };
    auto following = [&](int at) { return at < 0 ? head : next[static_cast<size_t>(at)]; };
    for (int x : primary)
        link(x, tail);
    for (int x : secondary)
        m_Mark[static_cast<size_t>(x)] = 1;
    int last = -1;  // the secondary list's entry before the next one, once placed
    for (int x : secondary) {
        if (!placed[static_cast<size_t>(x)]) {
            int base = byBase ? E(x).base : -1;
            int at = last;
            if (last < 0) {
                // The list's first entry goes just before the first of the list that is
                // placed, back past entries that stood after it in the base.
                auto known = std::find_if(secondary.begin(), secondary.end(),
                                          [&](int y) { return placed[static_cast<size_t>(y)] != 0; });
                at = known == secondary.end() ? tail : prev[static_cast<size_t>(*known)];
                while (base >= 0 && at >= 0 && !m_Mark[static_cast<size_t>(at)] && E(at).base > base)
                    at = prev[static_cast<size_t>(at)];
            } else {
                // Any other goes just after the entry before it, on past entries that stood
                // before it in the base (with the additions that follow those).
                bool passed = false;
                for (int z = following(at); base >= 0 && z >= 0 && !m_Mark[static_cast<size_t>(z)]; z = following(at)) {
                    int zBase = E(z).base;
                    if (zBase >= 0 ? zBase > base : !passed)
                        break;
                    passed = passed || zBase >= 0;
                    at = z;
                }
            }
            link(x, at);
        }
        last = x;
    }
    for (int x : secondary)
        m_Mark[static_cast<size_t>(x)] = 0;
    for (int x : kept) {
        if (!placed[static_cast<size_t>(x)] && E(x).conflictOf >= 0 && placed[static_cast<size_t>(E(x).conflictOf)])
            link(x, E(x).conflictOf);
    }
    for (int x : kept) {
        if (!placed[static_cast<size_t>(x)])
            link(x, tail);
    }
    std::pair<int, int>& range = m_Range[Slot(parent)];
    range.first = static_cast<int>(m_Order.size());
    for (int x = head; x >= 0; x = next[static_cast<size_t>(x)])
        m_Order.push_back(x);
    range.second = static_cast<int>(m_Order.size());
}

// A side's children of its version of the folder that the merge keeps there, in its order.
std::vector<int> CMergePlan::Sequence(const CBookEntries& side, int sideParent, const std::vector<int>& toMerged,
                                      int parent) const
{
    std::vector<int> sequence;
    if (sideParent == kNone)
        return sequence;
    for (const int* child = side.ChildrenBegin(sideParent); child != side.ChildrenEnd(sideParent); ++child) {
        int e = toMerged[static_cast<size_t>(*child)];
        if (e >= 0 && entries[static_cast<size_t>(e)].kept && entries[static_cast<size_t>(e)].parent == parent)
            sequence.push_back(e);
    }
    return sequence;
}

// The side put entries that stood in this folder in the base in another order.
bool CMergePlan::Reordered(const std::vector<int>& sequence, int parent) const
{
    int baseFolder = parent < 0 ? -1 : entries[static_cast<size_t>(parent)].base;
    if (parent >= 0 && baseFolder < 0)
        return false;
    int last = -1;
    for (int e : sequence) {
        int base = entries[static_cast<size_t>(e)].base;
        if (base < 0 || m_Base.entries[static_cast<size_t>(base)].parent != baseFolder)
            continue;
        if (base < last)
            return true;
        last = base;
    }
    return false;
}
