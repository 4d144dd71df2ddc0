// The contacts of a book for the export to vCard and CSV, in UTF-8 and in the book's
// order, each with its folder path. An address node with one mail address is a person;
// neighbouring nodes of one folder with the same name and different addresses (as the
// import makes them of one person) are one person with several addresses. A list node
// (several addresses) is a group. An address node without a mail address has no contact
// and is counted as left out.
#pragma once
#include "store/AddrData.h"
#include "exchange/Contact.h"

ContactList ContactsOfBook(const ADTDATA* book);
