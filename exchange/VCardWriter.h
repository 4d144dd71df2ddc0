// Writes contacts as a vCard 3.0 file in UTF-8: FN (and N, which version 3.0 requires)
// with the name, one EMAIL per address, and CATEGORIES with the folder path. Lines longer
// than 75 bytes are folded. Used by the export.
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
