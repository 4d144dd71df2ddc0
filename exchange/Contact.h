// One contact of a vCard or CSV file, in UTF-8: what the readers find in a file and what
// the writers put into one. The import turns a person's contact into one address node per
// mail address and a group into one list node; the export gathers them from a book.
#pragma once
#include <string>
#include <utility>
#include <vector>
#include "exchange/PersonName.h"

struct Contact {
    std::string name;
    std::vector<std::string> addresses;  // mail addresses, each with an "@", the preferred first
    std::vector<std::string> folders;    // the folder path below the book, outermost first
    std::vector<std::vector<std::string>> moreFolders;  // the paths of further categories
    bool isGroup = false;  // a group (a mailing list): all its addresses make one list node
};

// What a file held that an address book of this kind does not keep (ContactList::fNotKept).
enum NotKept : unsigned {
    kNotKeptPhones = 1,
    kNotKeptPostalAddresses = 2,
    kNotKeptNotes = 4,
    kNotKeptPhotos = 8,
    kNotKeptReadings = 16,        // ふりがな: phonetic names, SOUND;X-IRMC-N, Phonetic and Yomi columns
    kNotKeptCompanies = 32,       // an organisation that is not the contact's name
    kNotKeptTitles = 64,          // job titles and roles
    kNotKeptNicknames = 128,      // a nickname that is not the contact's name
    kNotKeptBirthdays = 256,      // birthdays and anniversaries
    kNotKeptWebPages = 512,       // URLs
    kNotKeptMessengers = 1024,    // instant messaging addresses
};

// A card of a vCard file that could not be read whole: where it begins and what it is
// called (its name or first address, UTF-8; empty when neither was read).
struct CardMention {
    size_t line = 0;
    std::string name;
};

struct ContactList {
    std::vector<Contact> contacts;
    int nWithoutAddress = 0;      // persons left out because they have no mail address
    bool bUnknownHeader = false;  // CSV: the first row is no header that is known; nothing read
    int nIncomplete = 0;          // vCard cards cut off before END:VCARD or without BEGIN:VCARD, CSV rows whose quote never closed
    std::vector<CardMention> incompleteCards;  // the first few of those vCard cards
    int nCloseGuesses = 0;        // texts whose character set was guessed and another read almost as well
    int nEmptyGroups = 0;         // groups left out because none of their members has a mail address
    unsigned fNotKept = 0;        // NotKept flags
};

// Receives the contacts of a file one at a time, as a reader finds them: the import fills
// its book so, without holding every contact of a large file at once. Only contacts with a
// mail address arrive; the reader counts the others.
class IContactSink {
public:
    virtual ~IContactSink() = default;
    // False stops the reading (the store could not make a node).
    virtual bool OnContact(const Contact& contact) = 0;
};

// A sink that keeps every contact in a list.
class CContactCollector : public IContactSink {
public:
    explicit CContactCollector(ContactList& list) : m_List(list) {}
    bool OnContact(const Contact& contact) override
    {
        m_List.contacts.push_back(contact);
        return true;
    }

private:
    ContactList& m_List;
};

// What a reader hands a sink, as one list with the reader's counts: read(sink) reads.
template <typename ReadInto>
ContactList CollectContacts(ReadInto read)
{
    ContactList list;
    CContactCollector collector(list);
    ContactList counts = read(collector);
    counts.contacts = std::move(list.contacts);
    return counts;
}

// Keeps the contact when it has a mail address, else counts it as left out (a person) or
// as an empty group.
void AddContact(ContactList& list, Contact&& contact);

// Adds the mail addresses of a field: it is cut at commas, line ends and ":::" (several
// addresses in one field), each part is trimmed, and parts without "@" are dropped.
void AddAddresses(Contact& contact, const std::string& text);

// The same for a reader that goes through many contacts: an address takes the room of one
// in spare (the strings of an earlier contact's addresses) where it can.
void AddAddresses(Contact& contact, const std::string& field, std::vector<std::string>& spare);
// Empties the contact's addresses into spare, keeping their room.
void ClearAddresses(Contact& contact, std::vector<std::string>& spare);

// Adds a folder path to the contact: its first path, or one more; one it has is not
// repeated, an empty one is not added.
void AddFolderPath(Contact& contact, const std::vector<std::string>& path);

// text without leading and trailing blanks, tabs and line ends.
std::string TrimBlanks(const std::string& text);

// The contact's folder paths: its folders, then its further ones; one empty path (the book
// itself) when it has none.
std::vector<std::vector<std::string>> FolderPaths(const Contact& contact);

// True when two mail addresses are the same but for the case of ASCII letters.
bool SameAddress(const std::string& a, const std::string& b);
