// Merging a local book with its file when someone else changed the file since this run
// last read or wrote it (another EdMax window, another person on a shared folder, another
// program). The book registry calls MergeBook at save when the file no longer holds the
// book's base, then writes the merged book as usual.
#pragma once
#include <string>
#include <vector>
#include "store/AddrBook.h"
#include "merge/BookBase.h"

// An entry edited differently on both sides: both versions are in the book, side by side.
struct MergeConflict {
    std::string strFolder;  // the folders above it, "Friends/Work"; empty at the book's top
    std::string strOurs;    // this run's version, as the tree shows it
    std::string strTheirs;  // the other version, just after it
};

// What a merge brought into the book from the file.
struct MergeReport {
    int nAdded = 0;    // entries added elsewhere, now in the book
    int nDeleted = 0;  // entries deleted elsewhere that this run had left alone
    int nEdited = 0;   // entries renamed or changed elsewhere
    int nMoved = 0;    // entries moved or reordered elsewhere
    std::vector<MergeConflict> conflicts;

    // The book in memory changed (the file held something this run did not have).
    bool Changed() const { return nAdded || nDeleted || nEdited || nMoved || !conflicts.empty(); }
    // A short message for the user, naming the book: what was merged, and each entry that
    // now stands twice because it was edited on both sides.
    std::string Describe(const std::string& bookName) const;
};

// Brings book (this run's version, "ours") in place to the three-way merge of base, ours
// and theirs (the bytes the book's file holds now), through the store's operations: an
// attached view follows, and items the merge does not change keep their handles.
//   - additions on either side are kept, where their neighbours put them;
//   - a deletion or edit on one side of an entry the other side left alone wins;
//   - an entry deleted on one side and edited on the other is kept, edited;
//   - an entry edited differently on both sides keeps both versions, ours first (the
//     only conflict, reported); nothing is ever dropped;
//   - a folder deleted on one side keeps what the other side put into it;
//   - moves and reorders on one side are applied (moved on both sides: ours wins).
// Both sides' entries are known by EntryMatch's rule, the runs that no side changed by
// their places as well (never by the nodes' ids, which the file's side lacks), and copies of an address that stands more than once are lined up
// so that both sides agree which is which (AlignDuplicateCopies): nothing is lost that one
// side did not delete, a change made on both sides is made once, and merging ours into
// theirs gives the same addresses as theirs into ours. With no change on one side the
// result is exactly the other side. Afterwards theirs is the base
// (what the file holds) and the nodes carry its ids, so that if the write of the merged
// book fails, the next save merges against what is really in the file.
MergeReport MergeBook(CAddrBook& store, ADTDATA* book, CBookBase& base, std::string theirs);
