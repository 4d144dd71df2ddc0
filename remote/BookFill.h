// Puts what the update fetched into its global book, on the window's thread: the book's
// old contents go, whatever they were (the context menu's additions of this run too), and
// the fetched ones take their place, converted to Shift-JIS as the import converts them.
#pragma once
#include "remote/FetchedBook.h"
#include "store/AddrBook.h"

struct FillCount {
    int added = 0;      // address nodes in the book afterwards
    int replaced = 0;   // characters that became "?"
};

FillCount FillGlobalBook(CAddrBook& store, ADTDATA* book, const FetchedBook& fetched);
