// The WebDAV answers of a CardDAV server (a multistatus, RFC 4918 and RFC 6352) as the
// update reads them: whether a collection is an address book, and the vCards that an
// address book query returned. Elements are matched by namespace and local name, whatever
// prefixes the server chose. A document type declaration is refused, so no entity of a
// server's making is ever expanded.
#pragma once
#include <string>
#include <vector>

namespace DavXml {

// False when xml is not well-formed. What the resourcetype elements hold: WebDAV's
// collection element, CardDAV's addressbook element.
bool ReadResourceType(const std::string& xml, bool& isCollection, bool& isAddressBook);

// False when xml is not well-formed; cards gets the text of every address-data element
// (a vCard each), in document order.
bool ReadAddressData(const std::string& xml, std::vector<std::string>& cards);

}  // namespace DavXml
