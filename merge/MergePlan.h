// The three-way merge of a book as a plan: from the base, this run's version ("ours") and
// the version someone else wrote ("theirs"), which entries the merged book holds, with what
// name and text, under which folder and in which order. MergeBook makes the plan and then
// brings the book in memory to it (CMergeApplier); the plan itself touches no node.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>
#include "merge/BookEntries.h"
#include "merge/KeyChains.h"

struct MergeEntry {
    enum Content : unsigned char { BASE, OURS, THEIRS };
    int base = -1;    // the entry in each version, -1 where that version lacks it
    int ours = -1;
    int theirs = -1;
    int conflictOf = -1;  // this is theirs' version (theirs) of that entry, kept beside it
    int parent = -1;      // merged parent; -1 for the book's top level
    unsigned char kind = 0;
    Content content = BASE;  // the version whose name and text the merged entry holds
    bool kept = false;
    bool conflicted = false;  // edited differently on both sides: theirs' version stands beside
};

class CMergePlan {
public:
    // oursToBase and theirsToBase name, for each entry of ours and theirs, the base entry
    // it is (-1: added). The views of all three must outlive the plan.
    CMergePlan(const CBookEntries& base, const CBookEntries& ours, const std::vector<int>& oursToBase,
               const CBookEntries& theirs, const std::vector<int>& theirsToBase);

    std::vector<MergeEntry> entries;  // base entries first, at their base index
    std::vector<int> oursToMerged;
    std::vector<int> conflicts;       // theirs' versions of entries edited differently on both sides

    // The name and text a merged entry holds.
    const BookEntry& Content(int e) const;
    // The entry of theirs that a merged entry is, so in the merged file's base (-1: none).
    int Identity(int e) const;

    // The merged children of a kept folder (-1: the book's top level), in their order.
    const int* ChildrenBegin(int parent) const { return m_Order.data() + m_Range[Slot(parent)].first; }
    const int* ChildrenEnd(int parent) const { return m_Order.data() + m_Range[Slot(parent)].second; }
    // The merged entry of the parent of ours' entry o (-1: the top level).
    int OursParent(int o) const;

private:
    const CBookEntries& m_Base;
    const CBookEntries& m_Ours;
    const CBookEntries& m_Theirs;
    std::vector<int> m_TheirsToMerged;
    std::vector<bool> m_ParentFromTheirs;
    std::vector<int> m_Order;                    // children of every kept folder, folder by folder
    std::vector<std::pair<int, int>> m_Range;   // per slot (entry + 1): its range in m_Order
    std::vector<char> m_Mark;                    // entries of the side list being placed

    static size_t Slot(int parent) { return static_cast<size_t>(parent + 1); }
    MergeEntry& E(int e) { return entries[static_cast<size_t>(e)]; }
    int TheirsParent(int t) const;

    // Base entries that one side edited, by the key of the side's version, in file order.
    using EditIndex = CKeyChains;
    std::vector<char> m_Taken;  // per base entry: taken out of its edit index
    void TakeEntries(const std::vector<int>& oursToBase, const std::vector<int>& theirsToBase);
    std::vector<int> SideAt(const CBookEntries& side, const std::vector<int>& toBase) const;
    void EditedByOneSide(EditIndex& index, const CBookEntries& side, const std::vector<int>& sideAt,
                         const std::vector<int>& otherAt) const;
    int TakeEdit(EditIndex& index, const CBookEntries& side, const std::vector<int>& sideAt, const BookEntry& entry,
                 uint64_t key);
    void DecideContent(int e);
    void DecideParent(int e);
    void BreakCycles();
    void KeepAncestors();
    void OrderChildren();
    void OrderLevel(int parent, const std::vector<int>& kept, std::vector<int>& next, std::vector<int>& prev,
                    std::vector<char>& placed);
    std::vector<int> Sequence(const CBookEntries& side, int sideParent, const std::vector<int>& toMerged,
                              int parent) const;
    bool Reordered(const std::vector<int>& sequence, int parent) const;
};
