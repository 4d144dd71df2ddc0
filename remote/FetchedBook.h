// What the update fetched for one global book: its contacts (a directory, a CardDAV
// address book, a vCard or CSV file) or the text of an AL-MAIL address file, which the
// address-file reader reads. Made on the worker thread, put into the book on the window's.
#pragma once
#include <string>
#include "exchange/Contact.h"
#include "exchange/ImportFormat.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

struct FetchedBook {
    FetchStatus status;
    ContactList contacts;
    bool bAddressFile = false;
    std::string addressFile;  // Shift-JIS, as the file holds it
};

// The contents of a file's bytes, read as the import reads a file: by what they hold. path
// is the file's name (an address file, ".adr", may be empty; a vCard or CSV file may not),
// source names where the bytes came from in a message. False, with the cause in
// out.status, when they hold no address book: a web page, junk, an empty file of a form
// that has a content, a CSV file without a known header.
bool ContentsFromBytes(const std::string& bytes, const std::string& path, const std::string& source, IFetchHost& host,
                       FetchedBook& out);

// The contacts of a vCard or CSV text, read until the user cancels (then out.status says so).
void ReadFetchedContacts(const std::string& bytes, ImportFormat format, IFetchHost& host, FetchedBook& out);
