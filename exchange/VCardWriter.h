// Writes contacts as a vCard 3.0 file in UTF-8. A person's card holds FN with the name, N
// with its parts (family, given, title, suffix; a name of one word is the family name),
// NICKNAME where the name gives one in double quotes, one EMAIL per address in the book's
// order, and CATEGORIES with the folder path. A group (a list node) is a card of
// KIND:group with one MEMBER:mailto: per address, which the import reads back as one list
// node, and the same addresses as EMAIL, so that programs without groups still see them;
// both hold the bare address, as a member written "Name <address>" has no place for its
// name in a URI (counted, for the export's summary). Lines longer than 75 bytes are
// folded. Used by the export, a contact at a time: mostly a person's card has nothing to
// escape and no line to fold, which one look at its texts tells, and its bytes are copied
// into room made for the whole card at once.
#pragma once
#include <string>
#include <vector>
#include "exchange/ContactWriter.h"

class CVCardWriter : public CContactWriter {
public:
    // Appends the cards to out.
    explicit CVCardWriter(COutBytes& out) : CContactWriter(out) {}
    void AddView(const ContactView& contact) override;
    // List members whose name was left out.
    int MemberNamesLeftOut() const override { return m_nMemberNames; }

    static std::string Write(const ContactList& list);

private:
    int m_nMemberNames = 0;
    // The CATEGORIES value of the last folders seen: contacts of one folder come together.
    COutBytes m_Categories;
    std::string m_Scratch;

    void UpdateCategories(const ContactView& contact);
    bool AddPlainPerson(const ContactView& contact, const PersonNameView& parts);
    void AddCategories();
    void BeginLine() { m_nLineStart = m_Out.Size(); }
    void EndLine();
    size_t m_nLineStart = 0;
};

// The address of a list member written "Name <address>": the part in angle brackets;
// other texts as they are.
std::string BareAddress(const std::string& member);
