// The WebDAV answers of a CardDAV server (a multistatus, RFC 4918 and RFC 6352) as the
// update reads them: whether a collection is an address book, and the vCards that an
// address book query returned. Elements are matched by namespace and local name, whatever
// prefixes the server chose. A document type declaration is refused, so no entity of a
// server's making is ever expanded. The work is linear in the answer's size: nesting
// deeper than any DAV answer goes is refused, and a cancel is seen while reading.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace DavXml {

enum class Outcome {
    Read,            // a well-formed multistatus
    NotMultistatus,  // well-formed XML of another kind
    Malformed,       // not well-formed, nested too deep, or with a document type
    Cancelled,
};

// How deep elements may nest.
const int kMaxDepth = 256;

// Asked now and then while reading; true ends the reading as Cancelled.
using CancelCheck = std::function<bool()>;

// What the resourcetype elements hold: WebDAV's collection element, CardDAV's addressbook
// element.
Outcome ReadResourceType(const std::string& xml, bool& isCollection, bool& isAddressBook,
                         const CancelCheck& cancelled = CancelCheck());

// cards gets the text of every address-data element (a vCard each), in document order.
Outcome ReadAddressData(const std::string& xml, std::vector<std::string>& cards,
                        const CancelCheck& cancelled = CancelCheck());

}  // namespace DavXml
