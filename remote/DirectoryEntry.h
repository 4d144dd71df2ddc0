// One person of an LDAP directory as the book shows it: named by displayName, else cn,
// one address node per mail value, in the folders of the entry's ou path below the
// search's base ("uid=x,ou=営業部,ou=本社,dc=example" under "dc=example" is 本社/営業部).
// UTF-8 throughout; the directory fetch turns each entry into contacts with this.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"

struct DirectoryEntry {
    std::string dn;
    std::vector<std::string> displayNames;
    std::vector<std::string> commonNames;
    std::vector<std::string> mails;
};

// The attribute-value pairs of a distinguished name (RFC 4514), one entry per RDN, from
// the entry itself up to the root; a multi-valued RDN ("cn=a+uid=b") gives its first pair.
// Escapes are decoded. False when the text is no distinguished name.
struct Rdn {
    std::string type;   // lower case
    std::string value;
};
bool ParseDn(const std::string& dn, std::vector<Rdn>& rdns);

// The folder path of an entry below base: the values of its "ou" RDNs, outermost first.
// Empty when the entry does not lie below base.
std::vector<std::string> FoldersBelow(const std::string& dn, const std::string& base);

// The entry's contacts, one per mail value (none without one), each with the entry's name
// and folders.
std::vector<Contact> ContactsOfEntry(const DirectoryEntry& entry, const std::string& base);
