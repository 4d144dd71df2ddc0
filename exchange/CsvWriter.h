// Writes contacts as a CSV file in UTF-8 with a byte-order mark, in Thunderbird's column
// set: the name in Display Name, the first address in Primary Email, any further ones in
// Secondary Email (separated by commas). A last column, Categories (as Outlook names it),
// holds the folder path, which Thunderbird's set has no column for. Used by the export.
#pragma once
#include <string>
#include "exchange/Contact.h"

class CCsvWriter {
public:
    static std::string Write(const ContactList& list);
};
