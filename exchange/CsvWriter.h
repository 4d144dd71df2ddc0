// Writes contacts as a CSV file in UTF-8 with a byte-order mark, in Thunderbird's column
// set: the name in Display Name (and in First Name and Last Name where the name shows
// them), the first address in Primary Email, the second in Secondary Email; a person with
// more addresses gets one more row of the same name for each further two. Two last
// columns, which Thunderbird's set has no place for: Categories (as Outlook names it)
// holds the folder path, Members the addresses of a group (a list node), joined by
// commas, so that the import reads it back as one list node. Used by the export.
#pragma once
#include <string>
#include "exchange/Contact.h"

class CCsvWriter {
public:
    static std::string Write(const ContactList& list);
};
