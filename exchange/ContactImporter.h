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
#include <deque>
#include <map>
#include <string>
#include <unordered_map>
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
    // Each folder path met (its UTF-8 names, each ended by a NUL) -> its folder, so that a
    // path is converted and looked up level by level once; the last one is kept at hand.
    std::unordered_map<std::string, ADTDATA*> m_Paths;
    std::string m_PathKey;
    std::vector<std::string> m_LastPath;
    ADTDATA* m_pLastFolder = nullptr;
    // The contact being added, in Shift-JIS: its name and its entries' texts. An entry's text
    // is a view, ending in a NUL, of the contact's own address where that is plain ASCII fit
    // for the book as it is, else of m_Room where it was converted; a group's one entry is
    // m_List.
    struct EntryText {
        const char* text;
        size_t size;
        uint64_t hash;  // of the text, ASCII case aside (AddressHash)
    };
    std::string m_Name;
    uint64_t m_NameHash = 0;
    std::vector<EntryText> m_Entries;
    std::deque<std::string> m_Room;  // its strings stay where they are as it grows
    std::string m_List;
    int m_nAdded = 0;
    int m_nLists = 0;
    int m_nContacts = 0;
    int m_nDuplicates = 0;
    // Each entry made, found by the hash of its folder, name and address (ASCII case
    // aside): an open-addressed table of 32 bits of each hash (0 for a free slot), which a
    // look-up reads, beside the whole hashes and the nodes, read only where those bits match
    // and when the table grows. The nodes live as long as the import, so a large file makes
    // no allocation per entry.
    struct SeenEntry {
        uint64_t hash;
        const ADTDATA* node;
    };
    std::vector<uint32_t> m_SeenTags;
    std::vector<SeenEntry> m_SeenEntries;
    size_t m_nSeen = 0;

    void AddAddress(const std::string& address);
    bool IsRepeatedEntry(uint64_t hash, const ADTDATA* folder, const EntryText& entry) const;
    void RememberEntry(uint64_t hash, const ADTDATA* node);
    void GrowSeen();
    void NodeName(const Contact& contact);
    bool AddNodes(const std::vector<std::string>& path, bool list);
    ADTDATA* FolderOf(const std::vector<std::string>& folders);
    ADTDATA* ChildFolder(ADTDATA* parent, const std::string& name);
};
