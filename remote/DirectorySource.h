// Fetches the people of an LDAP directory (ldap:// and ldaps:// URLs) through the
// system's LDAP client, wldap32: the URL's search, in pages so that a directory larger
// than the server's size limit comes whole, each entry read as it arrives so that a
// cancel, a silent server and an endless answer are noticed at once.
#pragma once
#include <string>
#include "exchange/Contact.h"
#include "remote/BookUrl.h"
#include "remote/FetchHost.h"
#include "remote/FetchStatus.h"

// The contacts of the directory's entries (ContactsOfEntry), in the order they came.
FetchStatus FetchDirectory(const BookUrl& url, const std::string& bookName, IFetchHost& host, ContactList& contacts);
