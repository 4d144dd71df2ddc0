// Puts the contacts of a vCard or CSV file into a book of the store, in their order, each
// as an address node in the folder of its path (folders are made on first use). Names,
// addresses and folder names are made fit for the address file (control characters become
// blanks, a ":" in a name the full-width "：", a name that would read back as a folder
// line a full-width first letter) and converted to Shift-JIS; a character that
// Shift-JIS cannot hold becomes "?" and is counted. Used by the import command.
#pragma once
#include <map>
#include <string>
#include <utility>
#include "store/AddrBook.h"
#include "exchange/Contact.h"
#include "text/SjisEncoder.h"

class CContactImporter {
public:
    CContactImporter(CAddrBook& store, ADTDATA* book) : m_Store(store), m_pBook(book) {}

    // False when the store could not make a node.
    bool Add(const Contact& contact);
    // Adds every contact of the list; false when the store could not make a node.
    bool AddAll(const ContactList& list);

    int Added() const { return m_nAdded; }
    int Replaced() const { return m_Encoder.Replaced(); }

private:
    CAddrBook& m_Store;
    ADTDATA* m_pBook;
    CSjisEncoder m_Encoder;
    std::map<std::pair<ADTDATA*, std::string>, ADTDATA*> m_Folders;  // (parent, name) -> folder
    int m_nAdded = 0;

    ADTDATA* FolderOf(const std::vector<std::string>& folders);
};
