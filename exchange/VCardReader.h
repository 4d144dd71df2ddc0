// Reads the contacts of a vCard file, versions 2.1, 3.0 and 4.0. A person's card gives its
// name (FN, else N composed in the order of its script, else ORG, else NICKNAME), its mail
// addresses (EMAIL, the preferred first) and its folders (every CATEGORIES entry, the
// docomo/au group X-GN). A group card (4.0 KIND:group, Apple's 3.0
// X-ADDRESSBOOKSERVER-KIND:group) gives one list of its members' addresses: MEMBER
// mailto: addresses, or the preferred address of the card a member UID names. A BEGIN:VCARD
// inside an open card ends that card as incomplete, unless it follows an empty AGENT
// property (version 2.1 writes the agent's card there), which is skipped. Each value's
// character set is decided by itself (VCardText). Used by the import.
#pragma once
#include <string>
#include <vector>
#include "exchange/Contact.h"
#include "exchange/VCardLines.h"
#include "exchange/VCardText.h"

class CVCardReader {
public:
    static ContactList Read(const std::string& bytes);

private:
    struct Card {
        Contact contact;
        std::vector<int> ranks;  // the preference of each address, 101 for none
        std::string formattedName, composedName, organisation, nickname;
        std::vector<std::vector<std::string>> folders;
        std::string uid;
        std::vector<std::string> memberIds;  // members named by UID
        std::vector<std::string> memberAddresses;
        bool hasMembers = false;
    };

    CVCardReader(const std::string& text, CVCardText::Source source) : m_Lines(text), m_Text(text, source) {}

    void ReadAll();
    void OnProperty(const VCardProperty& property);
    void OnBegin();
    void OnCardProperty(const VCardProperty& property);
    void OnName(const VCardProperty& property);
    void OnGroupProperty(const VCardProperty& property);
    void EndCard(bool complete);
    void ResolveMembers();

    CVCardLines m_Lines;
    CVCardText m_Text;
    bool m_bInCard = false;
    bool m_bAgentOpen = false;  // the last property was an empty AGENT: a card may follow
    int m_nSkipDepth = 0;       // inside an agent's card, which is skipped
    Card m_Card;
    ContactList m_List;
    std::vector<std::string> m_Uids;  // the UID of each contact in m_List, "" for none
    std::vector<Card> m_Groups;       // groups whose members are named by UID, resolved at the end
    std::vector<size_t> m_GroupPlaces;
};
