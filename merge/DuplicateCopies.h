// Copies of one address (the same name and text, in one folder or in several) differ only
// in where they stand. This run knows its copies by their nodes' ids, the other writer's
// are known by their places in its file, so the two sides may name different copies for
// what is the same change ("one Taro deleted", "one Taro dragged into Friends"). MergeBook
// lets this run's unchanged copies take, among the base's copies, the ones the other side
// kept, and where it could, the ones it keeps in the same folder: both sides then agree
// which copy is which, and a change made on both sides is made once.
#pragma once
#include <vector>
#include "merge/BookEntries.h"

// oursToBase: per entry of ours, its base entry (-1: added); changed in place for ours'
// unchanged copies of addresses that stand more than once in the base. theirsToBase: the
// same for theirs (EntryMatch's answer). All three versions linked.
void AlignDuplicateCopies(const CBookEntries& base, const CBookEntries& ours, std::vector<int>& oursToBase,
                          const CBookEntries& theirs, const std::vector<int>& theirsToBase);
