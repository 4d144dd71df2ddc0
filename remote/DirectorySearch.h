// Completion's live search of an LDAP directory (ldap:// and ldaps:// book URLs): the
// people below the URL's base whose name, a word of it, or mail address starts with a
// typed text, at most a few of them, through the system's LDAP client. It connects as the
// update does (the server and its certificate checked first), anonymously and then with
// credentials from the store; it never prompts (the host declines).
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "exchange/Contact.h"
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

FetchStatus SearchDirectory(const BookUrl& url, const std::string& bookName, const std::string& typed, size_t limit,
                            IFetchHost& host, std::vector<Contact>& found);
