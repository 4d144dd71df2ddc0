// Writes contacts as a CSV file in UTF-8 with a byte-order mark, in Thunderbird's column
// set: the name in Display Name (and its parts in First Name, Last Name and Nickname, as
// the vCard export splits it), the first address in Primary Email, the second in Secondary
// Email; a person with more addresses gets one more row of the same name for each further
// two. Two last columns, which Thunderbird's set has no place for: Categories (as Outlook
// names it) holds the folder path, Members the members of a group (a list node) as the
// book writes them, names included, joined by commas, so that the import reads it back
// as one list node. Used by the export, a contact at a time: mostly a person's texts need
// no quotes, which one look at each tells, and its rows are copied into room made for them
// all at once.
#pragma once
#include <string>
#include <vector>
#include "exchange/ContactWriter.h"

class CCsvWriter : public CContactWriter {
public:
    // Appends the header row, then a contact's rows with each Add.
    explicit CCsvWriter(COutBytes& out);
    void AddView(const ContactView& contact) override;

    static std::string Write(const ContactList& list);

private:
    COutBytes m_Categories;  // the Categories field of the last folders seen, ready to write
    std::string m_Members;

    bool AddPlainPerson(const ContactView& contact, const PersonNameView& parts);
};
