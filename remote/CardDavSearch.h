// Completion's live search of a CardDAV address book (http:// and https:// book URLs): an
// addressbook-query REPORT with text-match on FN and EMAIL for a typed text, through the
// update's web client (its checks, limits and logins); at most a few cards are kept. A
// URL that names no address book (a plain file) answers with nothing, not a failure.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "exchange/Contact.h"
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

FetchStatus SearchCardDav(const BookUrl& url, const std::string& bookName, const std::string& typed, size_t limit,
                          IFetchHost& host, std::vector<Contact>& found);
