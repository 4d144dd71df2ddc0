// One contact of a vCard or CSV file, in UTF-8: what the readers find in a file and what
// the writers put into one. The import turns contacts into address nodes, the export
// gathers them from a book.
#pragma once
#include <string>
#include <vector>

struct Contact {
    std::string name;
    std::vector<std::string> addresses;  // mail addresses, each with an "@"
    std::vector<std::string> folders;    // the folder path below the book, outermost first
};

struct ContactList {
    std::vector<Contact> contacts;
    int nWithoutAddress = 0;      // contacts left out because they have no mail address
    bool bUnknownHeader = false;  // CSV: the first row is no header that is known; nothing read
};

// Keeps the contact when it has a mail address, else counts it as left out.
void AddContact(ContactList& list, Contact&& contact);

// Adds the mail addresses of a field: it is cut at commas, line ends and ":::" (several
// addresses in one field), each part is trimmed, and parts without "@" are dropped.
void AddAddresses(Contact& contact, const std::string& text);

// A name from its parts. Japanese names put the family name first ("山田 太郎"); names
// written in ASCII only follow the given, middle, family order ("Taro Yamada").
std::string ComposeName(const std::string& given, const std::string& middle, const std::string& family);

// text without leading and trailing blanks, tabs and line ends.
std::string TrimBlanks(const std::string& text);
