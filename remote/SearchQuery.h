// The questions that completion's live search asks a server for a typed text (UTF-8): an
// LDAP filter (RFC 4515, the text escaped) for names, name words and mail addresses that
// start with it, within the book URL's own filter; and a CardDAV addressbook-query REPORT
// (RFC 6352 section 8.6) with text-match on FN and EMAIL, the text escaped for XML.
#pragma once
#include <cstddef>
#include <string>

namespace SearchQuery {

// The text as an LDAP assertion value: "*", "(", ")", "\" and NUL as "\2a" and so on.
std::string LdapEscape(const std::string& text);

// (&<filter>(|(displayName=t*)(displayName=* t*)(cn=t*)(cn=* t*)(mail=t*)(mail=*@t*)))
std::string LdapFilter(const std::string& urlFilter, const std::string& typed);

// The REPORT body asking for at most limit cards.
std::string CardDavQuery(const std::string& typed, size_t limit);

}  // namespace SearchQuery
