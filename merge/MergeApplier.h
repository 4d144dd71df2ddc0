// Brings a book in memory to a merge plan in place, through the store's own operations, so
// that an attached view follows item by item: only entries that the merge changes are
// touched (relabelled, re-keyed, moved, added or deleted), and every other item keeps its
// handle, so its selection, expansion and scroll position stay as they were.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "store/AddrBook.h"
#include "merge/MergePlan.h"

struct MergeCounts {
    int added = 0;    // entries only theirs had, now in the book
    int deleted = 0;  // entries of the book that theirs deleted
    int edited = 0;   // entries relabelled with theirs' name or text
    int moved = 0;    // entries put into another folder or place as theirs has them
};

class CMergeApplier {
public:
    // nodes and lastNodes: the node of each entry of ours (the plan's ours, taken from book),
    // or the first and the last of the run of nodes that the entry stands for.
    CMergeApplier(CAddrBook& store, ADTDATA* book, const CMergePlan& plan, const std::vector<ADTDATA*>& nodes,
                  const std::vector<ADTDATA*>& lastNodes);

    MergeCounts Apply();
    // The node of a kept merged entry once Apply has run (none where it could not be made).
    ADTDATA* NodeOf(int e) const { return m_Nodes[static_cast<size_t>(e)]; }
    ADTDATA* LastNodeOf(int e) const { return m_Last[static_cast<size_t>(e)]; }

private:
    CAddrBook& m_Store;
    ADTDATA* m_pBook;
    const CMergePlan& m_Plan;
    const std::vector<ADTDATA*>& m_OursNodes;
    const std::vector<ADTDATA*>& m_OursLastNodes;
    std::vector<ADTDATA*> m_Nodes;  // per merged entry (the first node of a run)
    std::vector<ADTDATA*> m_Last;   // per merged entry: its last node
    std::vector<int> m_Position;    // per merged entry: its place in its folder's new list
    std::vector<char> m_Stays;      // per merged entry: its node keeps its place in the list
    MergeCounts m_Counts;
    std::string m_Text[2];  // texts handed to the store, each with its terminating zero

    const MergeEntry& Entry(int e) const { return m_Plan.entries[static_cast<size_t>(e)]; }
    // While a list is placed, the nBaseId of each node in it holds its merged entry + 1.
    int EntryOfNode(const ADTDATA* node) const { return static_cast<int>(node->nBaseId) - 1; }

    void TakeOutMoved();
    void DeleteDropped();
    void Relabel(int e);
    void PlaceChildren(int parent, std::vector<int>& folders);
    bool StandsAsPlanned(ADTDATA* container, const int* begin, const int* end, std::vector<int>& folders);
    void Relink(int e, ADTDATA* target, int mode);
    ADTDATA* MakeNode(int e, ADTDATA* target, int mode);
    void KeepKeysIncreasing(ADTDATA* node);
    // text with a terminating zero, in buffer which (0 or 1), valid until its next use.
    const char* Terminated(std::string_view text, int which = 0);
};
