// Which entry of a book's base each entry of another version of the book stands for. The
// address file carries no ids, so the merge finds the entries of a file changed by someone
// else ("theirs") in the base by what they hold and where they stand.
#pragma once
#include <cstdint>
#include <vector>
#include "merge/BookEntries.h"
#include "merge/KeyChains.h"

// The indexes a matching builds, kept for their room: the matchings of one merge share
// them, so that the tables of a long book are made (and their memory first touched) once.
struct MatchRoom {
    CKeyChains equal;   // rule 1's equal entries
    CKeyChains moved;   // rule 2's left-overs
    CKeyChains byName;  // rule 3's left-overs of a gap by name
    CKeyChains byText;  // and by text
    std::vector<uint64_t> listKeys[2];  // the keys of two lists side by side
};

// For each entry of other (both linked: CBookEntries::Link), the index of the base entry it is, or -1 for an entry that the
// base does not have (an addition). The rule, in the order it is applied:
//
//  1. Place, name and text. Within a folder that stands for a base folder (the book's top
//     level to begin with), an entry is the base entry of the same kind, name and address
//     text. Equal addresses pair up in their order, as a comparison of two versions of a
//     text pairs their lines: along the runs where the lists agree, resuming a few entries
//     on where they part; then the k-th remaining equal one of other with the k-th of the
//     base ("position among equal neighbours"). Of several folders with one name, each
//     goes with the one that shares the most contents with it.
//  2. Move. An entry still left over is a left-over base entry of the same kind, name and
//     text anywhere in the book, moved there (folders first, in file order, so that a
//     moved folder takes its contents along).
//  3. Edit in place. An entry still left over is the edit of a left-over base entry of the
//     same kind that stood between the same paired neighbours, when it keeps that entry's
//     name or its address text; a folder there is the same folder renamed, and its
//     contents are then matched below it by the same rules.
//
// Whatever remains is an addition of other, and base entries that nothing stands for are
// its deletions. An entry that is edited and moved at once, or whose name and text both
// change, reads as a deletion and an addition: the merge then keeps both where the other
// side edited the old one, so nothing is lost by a wrong guess. Pairs known beforehand
// (paired: per entry of other, its base entry or -1) are taken as they are. room: the
// indexes to build in (none: the matching's own).
std::vector<int> MatchEntries(const CBookEntries& base, const CBookEntries& other,
                              const std::vector<int>* paired = nullptr, MatchRoom* room = nullptr);
