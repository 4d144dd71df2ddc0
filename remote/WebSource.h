// Fetches a book from a web server (http:// and https:// URLs): a CardDAV address book
// collection, found by a PROPFIND and read whole with an address book query REPORT, or a
// single vCard, CSV or AL-MAIL file read with a GET. A vCard or CSV file and the cards of
// a collection are read by the exchange code's reader, as the import reads them.
#pragma once
#include <string>
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchedBook.h"

void FetchWeb(const BookUrl& url, const std::string& bookName, IFetchHost& host, FetchedBook& out);
