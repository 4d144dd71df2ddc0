// The book list of the address and folder dialogs: a drop-down list of the local books'
// names in store order, and the choice of a book in it by name.
#pragma once
#include <windows.h>
#include <string>
#include "store/AddrBook.h"

// Adds the name of every local book of the store, in store order; global books are not
// offered.
void FillLocalBooks(HWND list, const CAddrBook& store);

// Selects the item named exactly name; when there is none, the first item that begins
// with name, as the list's own case-insensitive search finds it. When no item begins with
// name the selection stays as it is.
void SelectBookByName(HWND list, const char* name);

// The selected item's text into name; false (name untouched) when nothing is selected.
bool GetSelectedBook(HWND list, std::string& name);
