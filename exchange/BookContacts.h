// The contacts of a book for the export to vCard and CSV: each address node with its
// name, its mail addresses and its folder path, in UTF-8 and in the book's order. An
// address node without a mail address has no contact and is counted as left out.
#pragma once
#include "store/AddrData.h"
#include "exchange/Contact.h"

ContactList ContactsOfBook(const ADTDATA* book);
