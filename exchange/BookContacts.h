// The contacts of a book for the export to vCard and CSV, in UTF-8 and in the book's
// order, each with its folder path. An address node with one mail address is a person;
// neighbouring nodes of one folder with the same name and different addresses (as the
// import makes them of one person) are one person with several addresses. A list node
// (its text lists addresses with ",", even one) is a group. An address node without a
// mail address has no contact and is counted as left out, and so is a folder with no
// contact below it, which vCard and CSV have no place for.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "store/AddrData.h"
#include "exchange/Contact.h"
#include "exchange/ContactView.h"

// What the export of a book wrote and left out, for its summary.
struct ExportCounts {
    int addresses = 0;       // address nodes written (a group counts once)
    int contacts = 0;
    int groups = 0;
    int withoutAddress = 0;  // address nodes without a mail address, not written
    int memberNames = 0;     // names of list members that the format had no place for
    // Folders with nothing written below them, as "Folder/Inner" in Shift-JIS.
    std::vector<std::string> emptyFolders;
};

// Calls visit with each contact of book in order, as views valid during the call (of the
// nodes' texts, or of converted copies whose room is used again for the next contact), so
// a book of any size costs a contact at a time.
void ForEachContact(const ADTDATA* book, const std::function<void(const ContactView&)>& visit, ExportCounts& counts);

// Every contact of book at once.
ContactList ContactsOfBook(const ADTDATA* book);

enum class ExportFormat { VCard, Csv };

// The bytes of book as a vCard or CSV file, written a contact at a time, and the counts
// of what was written and left out.
std::string ExportBook(const ADTDATA* book, ExportFormat format, ExportCounts& counts);
// The same bytes written to file as they are made, in pieces of 256 KB, so that a book of
// any size takes that much room (and the bytes are still in the cache when they are
// written); false when a write comes up short.
bool ExportBook(const ADTDATA* book, ExportFormat format, ExportCounts& counts, FILE* file);
