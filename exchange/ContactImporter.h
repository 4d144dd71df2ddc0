// Puts the contacts of a vCard or CSV file into a book of the store, in their order: a
// person as one address node per mail address (all with the person's name, the preferred
// address first), a group as one list node of its addresses, each in the folder of every
// path the contact has (folders are made on first use). A contact without a name is named
// by its first address's local part. Names, addresses and folder names are converted to
// Shift-JIS (a character that Shift-JIS cannot hold becomes "?" and is counted) and made
// fit for the address file: one line (a line break is one blank, other control characters
// blanks, blanks at either end dropped), a ":" in a name the full-width "：", a name that
// would read back as a folder line a full-width first letter. An entry that its folder holds
// already (the same name and address, or list) is not made again, so a contact listed twice
// gives one entry and is counted. Used by the import command (as the sink of a reader) and
// by global books.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "store/AddrBook.h"
#include "exchange/Contact.h"
#include "text/SjisEncoder.h"

class CContactImporter : public IContactSink {
public:
    CContactImporter(CAddrBook& store, ADTDATA* book) : m_Store(store), m_pBook(book) {}

    // False when the store could not make a node.
    bool Add(const Contact& contact);
    bool OnContact(const Contact& contact) override { return Add(contact); }
    // Adds every contact of the list; false when the store could not make a node.
    bool AddAll(const ContactList& list);

    // Address nodes made, list nodes among them.
    int Added() const { return m_nAdded; }
    int Lists() const { return m_nLists; }
    // Contacts that made at least one node.
    int Contacts() const { return m_nContacts; }
    // Characters replaced with "?", and of them those that could not be read from the file.
    int Replaced() const { return m_Encoder.Replaced(); }
    int Undecodable() const { return m_Encoder.Undecodable(); }
    // Contacts left out because every entry they would make was there already.
    int Duplicates() const { return m_nDuplicates; }

private:
    CAddrBook& m_Store;
    ADTDATA* m_pBook;
    CSjisEncoder m_Encoder;
    std::map<std::pair<ADTDATA*, std::string>, ADTDATA*> m_Folders;  // (parent, Shift-JIS name) -> folder
    std::vector<std::string> m_LastPath;
    ADTDATA* m_pLastFolder = nullptr;
    // The contact being added, in Shift-JIS: its name, and its addresses in the first
    // m_nAddresses strings (the rest is room kept from earlier contacts).
    std::string m_Name;
    std::vector<std::string> m_Addresses;
    size_t m_nAddresses = 0;
    int m_nAdded = 0;
    int m_nLists = 0;
    int m_nContacts = 0;
    int m_nDuplicates = 0;
    // Each entry made, found by the hash of its folder, name and address (ASCII case
    // aside): an open-addressed table of the nodes themselves, which live as long as the
    // import, so a large file makes no allocation per entry.
    struct SeenSlot {
        uint64_t hash;  // 0 for a free slot
        const ADTDATA* node;
    };
    std::vector<SeenSlot> m_Seen;
    size_t m_nSeen = 0;

    uint64_t EntryHash(const ADTDATA* folder, const std::string& address) const;
    bool IsRepeatedEntry(uint64_t hash, const ADTDATA* folder, const std::string& address) const;
    void RememberEntry(uint64_t hash, const ADTDATA* node);
    void GrowSeen();
    void NodeName(const Contact& contact);
    bool AddNodes(const std::vector<std::string>& path, bool list);
    ADTDATA* FolderOf(const std::vector<std::string>& folders);
    ADTDATA* ChildFolder(ADTDATA* parent, const std::string& name);
};
