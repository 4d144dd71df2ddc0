// Writes contacts as a vCard 3.0 file in UTF-8. A person's card holds FN with the name, N
// with the family and given name where the name shows them (else empty, as the name alone
// is in FN), one EMAIL per address in the book's order, and CATEGORIES with the folder
// path. A group (a list node) is a card of KIND:group with one MEMBER:mailto: per address,
// which the import reads back as one list node, and the same addresses as EMAIL, so that
// programs without groups still see them. Lines longer than 75 bytes are folded. Used by
// the export.
#pragma once
#include <string>
#include "exchange/Contact.h"

class CVCardWriter {
public:
    static std::string Write(const ContactList& list);

private:
    static void WriteCard(std::string& out, const Contact& contact);
    static void WriteLine(std::string& out, const std::string& line);
};
