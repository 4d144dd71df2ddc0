// Runs of addresses that a merge leaves as they are: the same in the base, in theirs and in
// this run's book, in the same folder and order. MergeBook takes each run out of the three
// versions, where it stands as one entry, so that the merge works in proportion to what
// changed rather than to the size of the book.
#pragma once
#include <vector>
#include "store/AddrBook.h"
#include "merge/BookBase.h"
#include "merge/BookEntries.h"

class CStableRuns {
public:
    // The kind of an entry that stands for a run (no node kind).
    static const unsigned char kRunKind = 5;

    // base: the book's base; theirs: the bytes its file holds now, as the base the merge
    // will leave. The book's nodes and theirs' entries are both found in the base by their
    // places, so the runs are the same whichever side is in memory. Every node that stands where theirs has its entry takes that entry's id
    // in theirs at once (the merge gives the others theirs when it is done), so a run's
    // nodes after its first need no second visit.
    CStableRuns(const CBookBase& base, const CBookBase& theirs, ADTDATA* book);

    // The three versions with each run as one entry (its name spans the run's lines in the
    // base's bytes, so each version's run entry holds the same text).
    CBookEntries base;
    CBookEntries theirs;
    CBookEntries ours;
    std::vector<int> oursToBase;    // per entry of ours: its base entry, -1 for an addition
    std::vector<int> runPairs;      // per entry of theirs: its base entry when it is a run or a
                                    // folder above one, else -1
    std::vector<int> oursRunPairs;  // the same per entry of ours
    std::vector<ADTDATA*> firstNodes;  // per entry of ours: its node, a run's first node
    std::vector<ADTDATA*> lastNodes;   // per entry of ours: its node, a run's last node
    std::vector<int> theirsFirst;      // per entry of theirs: its (first) entry in the whole theirs

private:
    CBookEntries m_Base;    // the whole versions, read from their bytes
    CBookEntries m_Theirs;
    struct OursNode {
        ADTDATA* node;
        int parent;      // its parent's index in m_Ours, -1 for the book
        int base;        // the base entry its id names, -1 for none
        bool unchanged;  // it holds its base entry's name and text
    };
    std::vector<OursNode> m_Ours;  // the book's nodes in pre-order
    std::vector<uint64_t> m_OursKeys;  // per node: its EntryKey | 1 once worked out, else 0
                                       // (empty until the versions first part)
    std::vector<int> m_OursOf;      // per base entry: the node that is it, -1 for none
    std::vector<int> m_TheirsOf;    // per base entry: the entry of theirs aligned with it
    std::vector<int> m_BaseOfTheirs;
    std::vector<int> m_RunEnd;      // per base entry that opens a run: one past its last entry
    std::vector<char> m_Pinned;     // per base entry: a folder above a run

    void TakeOurs(ADTDATA* book, const CBookBase& theirsIds);
    uint64_t KeyOfOurs(int o);
    void AlignTheirs();
    bool Aligned(int b, int t) const;
    int BaseParent(int b) const { return m_Base.entries[static_cast<size_t>(b)].parent; }
    bool Stable(int b) const;
    bool FindRuns();
    void TakeWhole(std::vector<int>& baseIndex);
    void BuildBase(std::vector<int>& baseIndex);
    void BuildTheirs(const std::vector<int>& baseIndex);
    void BuildOurs(const std::vector<int>& baseIndex);
    std::string_view RunText(int first) const;
};
