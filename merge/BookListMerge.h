// The list of books in the settings file as entries, and the three-way merge that keeps
// the books another process added or kept while this run had the list. The book registry
// uses it before it writes the list: a book that either side added is kept, a book that
// one side deleted and the other left alone goes.
#pragma once
#include <string>
#include <vector>
#include "store/AddrData.h"

struct BookListEntry {
    std::string type;  // "local", or anything else for a global book
    std::string name;
    std::string path;  // the file of a local book, the URL of a global one
    std::string key;   // who the entry is: equal keys are one book (the registry forms them)
    ADTDATA* pBook = nullptr;  // the store's book of the entry, when it has one
    bool bChanged = false;     // this side changed the book's addresses since base
};

using BookList = std::vector<BookListEntry>;

// The list that both base (the list as this run last read or wrote it) and theirs (the
// list in the file now) turn into when this run's changes (ours) are applied:
// - an entry of ours stays, unless theirs deleted it and ours left it as it was in base
//   and did not change its addresses;
// - an entry that theirs added stays, after the entry it follows in theirs;
// - an entry that ours deleted stays deleted, unless theirs changed its addresses: then it
//   comes back, where theirs has it;
// - a name that only theirs changed takes theirs.
// An addition to a book thus wins over the deletion of the book, as an addition to a folder
// wins over the deletion of the folder. The order is ours, with theirs' additions in
// between. Within each list the first of two equal keys counts. revived (when given)
// receives the entries kept or brought back against a deletion: ours' (with their book) and
// theirs' (without).
BookList MergeBookLists(const BookList& base, const BookList& ours, const BookList& theirs,
                        BookList* revived = nullptr);
